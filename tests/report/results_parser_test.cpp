// Reading results files: every way a run ends, malformed lines named by number, cut-off files.
#include "results_parser.h"

#include <gtest/gtest.h>

#include <sstream>

#include "report_fixtures.h"

namespace {

std::vector<std::string> splitKeepingEmpty(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
}

// Line numbers are 1-based, as in the error messages.
std::string replaced(const std::string& text, std::size_t line, const std::string& with) {
    auto lines = splitKeepingEmpty(text);
    lines.at(line - 1) = with;
    return joined(lines);
}

std::string removed(const std::string& text, std::size_t line) {
    auto lines = splitKeepingEmpty(text);
    lines.erase(lines.begin() + static_cast<long>(line - 1));
    return joined(lines);
}

std::string inserted(const std::string& text, std::size_t before, const std::string& line) {
    auto lines = splitKeepingEmpty(text);
    lines.insert(lines.begin() + static_cast<long>(before - 1), line);
    return joined(lines);
}

// The first n lines, each with its newline, and then an unterminated tail.
std::string firstLines(const std::string& text, std::size_t n, const std::string& tail = "") {
    auto lines = splitKeepingEmpty(text);
    lines.resize(n);
    return joined(lines) + tail;
}

}  // namespace

TEST(ResultsParser, ReadsEveryKindOfRunEnd) {
    struct Case {
        std::string job;
        int rank;
        Program program;
        std::string host;
        std::size_t frames;
        RunEnd end;
        bool summary;
        std::string note;  // a piece of the only note, or empty for none
    };
    const std::vector<Case> cases{
        {"shardfall-job", 1, Program::Shardfall, "node-a", 6, RunEnd::Quit, true, ""},
        {"shardfall-job", 3, Program::Shardfall, "node-b", 47, RunEnd::Limit, true, ""},
        {"shardfall-job", 4, Program::Shardfall, "node-b", 4, RunEnd::Incomplete, false,
         "partial frame block at line 31 ignored"},
        {"shardfall-job", 6, Program::Shardfall, "node-b", 3, RunEnd::Quit, true, ""},  // CR LF
        {"lanternis-job", 1, Program::Lanternis, "render01", 5, RunEnd::Quit, true, ""},
        {"lanternis-job", 3, Program::Lanternis, "render02", 0, RunEnd::Quit, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.job + " rank " + std::to_string(c.rank));
        const ParseOutcome outcome = parseResults(fixtureText(c.job, c.rank));
        ASSERT_FALSE(outcome.error) << outcome.error->line << ": " << outcome.error->expected;
        const ResultsRun& run = outcome.run;
        EXPECT_EQ(run.program, c.program);
        EXPECT_EQ(run.rank, c.rank);
        EXPECT_EQ(run.host, c.host);
        EXPECT_EQ(run.frames.size(), c.frames);
        EXPECT_EQ(run.end, c.end);
        EXPECT_EQ(run.summary.has_value(), c.summary);
        if (c.note.empty()) {
            EXPECT_TRUE(run.notes.empty());
        } else {
            ASSERT_EQ(run.notes.size(), 1u);
            EXPECT_NE(run.notes[0].find(c.note), std::string::npos) << run.notes[0];
        }
    }
}

TEST(ResultsParser, TakesEveryValueOfTheBlocksAndTheSummary) {
    const ResultsRun shardfall = fixtureRun("shardfall-job", 3);
    EXPECT_EQ(shardfall.initTime, 2.93);
    const FrameBlock& last = shardfall.frames.back();
    EXPECT_EQ(last.line, 7u + 46 * 6);
    EXPECT_EQ(last.triangles, 10536270);
    EXPECT_EQ(last.frameTime, 2.55633);
    EXPECT_EQ(last.anglesPerSec, 0.391186);
    EXPECT_EQ(last.rate, 4.12164e+06);
    ASSERT_TRUE(shardfall.summary);
    EXPECT_EQ(shardfall.summary->totalTime, 7.54367);
    EXPECT_EQ(shardfall.summary->averageAngles, 6.23039);
    EXPECT_EQ(shardfall.summary->averageRate, 3.79583e+06);

    const ResultsRun lanternis = fixtureRun("lanternis-job", 1);
    EXPECT_EQ(lanternis.frames[0].frameTime, 0.9);
    EXPECT_EQ(lanternis.frames[0].rate, 1.86414e+07);
    EXPECT_EQ(lanternis.summary->averageRate, 2.81497e+07);

    // Esc before any frame: 0 / 0 printed as -nan.
    const ResultsRun none = fixtureRun("lanternis-job", 3);
    EXPECT_EQ(none.summary->totalTime, 0);
    EXPECT_TRUE(std::isnan(none.summary->averageAngles));
    EXPECT_TRUE(std::isnan(none.summary->averageRate));
}

