#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "number_fill.h"

namespace {

constexpr std::int64_t fullCount = 67'108'864;

double referenceAt(std::int64_t i) {
    const double x = static_cast<double>(i);
    return (std::sin(x) + std::cos(x)) * std::tan(x);
}

// Distance in representable doubles; +0 and -0 are one apart, which is fine here.
std::uint64_t ulpDistance(double a, double b) {
    auto ordered = [](double d) {
        const auto bits = std::bit_cast<std::int64_t>(d);
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t oa = ordered(a);
    const std::int64_t ob = ordered(b);
    return oa > ob ? static_cast<std::uint64_t>(oa) - static_cast<std::uint64_t>(ob)
                   : static_cast<std::uint64_t>(ob) - static_cast<std::uint64_t>(oa);
}

// Allowed |got - want| at i. Each side gets sin, cos and tan within 1 ulp (at most
// eps * |value|, eps = 2^-52) and rounds the sum and the product once. With m = max(|sin|, |cos|)
// and sum = sin + cos, one side's error is then at most eps * |tan| * (2m + 2|sum|): 2m from the
// two terms, which does not shrink when the sum cancels near x = 3pi/4 + k*pi (so a plain ulp
// count of the result is unbounded there), and |sum| each from tan, the sum's rounding and the
// product's rounding. Two sides differ by at most twice that.
double tolerance(std::int64_t i) {
    const double x = static_cast<double>(i);
    const double s = std::sin(x);
    const double c = std::cos(x);
    const double m = std::max(std::fabs(s), std::fabs(c));
    return 4.0 * 0x1p-52 * std::fabs(std::tan(x)) * (m + std::fabs(s + c));
}

std::vector<FillPath> supportedPaths() {
    std::vector<FillPath> paths;
    for (FillPath path : allFillPaths) {
        if (fillPathSupported(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

// The whole buffer through the best path, filled once for the tests that read all of it.
const double* bestFill() {
    static const std::unique_ptr<double[]> numbers = [] {
        auto buffer = std::make_unique_for_overwrite<double[]>(fullCount);
        fillNumbers(buffer.get(), fullCount, bestFillPath());
        return buffer;
    }();
    return numbers.get();
}

TEST(NumberFill, EveryPathWritesTheSameBytesOverTheWholeBuffer) {
    const double* want = bestFill();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(want[0]), 0u) << "element 0 must be +0.0";
    auto got = std::make_unique_for_overwrite<double[]>(fullCount);
    for (FillPath path : supportedPaths()) {
        if (path == bestFillPath()) {
            continue;
        }
        fillNumbers(got.get(), fullCount, path);
        if (std::memcmp(got.get(), want, fullCount * sizeof(double)) == 0) {
            continue;
        }
        std::int64_t differing = 0;
        std::int64_t first = -1;
        for (std::int64_t i = 0; i < fullCount; ++i) {
            if (std::bit_cast<std::uint64_t>(got[i]) != std::bit_cast<std::uint64_t>(want[i])) {
                first = first < 0 ? i : first;
                ++differing;
            }
        }
        ADD_FAILURE() << fillPathName(path) << " differs from " << fillPathName(bestFillPath())
                      << " in " << differing << " elements, first at " << first;
    }
}

TEST(NumberFill, FollowsTheExpressionAsTheCLibraryDoes) {
    const double* got = bestFill();
    std::vector<std::int64_t> sample;
    for (std::int64_t i = 0; i < 768; ++i) {
        sample.push_back(i);
    }
    // A prime stride walks every lane position; the last block covers the final vectors.
    for (std::int64_t i = 768; i < fullCount; i += 4099) {
        sample.push_back(i);
    }
    for (std::int64_t i = fullCount - 768; i < fullCount; ++i) {
        sample.push_back(i);
    }
    // A deep cancellation of the sum (about 2 million ulp of a near-zero result), an argument
    // near a pole of tan, and a gap of several ulp between libraries with no cancellation.
    for (std::int64_t i : {58179851, 52129453, 2382, 74485}) {
        sample.push_back(i);
    }

    // Reported, not asserted: the ulp gap where the sum does not cancel, and how much of the
    // tolerance the worst element used.
    std::uint64_t maxUlp = 0;
    double maxShare = 0.0;
    for (std::int64_t i : sample) {
        const double want = referenceAt(i);
        ASSERT_LE(std::fabs(got[i] - want), tolerance(i))
            << "i = " << i << " got " << got[i] << " want " << want << " ("
            << ulpDistance(got[i], want) << " ulp)";
        const double x = static_cast<double>(i);
        const double larger = std::max(std::fabs(std::sin(x)), std::fabs(std::cos(x)));
        if (std::fabs(std::sin(x) + std::cos(x)) >= 0.5 * larger) {
            maxUlp = std::max(maxUlp, ulpDistance(got[i], want));
        }
        maxShare = std::max(maxShare, std::fabs(got[i] - want) / tolerance(i));
    }
    std::cout << sample.size() << " sampled elements, max " << maxUlp
              << " ulp from the C library without cancellation, max " << maxShare
              << " of the tolerance\n";
}

TEST(NumberFill, TailsStayInsideTheBuffer) {
    constexpr double untouched = -12345.0;
    constexpr std::int64_t guard = 16;
    for (FillPath path : supportedPaths()) {
        for (std::int64_t count : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 33, 63, 65, 769}) {
            // An odd start offset makes every vector store unaligned.
            std::vector<double> buffer(count + 2 * guard + 1, untouched);
            double* numbers = buffer.data() + guard + 1;
            fillNumbers(numbers, count, path);
            const std::string where = std::string(fillPathName(path)) + ", count " +
                                      std::to_string(count);
            for (std::int64_t i = 0; i < count; ++i) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(numbers[i]),
                          std::bit_cast<std::uint64_t>(bestFill()[i]))
                    << where << ", i = " << i;
            }
            for (double* p = buffer.data(); p < numbers; ++p) {
                ASSERT_EQ(*p, untouched) << where << ": wrote before the start";
            }
            for (double* p = numbers + count; p < buffer.data() + buffer.size(); ++p) {
                ASSERT_EQ(*p, untouched) << where << ": wrote past the end";
            }
        }
    }
}

TEST(NumberFill, PathNamesRoundTrip) {
    for (FillPath path : allFillPaths) {
        EXPECT_EQ(fillPathNamed(fillPathName(path)), path);
    }
    EXPECT_EQ(fillPathNamed("AVX512"), std::nullopt);
    EXPECT_EQ(fillPathNamed("scalar"), std::nullopt);
}

bool allSupported(FillPath) { return true; }
bool noAvx512(FillPath path) { return path != FillPath::Avx512; }

TEST(FillPathChoice, TakesTheRequestOrTheBestWithOneWarningLine) {
    const std::string accepted = " (accepted: avx512, avx2, sse2, portable); using ";
    struct Case {
        const char* requested;
        bool (*supported)(FillPath);
        FillPath path;
        std::string warning;
    };
    const Case cases[] = {
        {nullptr, allSupported, FillPath::Avx512, ""},
        {"", noAvx512, FillPath::Avx2, ""},
        {"sse2", allSupported, FillPath::Sse2, ""},
        {"portable", noAvx512, FillPath::Portable, ""},
        {"bogus", allSupported, FillPath::Avx512,
         "SHARDFALL_FILL_PATH=bogus names no fill path" + accepted + "avx512"},
        {"AVX2", noAvx512, FillPath::Avx2,
         "SHARDFALL_FILL_PATH=AVX2 names no fill path" + accepted + "avx2"},
        {"avx512", noAvx512, FillPath::Avx2,
         "SHARDFALL_FILL_PATH=avx512 cannot run on this processor" + accepted + "avx2"},
    };
    for (const Case& c : cases) {
        const FillPathChoice choice = chooseFillPath(c.requested, c.supported);
        const std::string label = c.requested == nullptr ? "(unset)" : c.requested;
        EXPECT_EQ(choice.path, c.path) << label;
        EXPECT_EQ(choice.warning, c.warning) << label;
    }
}

}  // namespace
