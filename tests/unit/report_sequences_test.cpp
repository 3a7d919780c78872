// Which lines go where, and in what order, for each program's description.
#include <gtest/gtest.h>

#include "lanternis_program.h"
#include "report_text.h"
#include "shardfall_program.h"

namespace {

constexpr ReportSink C = ReportSink::Console;
constexpr ReportSink F = ReportSink::ResultsFile;

// "C:text" or "F:text", one entry per line, to compare sequences at a glance.
std::vector<std::string> render(const ReportLines& lines) {
    std::vector<std::string> out;
    for (const ReportLine& line : lines) out.push_back((line.sink == C ? "C:" : "F:") + line.text);
    return out;
}

const std::string shardfallBanner =
    "Velmora :: Parvolent Benchmark Graphics Shardfall for Windows on Mac Mx system 2023.03.06.";
const std::string lanternisBanner =
    "Velmora :: Parvolent Benchmark Graphics Lanternis for Windows on Mac Mx system 2023.03.06.";

}  // namespace

TEST(ReportSequences, AnnouncerLinesDifferOnlyInTextsAndTheClosingEmptyLine) {
    const std::vector<std::string> shardfall{
        "C:", "C:" + shardfallBanner, "C:Copyright (C) 2023 Velmora. All rights reserved.",
        "C:For Support: support@velmora.example.com", "C:", "C:", "C:", "C:",
        "C:Press Key R or Press Mouse Left button to Animate.", "C:Press Key C to Animate Manually.",
        "C:Press Key P or Press Mouse Right button to Pause.", "C:Press Key Esc to Exit.", "C:", "C:",
        "C:Initializing . . ."};
    EXPECT_EQ(render(announcerLines(shardfallDescription)), shardfall);

    const std::vector<std::string> lanternis{
        "C:", "C:" + lanternisBanner, "C:Copyright (C) 2023 Velmora. All rights reserved.",
        "C:For Support: support@velmora.example.com", "C:", "C:", "C:", "C:",
        "C:Press Key R or Press Mouse Left button to Animate.", "C:Press Key C to Animate Manually.",
        "C:Press Key P or Press Mouse Right button for Pause.", "C:Press Key Esc for exit.", "C:",
        "C:", "C:Initializing . . .", "C:"};
    EXPECT_EQ(render(announcerLines(lanternisDescription)), lanternis);
}

TEST(ReportSequences, TooManyProcessesIsSevenConsoleLines) {
    EXPECT_EQ(render(tooManyProcessesLines(shardfallDescription)),
              (std::vector<std::string>{
                  "C:", "C:" + shardfallBanner, "C:Copyright (C) 2023 Velmora. All rights reserved.",
                  "C:For Support: support@velmora.example.com", "C:",
                  "C:The number of threads has reached the limits, the program terminates.", "C:"}));
}

TEST(ReportSequences, StartupOfAWindowProcess) {
    EXPECT_EQ(render(bannerLines(shardfallDescription)),
              (std::vector<std::string>{"F:" + shardfallBanner, "F:", "F:", "C:"}));
    EXPECT_EQ(render(bannerLines(lanternisDescription)),
              (std::vector<std::string>{"F:" + lanternisBanner, "F:"}));
    const std::string init = "Window 3@ node17 spent: 1.25 Secs to Initialize.";
    EXPECT_EQ(render(initializationLines(3, "node17", 1.25)),
              (std::vector<std::string>{"C:" + init, "C:", "C:", "F:" + init, "F:", "F:"}));
}

TEST(ReportSequences, FrameBlockGoesWholeToTheConsoleThenTheFile) {
    const FrameLines workload{{"head one", "head two"}, {"tail"}};
    const std::vector<std::string> block{"window: 2 @ host", "head one", "head two",
                                         "It was: 60 Angles/sec.", "tail"};
    std::vector<std::string> expected;
    for (const std::string& line : block) expected.push_back("C:" + line);
    for (const std::string& line : block) expected.push_back("F:" + line);
    expected.push_back("C:");
    expected.push_back("F:");
    EXPECT_EQ(render(frameReportLines(2, "host", 60.0, workload)), expected);
}