TEST(ResultsParser, CrLfLinesReadLikeLfLines) {
    const std::string crlf = fixtureText("shardfall-job", 6);
    ASSERT_NE(crlf.find("\r\n"), std::string::npos);
    std::string lf;
    for (char c : crlf) {
        if (c != '\r') lf += c;
    }
    const ResultsRun a = parseResults(crlf).run;
    const ResultsRun b = parseResults(lf).run;
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        EXPECT_EQ(a.frames[i].frameTime, b.frames[i].frameTime);
        EXPECT_EQ(a.frames[i].triangles, b.frames[i].triangles);
    }
    EXPECT_EQ(a.summary->averageRate, b.summary->averageRate);
    EXPECT_EQ(a.end, RunEnd::Quit);
}

TEST(ResultsParser, NamesTheLineAndWhatWasExpected) {
    // Rank 2: blocks at lines 7, 13, 19, 25, 31; summary at 37 to 39, then one empty line.
    const std::string shardfall = fixtureText("shardfall-job", 2);
    // Rank 1 of lanternis: blocks at 6, 11, 16, 21, 26; summary at 31.
    const std::string lanternis = fixtureText("lanternis-job", 1);
    struct Case {
        std::string what;
        std::string text;
        std::size_t line;
        std::string expected;  // a piece of it
    };
    const std::vector<Case> cases{
        {"block missing a line (fixture)", fixtureText("shardfall-job", 5), 16, "Angles/sec."},
        {"block missing a line", removed(shardfall, 16), 16, "Angles/sec."},
        {"bad number", replaced(shardfall, 15, "It spent: 0.0x5 Secs. "), 15,
         "It spent: <seconds>"},
        {"frame time nan", replaced(shardfall, 15, "It spent: nan Secs. "), 15, "not negative"},
        {"negative frame time", replaced(shardfall, 15, "It spent: -0.025 Secs. "), 15,
         "It spent:"},
        {"fractional triangles", replaced(shardfall, 14, "It drew 2.5 Triangles."), 14, "It drew"},
        {"negative triangles", replaced(shardfall, 14, "It drew -2 Triangles."), 14, "It drew"},
        {"hex number", replaced(shardfall, 16, "It was: 0x28 Angles/sec."), 16, "Angles/sec."},
        {"other host", replaced(shardfall, 13, "window: 2 @ node-b"), 13, "\"window: 2 @ node-a\""},
        {"other rank", replaced(shardfall, 13, "window: 3 @ node-a"), 13, "\"window: 2 @ node-a\""},
        {"no empty line between blocks", removed(shardfall, 12), 12, "an empty line"},
        {"one empty line after the banner", removed(shardfall, 3), 3, "an empty line"},
        {"other banner", replaced(shardfall, 1, "Velmora :: Parvolent Benchmark Graphics Skyfall"),
         1, "Shardfall for Windows on Mac Mx system 2023.03.06.\" or \"Velmora"},
        {"bad rank in the start-up line",
         replaced(shardfall, 4, "Window 2 @ node-a spent: 2.68 Secs to Initialize."), 4,
         "Secs to Initialize."},
        {"summary of another rank",
         replaced(shardfall, 37, "Total running time:  0.14 Secs. @ window: 3"), 37, "window: 2\""},
        {"one blank after the total's colon",
         replaced(shardfall, 37, "Total running time: 0.14 Secs. @ window: 2"), 37,
         "Total running time:  <seconds>"},
        {"decimal comma", replaced(shardfall, 38, "Average Angles/Sec: 35,7143 Angles/Sec."), 38,
         "Average Angles/Sec:"},
        {"two extra empty lines before the summary", inserted(inserted(shardfall, 37, ""), 37, ""),
         38, "Total running time:"},
        {"a block after the limit's empty line", inserted(shardfall, 31, ""), 32,
         "Total running time:"},
        {"text after the summary", shardfall + "window: 2 @ node-a\n", 41, "the end of the file"},
        {"lanternis has no limit summary", inserted(lanternis, 31, ""), 31, "window: 1 @ render01"},
        {"lanternis time line", replaced(lanternis, 7, "It spent: 0.9 Secs. "), 7,
         "The system spent:"},
        {"lanternis with two empty lines after the banner", inserted(lanternis, 3, ""), 3,
         "Secs to Initialize."},
        {"empty file, no name to go by", "", 1, "Velmora :: Parvolent"},
        {"unterminated last line that cannot be a cut-off one", firstLines(shardfall, 33, "Bogus"),
         34, "Angles/sec."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ParseOutcome outcome = parseResults(c.text);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->line, c.line);
        EXPECT_NE(outcome.error->expected.find(c.expected), std::string::npos)
            << outcome.error->expected;
        EXPECT_FALSE(outcome.error->found.empty());
    }
}

