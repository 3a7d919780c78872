// Frame-time distribution, average rates and their cross-check with the summary.
#include <gtest/gtest.h>

#include <numeric>

#include "report_fixtures.h"
#include "run_statistics.h"

namespace {

ResultsRun runOfTimes(Program program, const std::vector<double>& times) {
    ResultsRun run;
    run.program = program;
    run.rank = 1;
    run.host = "vm";
    for (double t : times) {
        FrameBlock frame;
        frame.frameTime = t;
        frame.triangles = 10;
        frame.anglesPerSec = 1 / t;
        frame.rate = (program == Program::Shardfall ? 10.0 : 4096.0) / t;
        run.frames.push_back(frame);
    }
    return run;
}

std::vector<double> oneTo(int n) {
    std::vector<double> values(static_cast<std::size_t>(n));
    std::iota(values.begin(), values.end(), 1.0);
    return values;
}

}  // namespace

TEST(RunStatistics, NearestRankPercentilesAndMedian) {
    struct Case {
        std::vector<double> sorted;
        double median, p95, p99;
    };
    const std::vector<Case> cases{
        {{7}, 7, 7, 7},
        {{1, 3}, 2, 3, 3},  // ceil(0.95 * 2) = 2
        {{1, 2, 3}, 2, 3, 3},
        {oneTo(20), 10.5, 19, 20},  // ceil(19.0) stays 19: no rounding up past an exact rank
        {oneTo(100), 50.5, 95, 99},
        {oneTo(101), 51, 96, 100},  // ceil(95.95) = 96, ceil(99.99) = 100
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sorted.size());
        EXPECT_EQ(medianOf(c.sorted), c.median);
        EXPECT_EQ(nearestRank(c.sorted, 95), c.p95);
        EXPECT_EQ(nearestRank(c.sorted, 99), c.p99);
        EXPECT_EQ(nearestRank(c.sorted, 0), c.sorted.front());
        EXPECT_EQ(nearestRank(c.sorted, 100), c.sorted.back());
    }
}

