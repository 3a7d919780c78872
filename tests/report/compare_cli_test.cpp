// benchreport compare on the comparison fixtures: outputs, refusals, bad input and --plot.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "program_run.h"

namespace {

const std::string compareFixtures = std::string(COMPARE_FIXTURES) + "/";

ProgramRun compare(std::vector<std::string> args, const std::string& environment = "") {
    args.insert(args.begin(), "compare");
    return benchreport(args, environment);
}

}  // namespace

TEST(BenchreportCompare, TableMarksWhatIsNotSignificant) {
    const ProgramRun faster =
        compare({compareFixtures + "lanternis-base", compareFixtures + "lanternis-faster"});
    EXPECT_EQ(faster.status, 0) << faster.err;
    EXPECT_EQ(faster.err, "");
    EXPECT_TRUE(contains(faster.out, "rank     host                  base vertices/s")) << faster.out;
    EXPECT_TRUE(contains(faster.out, "render01 -> render02")) << faster.out;
    EXPECT_TRUE(contains(faster.out, "\ngeomean ")) << faster.out;

    const ProgramRun same =
        compare({compareFixtures + "lanternis-base", compareFixtures + "lanternis-same"});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_TRUE(contains(same.out, "\njob      (sum)         6.67218e+07     6.65423e+07       ~"))
        << same.out;
}

TEST(BenchreportCompare, JsonAndCsvCarryTheFigures) {
    const ProgramRun run = compare({"--json", "--alpha", "0.01", compareFixtures + "shardfall-base",
                                    compareFixtures + "shardfall-faster"});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["schema_version"], 1);
    EXPECT_EQ(doc["program"], "shardfall");
    EXPECT_EQ(doc["metric"], "triangles/s");
    EXPECT_EQ(doc["alpha"], 0.01);
    EXPECT_EQ(doc["job"]["significant"], true);
    EXPECT_NEAR(doc["job"]["change_percent"].get<double>(), 11.1, 2);
    ASSERT_EQ(doc["ranks"].size(), 2u);
    EXPECT_EQ(doc["ranks"][0]["frames_compared"], 13);
    EXPECT_EQ(doc["ranks"][1]["host"], "node-a");

    const ProgramRun csv = compare({"--csv", compareFixtures + "lanternis-base",
                                    compareFixtures + "lanternis-faster"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_TRUE(csv.out.starts_with(
        "rank,base_host,new_host,base,new,change_percent,p_value,significant,frames_compared,"
        "metric,test\n1,render01,render01,"))
        << csv.out;
    EXPECT_TRUE(contains(csv.out, "\njob,,,")) << csv.out;
    EXPECT_TRUE(contains(csv.out, "\ngeomean,,,,,")) << csv.out;
}

TEST(BenchreportCompare, TooFewFramesGiveNullAndANote) {
    // Rank 6 of the report fixture has 3 frames: 2 after the warm-up.
    const std::string file = std::string(RESULTS_FIXTURES) +
                             "/shardfall-job/results_shardfall_windows_mac_mx @ 6 of node-b @ "
                             "local date 2026.12.11 time 09.14.04.txt";
    const ProgramRun run = compare({"--json", file, file});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_TRUE(doc["ranks"][0]["p_value"].is_null());
    EXPECT_TRUE(doc["ranks"][0]["significant"].is_null());
    EXPECT_TRUE(doc["job"]["p_value"].is_null());
    EXPECT_EQ(doc["notes"][0], "rank 6: 2 steps compared, too few for a test (3 needed): no p-value");
}

TEST(BenchreportCompare, RefusesDifferentWorkUnlessForced) {
    const std::string base = compareFixtures + "lanternis-base";
    const ProgramRun refused = compare({base, compareFixtures + "lanternis-16bit"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "benchreport compare: refused: rank 1 draws 16777216 points per frame in base, "
              "65536 in new (another colour depth) (--force compares anyway)\n");
    const ProgramRun program = compare({base, compareFixtures + "shardfall-base"});
    EXPECT_EQ(program.status, 2);
    EXPECT_TRUE(contains(program.err, "different programs: base lanternis, new shardfall"));

    // Copies of one job whose job.json records different workload digests for rank 1.
    std::vector<std::string> copies;
    for (const char letter : {'a', 'b'}) {
        const std::string digest(64, letter);
        const fs::path copy = scratch() / std::string(1, letter);
        fs::remove_all(copy);
        fs::copy(compareFixtures + "shardfall-base", copy);
        auto job = nlohmann::json::parse(readAll(copy / "job.json"));
        job["displays"][0]["workload_digest"] = digest;
        std::ofstream(copy / "job.json") << job.dump();
        copies.push_back(copy.string());
    }
    const ProgramRun digests = compare(copies);
    EXPECT_EQ(digests.status, 2);
    EXPECT_EQ(digests.err, "benchreport compare: refused: rank 1 ran another workload: digest " +
                               std::string(64, 'a') + " in base, " + std::string(64, 'b') +
                               " in new (--force compares anyway)\n");

    const ProgramRun forced = compare({"--force", base, compareFixtures + "lanternis-16bit"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_TRUE(contains(forced.out, "\nNotes:\n  forced: rank 1 draws 16777216")) << forced.out;
}

TEST(BenchreportCompare, BadInput) {
    const fs::path empty = scratch() / "empty";
    fs::create_directories(empty);
    const std::string base = compareFixtures + "lanternis-base";
    const std::vector<std::vector<std::string>> usage{
        {base},
        {base, base, base},
        {"--alpha", "1.5", base, base},
        {"--csv", "--json", base, base},
        {"--plot", "x.pdf", base, base},
        {empty.string(), base},
        {base, "vs"}};
    for (const auto& args : usage) {
        const ProgramRun run = compare(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_TRUE(contains(run.err, "Usage: benchreport compare ")) << run.err;
        EXPECT_EQ(run.out, "");
    }
    // A malformed file is named with its line; the rest is compared.
    const std::string job = std::string(RESULTS_FIXTURES) + "/shardfall-job";
    const ProgramRun malformed = compare({job, "vs", job});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_TRUE(contains(malformed.err, "09.14.03.txt:16: expected \"It was: <number> Angles/sec.\""))
        << malformed.err;
    EXPECT_TRUE(contains(malformed.out, "\njob ")) << malformed.out;
    EXPECT_EQ(compare({"--help"}).status, 0);
}

TEST(BenchreportCompare, PlotsBothJobsOnOneFigure) {
    if (std::system("command -v gnuplot >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gnuplot";
    const struct {
        std::string base, next, title;
    } cases[] = {{"shardfall-base", "shardfall-faster", "Rate against batch size"},
                 {"lanternis-base", "lanternis-faster", "Frame-time distribution"}};
    for (const auto& c : cases) {
        const fs::path svg = scratch() / (c.base + ".svg");
        fs::remove(svg);
        const ProgramRun run =
            compare({"--plot", svg.string(), compareFixtures + c.base, compareFixtures + c.next});
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string plot = readAll(svg);
        EXPECT_TRUE(contains(plot, c.title)) << c.base;
        EXPECT_TRUE(contains(plot, "base rank 1 @ ")) << c.base;
        EXPECT_TRUE(contains(plot, "new rank 2 @ ")) << c.base;
    }
}
