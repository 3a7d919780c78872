// The index count of a frame, its limit, and the triangle lines built from it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "growth_rule.h"
#include "triangle_report.h"

namespace {

struct GrowthCase {
    std::int64_t angleStep;
    std::int64_t framesCounted;
    std::int64_t elementCount;
};

std::int64_t countFor(std::int64_t angleStep, std::int64_t framesCounted) {
    return elementCountFor(growthValue(angleStep, framesCounted));
}

constexpr std::int64_t Int64Max = std::numeric_limits<std::int64_t>::max();

}  // namespace

TEST(GrowthRule, SteadyAnimationCountsUpToTheLastDrawnStep) {
    // One frame per step from the first: framesCounted is always angleStep - 1.
    const GrowthCase cases[] = {
        {1, 0, 7},         {2, 1, 12},           {3, 2, 18},
        {10, 9, 65},       {20, 19, 458},        {30, 29, 27914},
        {40, 39, 2558593}, {47, 46, 63217623},
    };
    for (const GrowthCase& c : cases) {
        const std::int64_t count = countFor(c.angleStep, c.framesCounted);
        EXPECT_EQ(count, c.elementCount) << "n=" << c.angleStep << " f=" << c.framesCounted;
        EXPECT_LE(count, ElementLimit) << "n=" << c.angleStep;
    }
    EXPECT_GT(countFor(48, 47), ElementLimit);
    // Near 1.0016e8: far past the limit, not merely at it.
    EXPECT_GT(countFor(48, 47), 100000000);
}

