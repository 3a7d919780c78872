// Figures over the ranks of a job, and what job.json adds to them.
#include <gtest/gtest.h>

#include "job_metadata.h"
#include "job_report.h"
#include "report_fixtures.h"
#include "report_formats.h"

TEST(JobReport, FiguresOverTheRanksOfAShardfallJob) {
    const Report report = fixtureReport("shardfall-job");
    // Rank 5 is malformed; the other five are reported, by rank.
    std::vector<int> ranks;
    for (const RankReport& rank : report.ranks) ranks.push_back(rank.run.rank);
    EXPECT_EQ(ranks, (std::vector<int>{1, 2, 3, 4, 6}));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].file.find(" @ 5 of node-b"), std::string::npos);
    EXPECT_EQ(report.failures[0].line, 16u);
    EXPECT_NE(failureText(report.failures[0])
                  .find(".txt:16: expected \"It was: <number> Angles/sec.\", "
                        "found \"It was: 100 Triangles/sec.\""),
              std::string::npos)
        << failureText(report.failures[0]);

    // Rates: 123.529, 107.143, 3.79583e+06 (summaries), 10 / 0.11 (frames), 80 (summary).
    const JobFigures& job = report.job;
    EXPECT_EQ(job.program, Program::Shardfall);
    EXPECT_EQ(job.ranks, 5u);
    ASSERT_TRUE(job.rates);
    EXPECT_EQ(job.rates->count, 5u);
    EXPECT_TRUE(near(job.rates->sum, 123.529 + 107.143 + 3.79583e+06 + 10 / 0.11 + 80));
    EXPECT_EQ(job.rates->min, 80);
    EXPECT_EQ(job.rates->median, 107.143);
    EXPECT_EQ(job.rates->max, 3.79583e+06);
    EXPECT_TRUE(near(*job.rates->imbalance, 3.79583e+06 / 80));
    EXPECT_EQ(job.slowestRank, 6);
    EXPECT_EQ(job.slowestHost, "node-b");

    EXPECT_EQ(report.ranks[2].glRenderer, "Mesa Intel(R) UHD Graphics 630 (CFL GT2)");
    EXPECT_EQ(report.ranks[0].glRenderer, "llvmpipe (LLVM 15.0.6, 256 bits)");
    // job.json counts 8 processes: rank 7 has no file; rank 5's failed file is not missing.
    EXPECT_EQ(report.jobNotes,
              (std::vector<std::string>{"job.json counts 8 processes; no results for rank 7"}));
}

TEST(JobReport, HostFiguresGroupTheRanksOfEachHost) {
    // node-a: ranks 1 and 2; node-b: ranks 3, 4 and 6 (rank 5's file failed).
    const JobFigures shardfall = fixtureReport("shardfall-job").job;
    ASSERT_EQ(shardfall.hosts.size(), 2u);
    const HostFigures& a = shardfall.hosts[0];
    const HostFigures& b = shardfall.hosts[1];
    EXPECT_EQ(a.host, "node-a");
    EXPECT_EQ(a.ranks, 2u);
    ASSERT_TRUE(a.rates);
    EXPECT_TRUE(near(a.rates->sum, 123.529 + 107.143));
    EXPECT_EQ(a.rates->min, 107.143);
    EXPECT_EQ(a.rates->max, 123.529);
    EXPECT_EQ(b.host, "node-b");
    EXPECT_EQ(b.ranks, 3u);
    ASSERT_TRUE(b.rates);
    EXPECT_TRUE(near(b.rates->sum, 3.79583e+06 + 10 / 0.11 + 80));
    EXPECT_EQ(b.rates->min, 80);
    EXPECT_EQ(b.rates->max, 3.79583e+06);
    // The slowest rank is on node-b, but node-a's ranks have the lower mean rate.
    EXPECT_EQ(shardfall.slowestHost, "node-b");
    EXPECT_EQ(shardfall.slowestOfHosts, 0u);

    // render02's rank 3 has no frames: counted among its ranks, not in its rates.
    const JobFigures lanternis = fixtureReport("lanternis-job").job;
    ASSERT_EQ(lanternis.hosts.size(), 2u);
    EXPECT_EQ(lanternis.hosts[1].host, "render02");
    EXPECT_EQ(lanternis.hosts[1].ranks, 2u);
    ASSERT_TRUE(lanternis.hosts[1].rates);
    EXPECT_EQ(lanternis.hosts[1].rates->count, 1u);
    EXPECT_EQ(lanternis.hosts[1].rates->sum, 2.3141e+07);
    EXPECT_EQ(lanternis.slowestOfHosts, 1u);
}

TEST(JobReport, ARankWithoutFramesHasNoRateAndIsNotTheSlowest) {
    const Report report = fixtureReport("lanternis-job");
    EXPECT_TRUE(report.failures.empty());
    const JobFigures& job = report.job;
    EXPECT_EQ(job.ranks, 3u);
    ASSERT_TRUE(job.rates);
    EXPECT_EQ(job.rates->count, 2u);
    EXPECT_EQ(job.rates->sum, 2.81497e+07 + 2.3141e+07);
    EXPECT_TRUE(near(*job.rates->imbalance, 2.81497e+07 / 2.3141e+07));
    EXPECT_EQ(job.slowestRank, 2);
    EXPECT_EQ(job.slowestHost, "render02");
    EXPECT_TRUE(report.jobNotes.empty());
}