TEST(ReportSequences, EndOfRunForEachProgramAndWay) {
    const RunFigures figures{1, 2.0, 4};
    const std::vector<std::string> summary{"Total running time:  2 Secs. @ window: 1",
                                           "Average Angles/Sec: 2 Angles/Sec.", "Workload line."};
    const std::string where = "Results have been saved in a file and you can find it at: /d/f";
    const auto prefixed = [](const char* sink, const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const std::string& line : lines) out.push_back(sink + line);
        return out;
    };
    const auto concat = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> out;
        for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
        return out;
    };

    const struct {
        const char* name;
        const ProgramDescription& program;
        bool atLimit;
        std::vector<std::string> expected;
    } cases[] = {
        {"shardfall quit", shardfallDescription, false,
         concat({prefixed("C:", summary), {"C:"}, prefixed("F:", summary), {"F:"},
                 {"C:", "C:" + where, "C:", "C:"}})},
        {"lanternis quit", lanternisDescription, false,
         concat({prefixed("C:", summary), {"C:"}, prefixed("F:", summary), {"F:"},
                 {"C:" + where, "C:"}})},
        {"shardfall at the limit", shardfallDescription, true,
         concat({{"C:"}, prefixed("C:", summary), {"C:"}, {"F:"}, prefixed("F:", summary), {"F:"},
                 {"C:" + where, "C:"}})},
    };
    for (const auto& c : cases) {
        ReportLines lines = finishRunLines(c.program, figures, {"Workload line."}, c.atLimit);
        const ReportLines location = finishRunLocationLines(c.program, where, c.atLimit);
        lines.insert(lines.end(), location.begin(), location.end());
        EXPECT_EQ(render(lines), c.expected) << c.name;
    }
}

TEST(ReportSequences, ClosingWhenTheMainLoopReturns) {
    EXPECT_EQ(render(closeRunLines()), (std::vector<std::string>{"C:", "F:"}));
    EXPECT_TRUE(closeRunLocationLines(shardfallDescription, "where").empty());
    EXPECT_EQ(render(closeRunLocationLines(lanternisDescription, "where")),
              (std::vector<std::string>{"C:where", "C:"}));
}

TEST(ReportTexts, NamesPathsAndLines) {
    std::tm time{};
    time.tm_year = 123;
    time.tm_mon = 2;
    time.tm_mday = 6;
    time.tm_hour = 14;
    time.tm_min = 5;
    time.tm_sec = 9;
    EXPECT_EQ(resultsFileNameFor("results_shardfall_windows_mac_mx", 3, "node7", dateStampFor(time)),
              "results_shardfall_windows_mac_mx @ 3 of node7 @ local date 2023.03.06 time "
              "14.05.09.txt");
    EXPECT_EQ(windowTitleFor("OPENGL Shardfall", 7), "OPENGL Shardfall Thread: 7");
    EXPECT_EQ(joinPath("/home/user", "file name.txt"), "/home/user/file name.txt");
    EXPECT_EQ(joinPath("/", "f"), "/f");
    EXPECT_EQ(totalTimeLine(0.0, 1), "Total running time:  0 Secs. @ window: 1");
    EXPECT_NE(averageAnglesLine(0, 0.0).find("nan"), std::string::npos);
    EXPECT_EQ(resultsLocationLine("/d/f", "Permission denied"),
              "Results could not be saved in a file: /d/f (Permission denied)");
    EXPECT_EQ(resultsOpenFailureLine("/d/f", "Read-only file system"),
              "Results file could not be opened: /d/f (Read-only file system)");
}

TEST(ReportTexts, LongNamesAreKeptWhole) {
    const std::string host(500, 'h');
    const std::string directory = "/" + std::string(3000, 'd');
    const std::string name = resultsFileNameFor("prefix", 4095, host, "stamp");
    EXPECT_EQ(name, "prefix @ 4095 of " + host + " @ stamp");
    EXPECT_EQ(joinPath(directory, name), directory + "/" + name);
}