TEST(ResultsParser, AFileCutOffIsIncompleteNotMalformed) {
    const std::string text = fixtureText("shardfall-job", 2);
    const std::string name = fixturePath("shardfall-job", 2).filename().string();
    struct Case {
        std::string what;
        std::string text;
        std::size_t frames;
        RunEnd end;
        std::string note;  // a piece of the only note, or empty for none
    };
    const std::vector<Case> cases{
        {"after the last block", firstLines(text, 36), 5, RunEnd::Incomplete, ""},
        {"window closed: one more empty line", firstLines(text, 36) + "\n", 5, RunEnd::Incomplete,
         ""},
        {"inside a block", firstLines(text, 33), 4, RunEnd::Incomplete,
         "partial frame block at line 31"},
        {"inside a line of a block", firstLines(text, 33, "It was: 4"), 4, RunEnd::Incomplete,
         "partial frame block at line 31"},
        {"inside the window line", firstLines(text, 30, "window: 2 @ no"), 4, RunEnd::Incomplete,
         "partial frame block at line 31"},
        {"before the block's empty line", firstLines(text, 35), 5, RunEnd::Incomplete, ""},
        {"inside the total's text", firstLines(text, 36, "Total runn"), 5, RunEnd::Incomplete,
         "summary at line 37 cut short"},
        {"inside the summary", firstLines(text, 38), 5, RunEnd::Incomplete,
         "summary at line 37 cut short"},
        {"inside the summary's last line", firstLines(text, 38, "Average Triangles/Sec: 10"), 5,
         RunEnd::Incomplete, "summary at line 37 cut short"},
        {"summary without the last newlines",
         firstLines(text, 38, "Average Triangles/Sec: 107.143 Triangles/Sec."), 5, RunEnd::Quit,
         ""},
        {"right after start-up", firstLines(text, 6), 0, RunEnd::Incomplete, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ParseOutcome outcome = parseResults(c.text, name);
        ASSERT_FALSE(outcome.error) << outcome.error->line << ": " << outcome.error->expected;
        EXPECT_EQ(outcome.run.frames.size(), c.frames);
        EXPECT_EQ(outcome.run.end, c.end);
        if (c.note.empty()) {
            EXPECT_TRUE(outcome.run.notes.empty());
        } else {
            ASSERT_EQ(outcome.run.notes.size(), 1u);
            EXPECT_NE(outcome.run.notes[0].find(c.note), std::string::npos) << outcome.run.notes[0];
        }
    }
}

TEST(ResultsParser, TheFileNameNamesAFileEndedDuringStartUpOnly) {
    const std::string text = fixtureText("shardfall-job", 2);
    const std::string name = fixturePath("shardfall-job", 2).filename().string();
    for (const std::string& cut :
         {std::string(), firstLines(text, 3), firstLines(text, 3, "Window 2@ no")}) {
        SCOPED_TRACE(cut);
        const ParseOutcome outcome = parseResults(cut, name);
        ASSERT_FALSE(outcome.error);
        EXPECT_EQ(outcome.run.rank, 2);
        EXPECT_EQ(outcome.run.host, "node-a");
        EXPECT_EQ(outcome.run.program, Program::Shardfall);
        EXPECT_EQ(outcome.run.end, RunEnd::Incomplete);
        EXPECT_FALSE(outcome.run.initTime);
        EXPECT_EQ(outcome.run.notes.size(), 1u);
    }
    // A complete file under another rank's name keeps the rank of its lines.
    const ParseOutcome renamed =
        parseResults(text, "results_shardfall_windows_mac_mx @ 3 of node-a @ local date x.txt");
    EXPECT_EQ(renamed.run.rank, 2);
    ASSERT_EQ(renamed.run.notes.size(), 1u);
    EXPECT_EQ(renamed.run.notes[0],
              "the file name says rank 3 of node-a; its lines say rank 2 of node-a");

    // Without a name in the results-file pattern there is no telling whose file it is.
    EXPECT_TRUE(parseResults(firstLines(text, 3), "notes.txt").error);
}

TEST(ResultsParser, NumbersInTheProgramsFormatOnly) {
    const std::vector<std::pair<std::string, double>> good{{"0", 0},
                                                           {"60", 60},
                                                           {"0.0166667", 0.0166667},
                                                           {"1.23457e+06", 1.23457e+06},
                                                           {"4.5e-05", 4.5e-05},
                                                           {"-0.5", -0.5},
                                                           {"inf", INFINITY},
                                                           {"-inf", -INFINITY}};
    for (const auto& [text, value] : good) EXPECT_EQ(readDouble(text), value) << text;
    for (const std::string text : {"nan", "-nan"}) {
        ASSERT_TRUE(readDouble(text)) << text;
        EXPECT_TRUE(std::isnan(*readDouble(text)));
    }
    for (const std::string text : {"", "+1", " 1", "1 ", "0x10", "1e", "1,5", "1e999", "--1", "."})
        EXPECT_FALSE(readDouble(text)) << text;
    EXPECT_EQ(readInteger("10536270"), 10536270);
    for (const std::string text : {"", "+3", "3.0", "1e3", "99999999999999999999"})
        EXPECT_FALSE(readInteger(text)) << text;
}
