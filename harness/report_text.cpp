// Report texts and sequences: every line either program writes, and where it goes.
#include "report_text.h"

#include <array>
#include <sstream>

namespace {

constexpr const char* CopyrightLine = "Copyright (C) 2023 Velmora. All rights reserved.";
constexpr const char* SupportLine = "For Support: support@velmora.example.com";
constexpr const char* TooManyProcessesLine =
    "The number of threads has reached the limits, the program terminates.";
constexpr const char* InitializingLine = "Initializing . . .";

ReportLine console(std::string text) { return {ReportSink::Console, std::move(text)}; }
ReportLine file(std::string text) { return {ReportSink::ResultsFile, std::move(text)}; }

void append(ReportLines& lines, ReportSink sink, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) lines.push_back({sink, text});
}

}  // namespace

std::string formatNumber(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string formatNumber(std::int64_t value) { return std::to_string(value); }

std::string filledLine(LineText text, const std::string& value) {
    std::string line(text.prefix);
    line += value;
    line += text.suffix;
    return line;
}

std::string dateStampFor(const std::tm& localTime) {
    std::array<char, 1024> text{};
    std::strftime(text.data(), text.size(), resultsNameDateFormat, &localTime);
    return text.data();
}

std::string resultsFileNameFor(const std::string& prefix, std::int32_t rank,
                               const std::string& host, const std::string& dateStamp) {
    return prefix + std::string(resultsNameRank) + std::to_string(rank) +
           std::string(resultsNameHost) + host + std::string(resultsNameDate) + dateStamp;
}

std::string windowTitleFor(const std::string& windowName, std::int32_t rank) {
    return windowName + " Thread: " + std::to_string(rank);
}

std::string joinPath(const std::string& directory, const std::string& fileName) {
#ifdef _WIN32
    constexpr char separator = '\\';
#else
    constexpr char separator = '/';
#endif
    if (!directory.empty() && directory.back() == separator) return directory + fileName;
    return directory + separator + fileName;
}

std::string initializationLine(std::int32_t rank, const std::string& host, double initTime) {
    return std::string(initializationStart) + std::to_string(rank) +
           std::string(initializationHost) + host + std::string(initializationSpent) +
           formatNumber(initTime) + std::string(initializationEnd);
}

std::string windowLine(std::int32_t rank, const std::string& host) {
    return std::string(windowLineStart) + std::to_string(rank) + std::string(windowLineHost) + host;
}

std::string anglesLine(double anglesPerSec) {
    return filledLine(anglesText, formatNumber(anglesPerSec));
}

std::string totalTimeLine(double totalTime, std::int32_t rank) {
    return filledLine(totalTimeText, formatNumber(totalTime)) + std::to_string(rank);
}

std::string averageAnglesLine(std::int64_t framesCounted, double totalTime) {
    return filledLine(averageAnglesText,
                      formatNumber(static_cast<double>(framesCounted) / totalTime));
}

std::string resultsLocationLine(const std::string& path, const std::string& failure) {
    if (!failure.empty()) return "Results could not be saved in a file: " + path + " (" + failure + ")";
    return "Results have been saved in a file and you can find it at: " + path;
}

std::string resultsOpenFailureLine(const std::string& path, const std::string& reason) {
    return "Results file could not be opened: " + path + " (" + reason + ")";
}

ReportLines announcerLines(const ProgramDescription& program) {
    ReportLines lines{console(""), console(program.bannerLine), console(CopyrightLine),
                      console(SupportLine), console(""), console(""), console(""), console("")};
    for (const std::string& help : program.keyHelp) lines.push_back(console(help));
    lines.push_back(console(""));
    lines.push_back(console(""));
    lines.push_back(console(InitializingLine));
    if (program.blankAfterInitializing) lines.push_back(console(""));
    return lines;
}

ReportLines tooManyProcessesLines(const ProgramDescription& program) {
    return {console(""), console(program.bannerLine), console(CopyrightLine), console(SupportLine),
            console(""), console(TooManyProcessesLine), console("")};
}

ReportLines bannerLines(const ProgramDescription& program) {
    ReportLines lines{file(program.bannerLine), file("")};
    if (program.spacedStartup) {
        lines.push_back(file(""));
        lines.push_back(console(""));
    }
    return lines;
}

ReportLines initializationLines(std::int32_t rank, const std::string& host, double initTime) {
    const std::string line = initializationLine(rank, host, initTime);
    return {console(line), console(""), console(""), file(line), file(""), file("")};
}

ReportLines frameReportLines(std::int32_t rank, const std::string& host, double anglesPerSec,
                             const FrameLines& workloadLines) {
    std::vector<std::string> block{windowLine(rank, host)};
    block.insert(block.end(), workloadLines.head.begin(), workloadLines.head.end());
    block.push_back(anglesLine(anglesPerSec));
    block.insert(block.end(), workloadLines.tail.begin(), workloadLines.tail.end());

    ReportLines lines;
    append(lines, ReportSink::Console, block);
    append(lines, ReportSink::ResultsFile, block);
    lines.push_back(console(""));
    lines.push_back(file(""));
    return lines;
}

ReportLines finishRunLines(const ProgramDescription& program, const RunFigures& figures,
                           const std::vector<std::string>& workloadSummary, bool atLimit) {
    std::vector<std::string> summary{totalTimeLine(figures.totalTime, figures.rank),
                                     averageAnglesLine(figures.framesCounted, figures.totalTime)};
    summary.insert(summary.end(), workloadSummary.begin(), workloadSummary.end());
    summary.push_back("");

    ReportLines lines;
    if (atLimit) {
        lines.push_back(console(""));
        append(lines, ReportSink::Console, summary);
        lines.push_back(file(""));
        append(lines, ReportSink::ResultsFile, summary);
        return lines;
    }
    append(lines, ReportSink::Console, summary);
    append(lines, ReportSink::ResultsFile, summary);
    if (program.spacedResultsLine) lines.push_back(console(""));
    return lines;
}

ReportLines finishRunLocationLines(const ProgramDescription& program,
                                   const std::string& locationLine, bool atLimit) {
    ReportLines lines{console(locationLine), console("")};
    if (program.spacedResultsLine && !atLimit) lines.push_back(console(""));
    return lines;
}

ReportLines closeRunLines() { return {console(""), file("")}; }

ReportLines closeRunLocationLines(const ProgramDescription& program, const std::string& locationLine) {
    if (!program.resultsLineOnClose) return {};
    return {console(locationLine), console("")};
}
