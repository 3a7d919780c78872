#include "rank_tests.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <numeric>

namespace {

struct Ranked {
    std::vector<double> ranks;  // 1-based, midranks for ties
    double tieSum = 0;          // sum of t^3 - t over the groups of t tied values
};

Ranked rankOf(const std::vector<double>& values) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t x, std::size_t y) { return values[x] < values[y]; });
    Ranked out;
    out.ranks.resize(values.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t j = i;
        while (j + 1 < order.size() && values[order[j + 1]] == values[order[i]]) ++j;
        const double midrank = (static_cast<double>(i + j) / 2) + 1;
        for (std::size_t k = i; k <= j; ++k) out.ranks[order[k]] = midrank;
        const double t = static_cast<double>(j - i + 1);
        out.tieSum += t * t * t - t;
        i = j + 1;
    }
    return out;
}

double twoSidedNormal(double statistic, double mean, double variance) {
    if (!(variance > 0)) return 1;
    const double z = std::max(0.0, std::fabs(statistic - mean) - 0.5) / std::sqrt(variance);
    const boost::math::normal standard;
    return std::min(1.0, 2 * boost::math::cdf(boost::math::complement(standard, z)));
}

// Two-sided p from the counts of a discrete distribution over 0..counts.size()-1.
double twoSidedExact(const std::vector<double>& counts, double statistic) {
    const double total = std::accumulate(counts.begin(), counts.end(), 0.0);
    double below = 0, above = 0;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        const double value = static_cast<double>(v);
        if (value <= statistic + 1e-9) below += counts[v];
        if (value >= statistic - 1e-9) above += counts[v];
    }
    return std::min(1.0, 2 * std::min(below, above) / total);
}

// Number of ways to pick n1 of n1 + n2 ordered places with rank sum minus its least value
// equal to u, for every u from 0 to n1 * n2.
std::vector<double> uCounts(std::size_t n1, std::size_t n2) {
    const std::size_t top = n1 * n2;
    // ways[j][u]: j places chosen so far, u = sum of (place - j') over the chosen ones.
    std::vector<std::vector<double>> ways(n1 + 1, std::vector<double>(top + 1, 0));
    ways[0][0] = 1;
    for (std::size_t place = 0; place < n1 + n2; ++place) {
        for (std::size_t j = std::min(n1, place + 1); j >= 1; --j) {
            // The j-th chosen place at position `place` lies place - (j - 1) above its least.
            const std::size_t shift = place - (j - 1);
            if (shift > n2) continue;
            for (std::size_t u = top; u + 1 > shift; --u) ways[j][u] += ways[j - 1][u - shift];
        }
    }
    return ways[n1];
}

// Number of subsets of {1..n} for every sum from 0 to n(n+1)/2.
std::vector<double> signedRankCounts(std::size_t n) {
    const std::size_t top = n * (n + 1) / 2;
    std::vector<double> ways(top + 1, 0);
    ways[0] = 1;
    for (std::size_t k = 1; k <= n; ++k) {
        for (std::size_t s = top; s >= k; --s) ways[s] += ways[s - k];
    }
    return ways;
}

}  // namespace

std::optional<TestOutcome> mannWhitneyU(const std::vector<double>& a,
                                        const std::vector<double>& b) {
    if (a.size() < minTestValues || b.size() < minTestValues) return std::nullopt;
    std::vector<double> both(a);
    both.insert(both.end(), b.begin(), b.end());
    const Ranked ranked = rankOf(both);
    const double n1 = static_cast<double>(a.size()), n2 = static_cast<double>(b.size());
    const double rankSum = std::accumulate(ranked.ranks.begin(), ranked.ranks.begin() +
                                           static_cast<std::ptrdiff_t>(a.size()), 0.0);
    TestOutcome out;
    out.statistic = rankSum - n1 * (n1 + 1) / 2;
    if (ranked.tieSum == 0 && both.size() <= 100) {
        out.exact = true;
        out.pValue = twoSidedExact(uCounts(a.size(), b.size()), out.statistic);
        return out;
    }
    const double n = n1 + n2;
    const double variance = n1 * n2 / 12 * ((n + 1) - ranked.tieSum / (n * (n - 1)));
    out.pValue = twoSidedNormal(out.statistic, n1 * n2 / 2, variance);
    return out;
}

std::optional<TestOutcome> signedRank(const std::vector<double>& differences) {
    std::vector<double> sizes, signs;
    for (double d : differences) {
        if (d == 0) continue;
        sizes.push_back(std::fabs(d));
        signs.push_back(d > 0 ? 1 : 0);
    }
    if (differences.size() < minTestValues) return std::nullopt;
    TestOutcome out;
    // Pairs that (nearly) all agree exactly hold no evidence of a change.
    if (sizes.size() < minTestValues) return out;
    const Ranked ranked = rankOf(sizes);
    for (std::size_t i = 0; i < sizes.size(); ++i) out.statistic += signs[i] * ranked.ranks[i];
    const bool zeros = sizes.size() != differences.size();
    if (!zeros && ranked.tieSum == 0 && sizes.size() < 50) {
        out.exact = true;
        out.pValue = twoSidedExact(signedRankCounts(sizes.size()), out.statistic);
        return out;
    }
    const double n = static_cast<double>(sizes.size());
    const double variance = n * (n + 1) * (2 * n + 1) / 24 - ranked.tieSum / 48;
    out.pValue = twoSidedNormal(out.statistic, n * (n + 1) / 4, variance);
    return out;
}

double smallestMannWhitneyP(std::size_t n1, std::size_t n2) {
    // 2 / C(n1 + n2, n1), the two extreme arrangements.
    double combinations = 1;
    for (std::size_t k = 1; k <= n1; ++k)
        combinations = combinations * static_cast<double>(n2 + k) / static_cast<double>(k);
    return std::min(1.0, 2 / combinations);
}

double smallestSignedRankP(std::size_t n) {
    return std::min(1.0, 2 / std::exp2(static_cast<double>(n)));
}

std::optional<double> geometricMean(const std::vector<double>& values) {
    if (values.empty()) return std::nullopt;
    double logs = 0;
    for (double v : values) {
        if (!(v > 0) || !std::isfinite(v)) return std::nullopt;
        logs += std::log(v);
    }
    return std::exp(logs / static_cast<double>(values.size()));
}
