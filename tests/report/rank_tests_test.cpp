// The comparison's rank tests against published values (R's wilcox.test examples, from
// Hollander & Wolfe) and values computed independently (full enumeration of the exact
// distributions, the normal approximation through Python's statistics.NormalDist).
#include <gtest/gtest.h>

#include "rank_tests.h"

TEST(RankTests, MannWhitneyUMatchesPublishedAndIndependentValues) {
    struct Case {
        const char* name;
        std::vector<double> a, b;
        double u, p;
        bool exact;
    };
    const std::vector<Case> cases{
        // R: wilcox.test(x, y, alternative = "greater") gives W = 35, p = 0.1272.
        {"published, exact",
         {0.80, 0.83, 1.89, 1.04, 1.45, 1.38, 1.91, 1.64, 0.73, 1.46},
         {1.15, 0.88, 0.90, 0.74, 1.21},
         35,
         0.2544122544122544,
         true},
        {"ties, normal approximation",
         {1, 2, 2, 3, 4, 4, 4, 5},
         {3, 4, 5, 5, 6, 6, 7},
         8,
         0.021920655864769545,
         false},
        {"fully apart, exact", {1, 2, 3}, {4, 5, 6}, 0, 0.1, true},
    };
    for (const Case& c : cases) {
        const auto outcome = mannWhitneyU(c.a, c.b);
        ASSERT_TRUE(outcome) << c.name;
        EXPECT_DOUBLE_EQ(outcome->statistic, c.u) << c.name;
        EXPECT_NEAR(outcome->pValue, c.p, 1e-12) << c.name;
        EXPECT_EQ(outcome->exact, c.exact) << c.name;
        EXPECT_NEAR(mannWhitneyU(c.b, c.a)->pValue, c.p, 1e-12) << c.name << " swapped";
    }
    EXPECT_FALSE(mannWhitneyU({1, 2}, {3, 4, 5}));
}

TEST(RankTests, MannWhitneyUExactAndApproximateAgreeOnLargeSamples) {
    // 50 + 50 values, no ties: the exact path; one value more takes the approximation.
    std::vector<double> a, b;
    for (int i = 0; i < 50; ++i) {
        a.push_back(2 * i + (i % 3 == 0 ? 1.5 : 0));
        b.push_back(2 * i + 1 + (i % 4 == 0 ? 3.25 : 0));
    }
    const auto exact = mannWhitneyU(a, b);
    ASSERT_TRUE(exact && exact->exact);
    b.push_back(1000);
    a.push_back(999);
    const auto approximate = mannWhitneyU(a, b);
    ASSERT_TRUE(approximate && !approximate->exact);
    EXPECT_GT(exact->pValue, 0.05);
    EXPECT_NEAR(exact->pValue, approximate->pValue, 0.05);
}

TEST(RankTests, SignedRankMatchesPublishedAndIndependentValues) {
    // R: wilcox.test(x, y, paired = TRUE, alternative = "greater") gives V = 40, p = 0.01953.
    const std::vector<double> x{1.83, 0.50, 1.62, 2.48, 1.68, 1.88, 1.55, 3.06, 1.30};
    const std::vector<double> y{0.878, 0.647, 0.598, 2.05, 1.06, 1.29, 1.06, 3.14, 1.29};
    std::vector<double> d;
    for (std::size_t i = 0; i < x.size(); ++i) d.push_back(x[i] - y[i]);
    const auto published = signedRank(d);
    ASSERT_TRUE(published);
    EXPECT_DOUBLE_EQ(published->statistic, 40);
    EXPECT_NEAR(published->pValue, 0.0390625, 1e-12);
    EXPECT_TRUE(published->exact);

    // A zero dropped and tied sizes: the normal approximation.
    const auto tied = signedRank({0.5, -0.5, 1.0, 1.0, 2.0, 0.0, 1.5, 2.0, -0.25, 3.0});
    ASSERT_TRUE(tied);
    EXPECT_DOUBLE_EQ(tied->statistic, 41.5);
    EXPECT_NEAR(tied->pValue, 0.027986088969632616, 1e-12);
    EXPECT_FALSE(tied->exact);

    EXPECT_FALSE(signedRank({1, 2}));
    EXPECT_DOUBLE_EQ(signedRank({0, 0, 0, 0})->pValue, 1);
}

TEST(RankTests, SmallestPossiblePAndGeometricMean) {
    EXPECT_DOUBLE_EQ(smallestMannWhitneyP(3, 3), 0.1);
    EXPECT_DOUBLE_EQ(smallestMannWhitneyP(10, 5), 2.0 / 3003);
    EXPECT_DOUBLE_EQ(smallestSignedRankP(5), 0.0625);
    EXPECT_NEAR(*geometricMean({1.1, 1.2, 0.9}), 1.059104500597819, 1e-14);
    EXPECT_FALSE(geometricMean({}));
    EXPECT_FALSE(geometricMean({1.0, 0.0}));
}
