// Two-sided rank tests for comparing two jobs, and the geometric mean of ratios.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

struct TestOutcome {
    double statistic = 0;  // U of the first sample, or W+ (sum of the positive ranks)
    double pValue = 1;     // two-sided
    bool exact = false;    // exact distribution, else normal approximation
};

// Fewer values than this in a sample (or pairs with a non-zero difference) give no test.
inline constexpr std::size_t minTestValues = 3;

// Mann-Whitney U test of two independent samples. Exact without ties when the samples hold
// at most 100 values together; otherwise the normal approximation with tie and continuity
// corrections. Absent when a sample has fewer than minTestValues values.
std::optional<TestOutcome> mannWhitneyU(const std::vector<double>& a, const std::vector<double>& b);

// Wilcoxon signed-rank test of paired differences. Zero differences are dropped. Exact when
// no difference was zero, no two absolute differences tie and fewer than 50 remain;
// otherwise the normal approximation with tie and continuity corrections. Absent for fewer
// than minTestValues differences; p is 1 when fewer than that are not zero.
std::optional<TestOutcome> signedRank(const std::vector<double>& differences);

// Smallest two-sided p-value the tests can give for these sizes (exact, no ties).
double smallestMannWhitneyP(std::size_t n1, std::size_t n2);
double smallestSignedRankP(std::size_t n);

// exp(mean(log v)); absent when empty or a value is not above 0.
std::optional<double> geometricMean(const std::vector<double>& values);
