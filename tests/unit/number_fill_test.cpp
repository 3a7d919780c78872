#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
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

double ulpOf(double v) {
    const double m = std::fabs(v);
    return std::nextafter(m, std::numeric_limits<double>::infinity()) - m;
}

// Both sides get sin, cos and tan within about 1 ulp each, then round the sum and the
// product, so normally they land within 4 ulp of each other. Near x = 3pi/4 + k*pi the sum
// cancels: its absolute error is still bounded by the errors of sin and cos (at most about
// one ulp of the larger of |sin x|, |cos x| per side, the subtraction itself being exact
// there), but relative to the tiny sum that is many ulp. So the fallback allows a difference
// of 6 ulp of the larger term, times |tan x|: 2 per side for the terms plus slack for the
// rounding of the sum and product when the cancellation is only partial.
bool closeEnough(double got, double want, std::int64_t i) {
    if (ulpDistance(got, want) <= 4) {
        return true;
    }
    const double x = static_cast<double>(i);
    const double larger = std::max(std::fabs(std::sin(x)), std::fabs(std::cos(x)));
    return std::fabs(got - want) <= 6.0 * ulpOf(larger) * std::fabs(std::tan(x));
}

// Elements beyond count-1 (or before the start) must keep this value.
constexpr double untouched = -12345.0;

class NumberFillPath : public ::testing::TestWithParam<FillPath> {
protected:
    void SetUp() override {
        if (!fillPathSupported(GetParam())) {
            GTEST_SKIP() << fillPathName(GetParam()) << " not supported on this processor";
        }
    }
    void fill(double* numbers, std::int64_t count) const {
        if (GetParam() == FillPath::Best) {
            fillNumbers(numbers, count);
        } else {
            fillNumbersWith(numbers, count, GetParam());
        }
    }
};

TEST(NumberFillScalar, IsThePlainFormulaAndStartsAtZero) {
    std::vector<double> numbers(768, untouched);
    fillNumbersScalar(numbers.data(), 768);
    EXPECT_EQ(numbers[0], 0.0);
    EXPECT_FALSE(std::signbit(numbers[0]));
    for (std::int64_t i = 0; i < 768; ++i) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(numbers[i]),
                  std::bit_cast<std::uint64_t>(referenceAt(i)))
            << "i = " << i;
    }
}

TEST_P(NumberFillPath, FirstElementsMatchScalarLoop) {
    constexpr std::int64_t count = 768;
    std::vector<double> want(count);
    std::vector<double> got(count, untouched);
    fillNumbersScalar(want.data(), count);
    fill(got.data(), count);

    EXPECT_EQ(got[0], 0.0);
    EXPECT_FALSE(std::signbit(got[0]));
    for (std::int64_t i = 0; i < count; ++i) {
        ASSERT_TRUE(closeEnough(got[i], want[i], i))
            << "i = " << i << " got " << got[i] << " want " << want[i] << " ("
            << ulpDistance(got[i], want[i]) << " ulp)";
    }
}

TEST_P(NumberFillPath, WholeRangeMatchesScalarLoopOnSample) {
    std::vector<double> got(fullCount, untouched);
    fill(got.data(), fullCount);

    // A prime stride walks every lane position; the last block covers the final vectors.
    std::vector<std::int64_t> sample;
    for (std::int64_t i = 0; i < fullCount; i += 4099) {
        sample.push_back(i);
    }
    for (std::int64_t i = fullCount - 768; i < fullCount; ++i) {
        sample.push_back(i);
    }

    std::uint64_t maxUlp = 0;
    for (std::int64_t i : sample) {
        const double want = referenceAt(i);
        ASSERT_TRUE(closeEnough(got[i], want, i))
            << "i = " << i << " got " << got[i] << " want " << want << " ("
            << ulpDistance(got[i], want) << " ulp)";
        maxUlp = std::max(maxUlp, ulpDistance(got[i], want));
    }
    EXPECT_EQ(got[0], 0.0);
    std::cout << fillPathName(GetParam()) << ": " << sample.size()
              << " sampled elements, max distance " << maxUlp << " ulp\n";
}

TEST_P(NumberFillPath, TailsStayInsideTheBuffer) {
    // Odd start offset makes every vector store unaligned; guards sit on both sides.
    for (std::int64_t count : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 33, 63, 65, 769}) {
        constexpr std::int64_t guard = 16;
        std::vector<double> buffer(count + 2 * guard + 1, untouched);
        double* numbers = buffer.data() + guard + 1;
        fill(numbers, count);

        for (std::int64_t i = 0; i < count; ++i) {
            ASSERT_TRUE(closeEnough(numbers[i], referenceAt(i), i))
                << "count = " << count << ", i = " << i;
        }
        for (double* p = buffer.data(); p < numbers; ++p) {
            ASSERT_EQ(*p, untouched) << "count = " << count << ": wrote before the start";
        }
        for (double* p = numbers + count; p < buffer.data() + buffer.size(); ++p) {
            ASSERT_EQ(*p, untouched) << "count = " << count << ": wrote past the end";
        }
        if (count > 0) {
            EXPECT_EQ(numbers[0], 0.0) << "count = " << count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, NumberFillPath,
                         ::testing::Values(FillPath::Best, FillPath::Avx512, FillPath::Avx2,
                                           FillPath::Sse2, FillPath::Scalar),
                         [](const ::testing::TestParamInfo<FillPath>& info) {
                             return std::string(fillPathName(info.param));
                         });

}  // namespace