TEST(RunStatistics, SpreadNeedsTwoValuesForItsDeviation) {
    EXPECT_FALSE(spreadOf({}));
    const Spread one = *spreadOf({0.5});
    EXPECT_EQ(one.count, 1u);
    EXPECT_EQ(one.min, 0.5);
    EXPECT_EQ(one.max, 0.5);
    EXPECT_FALSE(one.stddev);
    EXPECT_FALSE(one.cv);
    // Unsorted input; sample deviation of {1, 3} is sqrt(2).
    const Spread two = *spreadOf({3, 1});
    EXPECT_EQ(two.min, 1);
    EXPECT_EQ(two.median, 2);
    EXPECT_DOUBLE_EQ(*two.stddev, std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(*two.cv, std::sqrt(2.0) / 2);
}

TEST(RunStatistics, TheFirstFrameIsShownButLeftOutOfTheDistribution) {
    // 1 frame: nothing left to spread; 2 frames: the second frame alone.
    const RankFigures one = rankFiguresOf(runOfTimes(Program::Shardfall, {0.5}));
    EXPECT_EQ(one.firstFrameTime, 0.5);
    EXPECT_FALSE(one.spread);
    EXPECT_EQ(one.totalTime, 0.5);

    const RankFigures two = rankFiguresOf(runOfTimes(Program::Shardfall, {0.5, 0.25}));
    EXPECT_EQ(two.firstFrameTime, 0.5);
    ASSERT_TRUE(two.spread);
    EXPECT_EQ(two.spread->count, 1u);
    EXPECT_EQ(two.spread->median, 0.25);
    EXPECT_EQ(two.spread->p99, 0.25);
    EXPECT_EQ(two.totalTime, 0.75);

    const RankFigures none = rankFiguresOf(runOfTimes(Program::Shardfall, {}));
    EXPECT_FALSE(none.firstFrameTime);
    EXPECT_FALSE(none.spread);
    EXPECT_TRUE(std::isnan(none.averageAngles));
}

TEST(RunStatistics, FiguresOfACompleteRun) {
    // Times 0.05 | 0.02 0.01 0.04 0.03 0.02, triangles 1 to 6.
    const ResultsRun run = fixtureRun("shardfall-job", 1);
    const RankFigures f = rankFiguresOf(run);
    EXPECT_EQ(f.frames, 6u);
    EXPECT_TRUE(near(f.totalTime, 0.17));
    EXPECT_EQ(f.firstFrameTime, 0.05);
    ASSERT_TRUE(f.spread);
    EXPECT_EQ(f.spread->count, 5u);
    EXPECT_EQ(f.spread->min, 0.01);
    EXPECT_EQ(f.spread->median, 0.02);
    EXPECT_EQ(f.spread->p95, 0.04);
    EXPECT_EQ(f.spread->max, 0.04);
    EXPECT_TRUE(near(f.spread->mean, 0.024));
    EXPECT_TRUE(near(*f.spread->stddev, std::sqrt(130e-6)));
    EXPECT_TRUE(near(*f.spread->cv, std::sqrt(130e-6) / 0.024));
    EXPECT_EQ(f.trianglesTotal, 21);
    // The summary's printed values, not recomputed ones.
    EXPECT_TRUE(f.ratesFromSummary);
    EXPECT_EQ(f.averageAngles, 35.2941);
    EXPECT_EQ(f.averageRate, 123.529);
    EXPECT_TRUE(f.disagreements.empty());
}

TEST(RunStatistics, FortySevenRoundedTimesStillAgreeWithTheSummary) {
    const RankFigures f = rankFiguresOf(fixtureRun("shardfall-job", 3));
    EXPECT_TRUE(f.disagreements.empty()) << f.disagreements.front();
    EXPECT_TRUE(near(f.totalTime, 7.54367, 1e-5));
    EXPECT_EQ(f.averageRate, 3.79583e+06);
}

TEST(RunStatistics, AnIncompleteRunGetsItsRatesFromTheFrames) {
    // shardfall: 4 frames of 0.03 0.02 0.02 0.04 s and 1 + 2 + 3 + 4 triangles.
    const RankFigures shardfall = rankFiguresOf(fixtureRun("shardfall-job", 4));
    EXPECT_FALSE(shardfall.ratesFromSummary);
    EXPECT_TRUE(near(shardfall.averageAngles, 4 / 0.11));
    EXPECT_TRUE(near(shardfall.averageRate, 10 / 0.11));

    // lanternis: the points of a frame come from printed rate x printed time, a power of two.
    ResultsRun lanternis = fixtureRun("lanternis-job", 1);
    lanternis.summary.reset();
    const RankFigures f = rankFiguresOf(lanternis);
    EXPECT_EQ(f.verticesPerFrame, 16777216.0);
    EXPECT_TRUE(near(f.averageRate, 16777216.0 * 5 / 2.98));
    EXPECT_TRUE(near(f.averageRate, 2.81497e+07, 5e-6));  // what the summary printed
}

TEST(RunStatistics, ASummaryThatDisagreesWithTheFramesIsNoted) {
    ResultsRun run = fixtureRun("shardfall-job", 1);
    run.summary->totalTime = 0.18;  // the frames add up to 0.17
    EXPECT_EQ(rankFiguresOf(run).disagreements.size(), 1u);

    // A frame lost with the same total: only the summary's frame count tells.
    run = fixtureRun("shardfall-job", 1);
    run.frames.pop_back();
    run.frames.back().frameTime += 0.02;
    const RankFigures f = rankFiguresOf(run);
    ASSERT_EQ(f.disagreements.size(), 1u);
    EXPECT_NE(f.disagreements[0].find("implies 6 frames, the file holds 5"), std::string::npos)
        << f.disagreements[0];
}

TEST(RunStatistics, PrintedNumbersAgreeWithinTheirSixthDigit) {
    EXPECT_TRUE(agreesInPrint(8.1515, 8.15149999));
    EXPECT_TRUE(agreesInPrint(1.23457e+06, 1234565.0));
    EXPECT_FALSE(agreesInPrint(1.23457e+06, 1234600.0));
    EXPECT_TRUE(agreesInPrint(0, 0));
    EXPECT_TRUE(agreesInPrint(NAN, NAN));
    EXPECT_FALSE(agreesInPrint(NAN, 0));
}

TEST(RunStatistics, RatesOverRanks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const RateFigures r = *rateFiguresOf({200, nan, 50, 100, 400});
    EXPECT_EQ(r.count, 4u);
    EXPECT_EQ(r.sum, 750);
    EXPECT_EQ(r.min, 50);
    EXPECT_EQ(r.median, 150);
    EXPECT_EQ(r.max, 400);
    EXPECT_EQ(r.imbalance, 8);
    EXPECT_EQ(r.slowest, 2u);

    EXPECT_EQ(rateFiguresOf({0, 10})->imbalance, std::nullopt);
    EXPECT_EQ(rateFiguresOf({42})->imbalance, 1);
    EXPECT_FALSE(rateFiguresOf({nan, INFINITY}));
    EXPECT_FALSE(rateFiguresOf({}));
}