TEST(JobReport, FilesOfBothProgramsOrOfOneRankTwiceAreNoted) {
    std::vector<ParsedFile> files(3);
    files[0].outcome = parseResults(fixtureText("shardfall-job", 1));
    files[1].outcome = parseResults(fixtureText("lanternis-job", 1));
    files[2].outcome = parseResults(fixtureText("lanternis-job", 1));
    const Report report = assembleReport(std::move(files), {});
    EXPECT_FALSE(report.job.program);
    EXPECT_FALSE(report.job.rates);
    EXPECT_EQ(report.jobNotes,
              (std::vector<std::string>{"rank 1 has 3 results files",
                                        "the files are of both programs: no job figures"}));
}

TEST(JobReport, RanksThatDrewDifferentWorkloadsAreWarnedAbout) {
    const std::string same = std::string(64, 'a');
    const std::string other = "0123456789ab" + std::string(52, 'f');
    auto metadata = [&](const std::string& digestOfRank3) {
        std::string displays;
        for (int rank : {1, 2, 3, 4, 6}) {
            const std::string digest = rank == 3 ? digestOfRank3 : same;
            displays += std::string(displays.empty() ? "" : ",") + R"({"rank": )" +
                        std::to_string(rank) + R"(, "fill_path": ")" +
                        (rank == 3 ? "sse2" : "avx512") + R"(", "workload_digest": ")" + digest +
                        R"("})";
        }
        return R"({"schema_version": 1, "program": "shardfall", "displays": [)" + displays + "]}";
    };

    const Report agreeing = fixtureReport("shardfall-job", metadata(same));
    EXPECT_EQ(agreeing.job.workloadDigest, same);
    EXPECT_TRUE(agreeing.jobNotes.empty());
    ASSERT_TRUE(agreeing.ranks[2].workload);
    EXPECT_EQ(agreeing.ranks[2].workload->fillPath, "sse2");
    const std::string table = formatTable(agreeing);
    const std::size_t line = table.find("\n  workload ");
    ASSERT_NE(line, std::string::npos) << table;
    EXPECT_EQ(table.substr(table.find_first_not_of(' ', line + 11), 67),
              "aaaaaaaaaaaa  (SHA-256 of the bytes drawn, the same on every rank)\n");
    const std::string json = formatJson(agreeing);
    EXPECT_NE(json.find("\"fill_path\": \"sse2\",\n      \"workload_digest\": \"" + same + "\""),
              std::string::npos);
    EXPECT_NE(json.find("\"workload_digest\": \"" + same + "\",\n    \"ranks_with_rate\""),
              std::string::npos)
        << json;

    const Report differing = fixtureReport("shardfall-job", metadata(other));
    EXPECT_FALSE(differing.job.workloadDigest);
    EXPECT_EQ(differing.jobNotes,
              (std::vector<std::string>{
                  "warning: the ranks drew different workloads, so their rates do not compare: "
                  "0123456789ab (sse2) on rank 3; aaaaaaaaaaaa (avx512) on rank 1, 2, 4, 6"}));

    // A job.json from before digests were recorded: nothing to say.
    EXPECT_FALSE(fixtureReport("shardfall-job").job.workloadDigest);
}

TEST(JobMetadata, ReadsTheRendererOfEachRank) {
    const JobMetadataOutcome outcome = parseJobJson(R"({"schema_version": 1, "program": "lanternis",
        "ranks": 3, "displays": [{"rank": 2, "host": "vm", "gl_renderer": "llvmpipe"},
                                 {"rank": 1, "host": "vm", "gl_renderer": "softpipe"}]})");
    EXPECT_TRUE(outcome.warnings.empty());
    EXPECT_EQ(outcome.metadata.program, "lanternis");
    EXPECT_EQ(outcome.metadata.ranks, 3);
    EXPECT_EQ(rendererOf(outcome.metadata, 1), "softpipe");
    EXPECT_EQ(rendererOf(outcome.metadata, 2), "llvmpipe");
    EXPECT_FALSE(rendererOf(outcome.metadata, 3));
}

TEST(JobMetadata, WhatCannotBeReadIsAWarningNotAFailure) {
    struct Case {
        std::string text;
        std::string warning;  // a piece of the first warning
        std::size_t displays;
    };
    const std::vector<Case> cases{
        {"", "not valid JSON", 0},
        {"{\"ranks\": 3,", "not valid JSON", 0},
        {"[1, 2]", "not a JSON object", 0},
        {R"({"schema_version": 2, "displays": []})", "schema_version is not 1", 0},
        {R"({"schema_version": 1, "ranks": "3"})", "\"ranks\" is not an integer", 0},
        {R"({"schema_version": 1, "ranks": 1e40})", "\"ranks\" is not an integer", 0},
        {R"({"schema_version": 1, "displays": {"rank": 1}})", "\"displays\" is not an array", 0},
        {R"({"schema_version": 1, "displays": [7, {"rank": 1.5}, {"rank": 2, "gl_renderer": 3}]})",
         "displays[0] is not an object", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const JobMetadataOutcome outcome = parseJobJson(c.text);
        ASSERT_FALSE(outcome.warnings.empty());
        EXPECT_NE(outcome.warnings[0].find(c.warning), std::string::npos) << outcome.warnings[0];
        EXPECT_EQ(outcome.metadata.displays.size(), c.displays);
    }
    // A renderer that is not text is left out, not guessed.
    EXPECT_FALSE(rendererOf(parseJobJson(cases.back().text).metadata, 2));
}
