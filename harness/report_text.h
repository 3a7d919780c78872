// The texts of every report line and the order in which they go to the console and the results
// file. Pure functions: the writing itself is in report_output.cpp.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "harness.h"
#include "line_texts.h"

struct ReportLine {
    ReportSink sink;
    std::string text;
};
using ReportLines = std::vector<ReportLine>;

// Numbers as the standard streams write them by default: 6 significant digits, general notation.
std::string formatNumber(double value);
std::string formatNumber(std::int64_t value);

// The text's prefix, the value, the text's suffix.
std::string filledLine(LineText text, const std::string& value);

std::string dateStampFor(const std::tm& localTime);
std::string resultsFileNameFor(const std::string& prefix, std::int32_t rank,
                               const std::string& host, const std::string& dateStamp);
std::string windowTitleFor(const std::string& windowName, std::int32_t rank);
// The results file named by the directory the process started in.
std::string joinPath(const std::string& directory, const std::string& fileName);

std::string initializationLine(std::int32_t rank, const std::string& host, double initTime);
std::string windowLine(std::int32_t rank, const std::string& host);
std::string anglesLine(double anglesPerSec);
std::string totalTimeLine(double totalTime, std::int32_t rank);
std::string averageAnglesLine(std::int64_t framesCounted, double totalTime);
// The closing line that tells where the results are, or why they could not be saved there.
std::string resultsLocationLine(const std::string& path, const std::string& failure);
std::string resultsOpenFailureLine(const std::string& path, const std::string& reason);

// Sequences. Each entry is one whole line to one sink, in the order it is written.
ReportLines announcerLines(const ProgramDescription& program);
ReportLines tooManyProcessesLines(const ProgramDescription& program);
ReportLines bannerLines(const ProgramDescription& program);
ReportLines initializationLines(std::int32_t rank, const std::string& host, double initTime);
ReportLines frameReportLines(std::int32_t rank, const std::string& host, double anglesPerSec,
                             const FrameLines& workloadLines);

struct RunFigures {
    std::int32_t rank;
    double totalTime;
    std::int64_t framesCounted;
};
// The summary of a run, up to the line that tells where the results are.
ReportLines finishRunLines(const ProgramDescription& program, const RunFigures& figures,
                           const std::vector<std::string>& workloadSummary, bool atLimit);
// The results location line and the empty lines after it, at the end of finishRun.
ReportLines finishRunLocationLines(const ProgramDescription& program,
                                   const std::string& locationLine, bool atLimit);
// Lines written when the main loop returns, before the location line (if any) and the close.
ReportLines closeRunLines();
// The location line of a main loop that returns; empty for a program that names no file then.
ReportLines closeRunLocationLines(const ProgramDescription& program, const std::string& locationLine);
