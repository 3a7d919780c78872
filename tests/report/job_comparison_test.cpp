// Comparing fixture jobs drawn from known distributions (tests/fixtures/compare/generate.py):
// a clear speed-up, one distribution twice, another colour depth, shardfall jobs of
// different lengths, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "job_comparison.h"
#include "job_files.h"
#include "report_fixtures.h"

namespace {

// The fixture job folder read as benchreport compare reads a side.
ComparedJob comparedJob(const std::string& name) {
    JobFiles files = readJobFiles({(std::filesystem::path(COMPARE_FIXTURES) / name).string()});
    ComparedJob job;
    job.label = name;
    job.metadata = files.metadata;
    job.report = assembleReport(std::move(files.parsed), job.metadata);
    return job;
}

bool anyContains(const std::vector<std::string>& lines, const std::string& piece) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(piece) != std::string::npos; });
}

}  // namespace

TEST(JobComparison, FindsAClearSpeedUpOfAboutTheRightSize) {
    // New frames take 0.8 of the base time: rates 25 % higher.
    const Comparison c =
        compareJobs(comparedJob("lanternis-base"), comparedJob("lanternis-faster"), 0.05);
    EXPECT_EQ(c.test, CompareTest::MannWhitneyU);
    ASSERT_EQ(c.ranks.size(), 2u);
    for (const RankComparison& r : c.ranks) {
        EXPECT_EQ(r.framesCompared, 9u);  // 10 frames, the first left out
        EXPECT_NEAR(*r.changePercent, 25, 3) << r.rank;
        EXPECT_TRUE(r.significant) << r.rank;
        EXPECT_LT(*r.pValue, 0.001);
    }
    EXPECT_NEAR(*c.job.changePercent, 25, 3);
    EXPECT_TRUE(c.job.significant);
    EXPECT_NEAR(*c.job.baseRate, *c.ranks[0].baseRate + *c.ranks[1].baseRate, 1e-6);
    EXPECT_NEAR(*c.job.geomeanChangePercent, 25, 3);
    // Another host and renderer are context, not a reason to refuse.
    EXPECT_TRUE(anyContains(c.context, "rank 2: host render01 -> render02"));
    EXPECT_TRUE(anyContains(c.context, "GL renderer llvmpipe"));
    EXPECT_TRUE(workDifferences(comparedJob("lanternis-base"), comparedJob("lanternis-faster"))
                    .empty());
}

TEST(JobComparison, OneDistributionTwiceIsNotSignificant) {
    const Comparison c =
        compareJobs(comparedJob("lanternis-base"), comparedJob("lanternis-same"), 0.05);
    for (const RankComparison& r : c.ranks) {
        EXPECT_FALSE(r.significant) << r.rank;
        EXPECT_GT(*r.pValue, 0.05) << r.rank;
        EXPECT_NEAR(*r.changePercent, 0, 3) << r.rank;
    }
    EXPECT_FALSE(c.job.significant);
}

TEST(JobComparison, ShardfallJobsAreComparedOnTheirCommonStepsOnly) {
    // Base ran 14 frames, new 18 at 0.9 of the base time: the steps both drew are 2 to 14.
    const ComparedJob base = comparedJob("shardfall-base"), next = comparedJob("shardfall-faster");
    const Comparison c = compareJobs(base, next, 0.05);
    EXPECT_EQ(c.test, CompareTest::SignedRank);
    ASSERT_EQ(c.ranks.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const RankComparison& r = c.ranks[i];
        EXPECT_EQ(r.framesCompared, 13u);
        double triangles = 0, baseTime = 0, newTime = 0;
        for (std::size_t f = 1; f < 14; ++f) {
            triangles += static_cast<double>(base.report.ranks[i].run.frames[f].triangles);
            baseTime += base.report.ranks[i].run.frames[f].frameTime;
            newTime += next.report.ranks[i].run.frames[f].frameTime;
        }
        EXPECT_NEAR(*r.baseRate, triangles / baseTime, 1e-9 * triangles / baseTime);
        EXPECT_NEAR(*r.newRate, triangles / newTime, 1e-9 * triangles / newTime);
        EXPECT_NEAR(*r.changePercent, 100.0 / 0.9 - 100, 2);
        EXPECT_TRUE(r.significant);
    }
    EXPECT_EQ(c.job.positions, 13u);
    EXPECT_TRUE(c.job.significant);
    EXPECT_TRUE(anyContains(c.notes, "rank 1: 14 measured frames in base, 18 in new"));
}

TEST(JobComparison, RefusesDifferentWorkWithOneLineNamingIt) {
    const ComparedJob base = comparedJob("lanternis-base");
    const std::vector<std::string> depth = workDifferences(base, comparedJob("lanternis-16bit"));
    ASSERT_FALSE(depth.empty());
    EXPECT_EQ(depth.front(),
              "rank 1 draws 16777216 points per frame in base, 65536 in new (another colour "
              "depth)");
    const std::vector<std::string> program = workDifferences(base, comparedJob("shardfall-base"));
    ASSERT_EQ(program.size(), 1u);
    EXPECT_EQ(program.front(), "the jobs ran different programs: base lanternis, new shardfall");

    // Digests: refused when both jobs record one and they differ; absent is nothing to refuse.
    ComparedJob a = comparedJob("shardfall-base"), b = comparedJob("shardfall-faster");
    EXPECT_TRUE(workDifferences(a, b).empty());
    a.metadata[0].displays[1].workloadDigest = std::string(64, 'a');
    EXPECT_TRUE(workDifferences(a, b).empty());
    b.metadata[0].displays[1].workloadDigest = std::string(64, 'a');
    EXPECT_TRUE(workDifferences(a, b).empty());
    b.metadata[0].displays[1].workloadDigest = std::string(64, 'b');
    const std::vector<std::string> digest = workDifferences(a, b);
    ASSERT_EQ(digest.size(), 1u);
    EXPECT_EQ(digest.front(), "rank 2 ran another workload: digest " + std::string(64, 'a') +
                                  " in base, " + std::string(64, 'b') + " in new");
}

TEST(JobComparison, TooFewCommonFramesGiveNoPValueAndANote) {
    ComparedJob base = comparedJob("lanternis-base"), next = comparedJob("lanternis-same");
    for (ComparedJob* job : {&base, &next}) {
        for (RankReport& rank : job->report.ranks) rank.run.frames.resize(3);
    }
    const Comparison c = compareJobs(base, next, 0.05);
    for (const RankComparison& r : c.ranks) {
        EXPECT_EQ(r.framesCompared, 2u);
        EXPECT_FALSE(r.pValue);
        EXPECT_FALSE(r.significant);
        EXPECT_TRUE(r.changePercent);
    }
    EXPECT_FALSE(c.job.pValue);
    EXPECT_TRUE(anyContains(c.notes, "rank 1: 2 frames compared, too few for a test"));
    EXPECT_TRUE(anyContains(c.notes, "job: 2 frames compared, too few for a test"));
}
