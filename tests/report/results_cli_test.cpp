// The benchreport program on the fixture job folders: exit status, stderr, and --plot.
#include <algorithm>

#include "program_run.h"

namespace {

const std::string fixtures = RESULTS_FIXTURES;

}  // namespace

TEST(BenchreportProgram, AMalformedFileIsNamedAndTheOthersAreStillReported) {
    const ProgramRun run = benchreport({fixtures + "/shardfall-job"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err,
                         "results_shardfall_windows_mac_mx @ 5 of node-b @ local date "
                         "2026.12.11 time 09.14.03.txt:16: expected \"It was: <number> "
                         "Angles/sec.\""))
        << run.err;
    for (const std::string row : {"1  node-a", "2  node-a", "3  node-b", "4  node-b", "6  node-b"})
        EXPECT_TRUE(contains(run.out, "\n   " + row)) << row;
    EXPECT_TRUE(contains(run.out, "Job: shardfall, 5 ranks")) << run.out;

    const ProgramRun clean = benchreport({"--json", fixtures + "/lanternis-job"});
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_EQ(clean.err, "");
    EXPECT_TRUE(contains(clean.out, "\"schema_version\": 1"));
}

TEST(BenchreportProgram, UsageErrorsAndNoInputExitWithTwo) {
    const fs::path empty = scratch() / "empty";
    fs::create_directories(empty);
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--csv", "--json", fixtures + "/lanternis-job"},
        {"--plot", "out.pdf", fixtures},
        {"--frobnicate", fixtures},
        {empty.string()},
        {"--plot"}};
    for (const auto& args : cases) {
        const ProgramRun run = benchreport(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_TRUE(contains(run.err, "benchreport: ")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(benchreport({"--help"}).status, 0);
    // A file named that is not there is a failure; the files that are there are still reported.
    const ProgramRun missing =
        benchreport({"--csv", fixtures + "/lanternis-job", "/nonexistent/results_x.txt"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "/nonexistent/results_x.txt"));
    EXPECT_EQ(std::count(missing.out.begin(), missing.out.end(), '\n'), 4);
}

TEST(BenchreportProgram, PlotsThroughGnuplot) {
    if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gnuplot";
    const fs::path svg = scratch() / "job plot.svg";
    fs::remove(svg);
    const std::string job = fixtures + "/shardfall-job/";
    const ProgramRun run = benchreport({"--csv", "--plot", svg.string(),
                                        job + "results_shardfall_windows_mac_mx @ 1 of node-a @ "
                                              "local date 2026.12.11 time 09.14.02.txt",
                                        job + "results_shardfall_windows_mac_mx @ 3 of node-b @ "
                                              "local date 2026.12.11 time 09.14.03.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string plot = readAll(svg);
    EXPECT_TRUE(contains(plot, "<svg"));
    EXPECT_TRUE(contains(plot, "rank 3 @ node-b"));
    EXPECT_TRUE(contains(plot, "Triangles/sec against triangles per frame"));
    EXPECT_TRUE(run.out.starts_with("rank,host,"));  // gnuplot's chatter stays off stdout
}

TEST(BenchreportProgram, WithoutGnuplotThePlotFailsAndTheReportStands) {
    const fs::path png = scratch() / "plot.png";
    fs::remove(png);
    const ProgramRun run = benchreport({"--plot", png.string(), fixtures + "/lanternis-job"},
                                       "BENCHREPORT_GNUPLOT=/nonexistent/gnuplot");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "cannot run /nonexistent/gnuplot")) << run.err;
    EXPECT_TRUE(contains(run.out, "Job: lanternis, 3 ranks")) << run.out;
    EXPECT_FALSE(fs::exists(png));
}
