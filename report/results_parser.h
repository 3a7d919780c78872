// Reading one results file of shardfall or lanternis into frames and a summary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Program { Shardfall, Lanternis };

// How the run ended: Esc, shardfall's size limit, or no summary at all (killed or closed).
enum class RunEnd { Quit, Limit, Incomplete };

struct FrameBlock {
    std::size_t line = 0;  // line number of its "window:" line
    double frameTime = 0;
    double anglesPerSec = 0;
    std::int64_t triangles = 0;  // shardfall only
    double rate = 0;             // triangles/sec or vertex/sec, as printed
};

struct RunSummary {
    double totalTime = 0;
    double averageAngles = 0;
    double averageRate = 0;
};

struct ResultsRun {
    Program program = Program::Shardfall;
    int rank = 0;
    std::string host;
    std::optional<double> initTime;  // absent when the file ends before the window was ready
    std::vector<FrameBlock> frames;
    std::optional<RunSummary> summary;
    RunEnd end = RunEnd::Incomplete;
    std::vector<std::string> notes;
};

struct ParseError {
    std::size_t line = 0;
    std::string expected;
    std::string found;  // quoted line text, or "the end of the file"
};

struct ParseOutcome {
    ResultsRun run;
    std::optional<ParseError> error;  // when set, run is meaningless
};

// fileName (no directory) only fills in program, rank and host when the file ends before
// its initialisation line; everything else comes from the text.
ParseOutcome parseResults(std::string_view text, std::string_view fileName = {});

// The number readers the parser uses, exposed for their edge cases.
std::optional<double> readDouble(std::string_view token);
std::optional<std::int64_t> readInteger(std::string_view token);

// A double as the programs print it: the streams' default format, 6 significant digits.
std::string asPrinted(double value);

std::string_view programName(Program program);
std::string_view runEndName(RunEnd end);