TEST(GrowthRule, GrowthValueKeepsItsFraction) {
    EXPECT_DOUBLE_EQ(growthValue(2, 1), 12.5);
    EXPECT_DOUBLE_EQ(growthValue(3, 2), 18.0 + 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(growthValue(10, 9), 65.5);
    EXPECT_NEAR(growthValue(40, 39), 2558593.875, 1e-6);
}

TEST(GrowthRule, FramesCountedWithoutAStepDampTheNextCount) {
    // A redraw raises framesCounted but not angleStep; the same step then draws fewer indices.
    const GrowthCase cases[] = {
        {20, 20, 442},
        {47, 47, 61900596},
        // Step 48 ends a steady run, but is drawn once enough frames have been counted before it.
        {48, 72, 65856821},
    };
    for (const GrowthCase& c : cases) {
        EXPECT_EQ(countFor(c.angleStep, c.framesCounted), c.elementCount)
            << "n=" << c.angleStep << " f=" << c.framesCounted;
        EXPECT_LT(c.elementCount, countFor(c.angleStep, c.framesCounted - 1)) << "n=" << c.angleStep;
    }
    EXPECT_GT(countFor(48, 70), ElementLimit);
    EXPECT_LE(countFor(48, 71), ElementLimit);
    EXPECT_GT(countFor(48, 71), ElementLimit - 400000);
}

TEST(GrowthRule, StepZeroDrawsNoIndices) {
    for (const std::int64_t framesCounted : {0, 1, 5}) {
        EXPECT_EQ(growthValue(0, framesCounted), 0.0) << framesCounted;
        EXPECT_EQ(countFor(0, framesCounted), 0) << framesCounted;
    }
}

TEST(GrowthRule, CountIsTheGrowthValueTruncatedAndTheLimitIsInclusive) {
    const struct {
        double value;
        std::int64_t count;
        bool aboveLimit;
    } cases[] = {
        {0.0, 0, false},
        {7.999999, 7, false},
        {67108863.999, 67108863, false},
        {67108864.0, 67108864, false},
        {67108864.99, 67108864, false},
        {67108865.0, 67108865, true},
        {67108865.5, 67108865, true},
    };
    for (const auto& c : cases) {
        const std::int64_t count = elementCountFor(c.value);
        EXPECT_EQ(count, c.count) << c.value;
        EXPECT_EQ(count > ElementLimit, c.aboveLimit) << c.value;
    }
    EXPECT_EQ(ElementLimit, 67108864);
}

TEST(GrowthRule, ValuesFromTwoTo63UpSaturateAboveTheLimit) {
    const double twoTo63 = 9223372036854775808.0;
    const double belowTwoTo63 = std::nextafter(twoTo63, 0.0);
    EXPECT_EQ(elementCountFor(belowTwoTo63), static_cast<std::int64_t>(belowTwoTo63));
    for (const double value : {twoTo63, 1e19, 1e300, std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(elementCountFor(value), Int64Max) << value;
    }

    // A large jump of steps since the last frame: finite but far past 2^63.
    EXPECT_GT(growthValue(100, 0), twoTo63);
    EXPECT_EQ(countFor(100, 0), Int64Max);
    // pow overflows to infinity once the step passes about 1475.
    for (const std::int64_t angleStep : {1500, 100000, 1000000000}) {
        EXPECT_TRUE(std::isinf(growthValue(angleStep, 3))) << angleStep;
        EXPECT_EQ(countFor(angleStep, 3), Int64Max) << angleStep;
        EXPECT_GT(countFor(angleStep, 3), ElementLimit) << angleStep;
    }
}

TEST(TriangleCount, OneTriangleForEverySixIndices) {
    const struct {
        std::int64_t elementCount;
        std::int64_t triangles;
    } cases[] = {
        {0, 0},   {5, 0},   {6, 1},  {7, 1},           {12, 2},
        {18, 3},  {65, 10}, {458, 76}, {63217623, 10536270}, {ElementLimit, 11184810},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trianglesForCount(c.elementCount), c.triangles) << c.elementCount;
    }
}

TEST(TriangleReport, FrameLinesCarryTheCountAsAnIntegerAndTheRatesInStreamFormat) {
    const FrameLines first = triangleFrameLines(1, 0.25, 4.0);
    EXPECT_EQ(first.head, (std::vector<std::string>{"It drew 1 Triangles.", "It spent: 0.25 Secs. "}));
    EXPECT_EQ(first.tail, (std::vector<std::string>{"It was: 4 Triangles/sec."}));

    // Seven digits of triangles stay an integer; the rate goes to exponent notation.
    const FrameLines large = triangleFrameLines(10536270, 1.5, 7024180.0);
    EXPECT_EQ(large.head,
              (std::vector<std::string>{"It drew 10536270 Triangles.", "It spent: 1.5 Secs. "}));
    EXPECT_EQ(large.tail, (std::vector<std::string>{"It was: 7.02418e+06 Triangles/sec."}));

    const FrameLines small = triangleFrameLines(0, 0.0166666666, 0.0);
    EXPECT_EQ(small.head, (std::vector<std::string>{"It drew 0 Triangles.", "It spent: 0.0166667 Secs. "}));
    EXPECT_EQ(small.tail, (std::vector<std::string>{"It was: 0 Triangles/sec."}));
}

TEST(TriangleReport, SummaryDividesTheTotalAsADouble) {
    const struct {
        std::int64_t trianglesTotal;
        double totalTime;
        const char* line;
    } cases[] = {
        {6, 0.5, "Average Triangles/Sec: 12 Triangles/Sec."},
        {7, 2.0, "Average Triangles/Sec: 3.5 Triangles/Sec."},
        {1, 3.0, "Average Triangles/Sec: 0.333333 Triangles/Sec."},
        {22369621, 2.0, "Average Triangles/Sec: 1.11848e+07 Triangles/Sec."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(triangleSummaryLine(c.trianglesTotal, c.totalTime), c.line) << c.trianglesTotal;
    }
}

TEST(TriangleReport, SummaryWithoutCountedFramesWritesTheStreamsNotANumber) {
    volatile double zero = 0.0;
    std::ostringstream nan;
    nan << zero / zero;
    ASSERT_NE(nan.str().find("nan"), std::string::npos) << nan.str();
    EXPECT_EQ(triangleSummaryLine(0, 0.0), "Average Triangles/Sec: " + nan.str() + " Triangles/Sec.");
}
