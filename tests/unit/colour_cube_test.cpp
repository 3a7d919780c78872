// The colour cube's points and sizes, computed by hand for a few colour-buffer depths.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "colour_cube.h"

namespace {

std::vector<CubePoint> walkedPoints;

void onWalkedPoint(const CubePoint& point) { walkedPoints.push_back(point); }

using Triple = std::array<double, 3>;

void expectTriple(const Triple& actual, const Triple& expected, const char* what) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-15) << what << " component " << i;
    }
}

}  // namespace

TEST(ColourCube, VerticesPerFrameIsTwoToTheTotalBits) {
    const struct {
        std::int32_t red, green, blue;
        double vertices;
    } cases[] = {
        {8, 8, 8, 16'777'216.0},
        {5, 6, 5, 65'536.0},
        {3, 2, 4, 512.0},
        {0, 0, 0, 1.0},
        {8, 0, 8, 65'536.0},
        // Beyond 32-bit integers: the count is a double, exact as long as it is a power of two.
        {11, 11, 10, 4'294'967'296.0},
        {16, 16, 16, 281'474'976'710'656.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(verticesPerFrameFor(c.red, c.green, c.blue), c.vertices)
            << c.red << "/" << c.green << "/" << c.blue;
    }
    // The run total after ten counted frames of an 8-bit cube.
    EXPECT_EQ(verticesPerFrameFor(8, 8, 8) * static_cast<double>(std::int64_t{10}), 167'772'160.0);
}


TEST(ColourCube, ScaleIsOneLevelOfEachChannel) {
    const struct {
        std::int32_t red, green, blue;
        Triple scale;
    } cases[] = {
        {8, 8, 8, {1.0 / 256, 1.0 / 256, 1.0 / 256}},
        {3, 2, 4, {0.125, 0.25, 0.0625}},
        {0, 6, 5, {1.0, 1.0 / 64, 1.0 / 32}},
    };
    for (const auto& c : cases) {
        const CubeScale scale = cubeScaleFor(c.red, c.green, c.blue);
        EXPECT_EQ(scale.red, c.scale[0]);
        EXPECT_EQ(scale.green, c.scale[1]);
        EXPECT_EQ(scale.blue, c.scale[2]);
    }
}

// Bit counts that differ per channel show which counter and which range each value takes.
TEST(ColourCube, PointsMatchHandComputedValues) {
    const struct {
        const char* name;
        std::int32_t redBits, greenBits, blueBits;
        std::int32_t r, g, b;
        Triple normal, colour, vertex;
    } cases[] = {
        // X 6/8, Y 6/16, Z 1/4: length 7/8, so the normal is (2, 3, 6) / 7 in reverse order;
        // blue takes r over the blue range: 6/4.
        {"general point", 3, 4, 2, 6, 6, 1,
         {2.0 / 7, 3.0 / 7, 6.0 / 7}, {0.125, 0.375, 1.5}, {0.75, 0.375, 0.25}},
        {"only the outer counter", 3, 2, 4, 5, 0, 0,
         {0.0, 0.0, 1.0}, {0.0, 0.0, 5.0 / 16}, {0.625, 0.0, 0.0}},
        // More blue than red bits: the red channel is b over the red range and passes 1.
        {"more blue than red bits", 2, 3, 5, 1, 0, 31,
         {31.0 / std::sqrt(1025.0), 0.0, 8.0 / std::sqrt(1025.0)},
         {7.75, 0.0, 1.0 / 32}, {0.25, 0.0, 31.0 / 32}},
        // A channel without bits: its loop runs once, so its axis stays 0.
        {"green has no bits", 8, 0, 8, 0, 0, 128,
         {1.0, 0.0, 0.0}, {0.5, 0.0, 0.0}, {0.0, 0.0, 0.5}},
        {"last point of an 8-bit cube", 8, 8, 8, 255, 255, 255,
         {1.0 / std::sqrt(3.0), 1.0 / std::sqrt(3.0), 1.0 / std::sqrt(3.0)},
         {255.0 / 256, 255.0 / 256, 255.0 / 256}, {255.0 / 256, 255.0 / 256, 255.0 / 256}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CubePoint point =
            colourCubePoint(c.r, c.g, c.b, cubeScaleFor(c.redBits, c.greenBits, c.blueBits));
        expectTriple(point.normal, c.normal, "normal");
        expectTriple(point.colour, c.colour, "colour");
        expectTriple(point.vertex, c.vertex, "vertex");
    }
}

TEST(ColourCube, FirstPointIsBlackAtTheOriginWithAnUndefinedNormal) {
    for (const std::int32_t bits : {0, 5, 8}) {
        const CubePoint point = colourCubePoint(0, 0, 0, cubeScaleFor(bits, bits, bits));
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::isnan(point.normal[i])) << bits << " bits, component " << i;
            EXPECT_EQ(point.colour[i], 0.0);
            EXPECT_EQ(point.vertex[i], 0.0);
        }
    }
}

// With equal red and blue bits the colour is the position reversed, the normal's direction.
TEST(ColourCube, SixteenBitCubeColoursEveryPointByItsReversedPosition) {
    const CubeScale scale = cubeScaleFor(5, 6, 5);
    std::int64_t points = 0;
    for (std::int32_t r = 0; r < 32; ++r) {
        for (std::int32_t g = 0; g < 64; ++g) {
            for (std::int32_t b = 0; b < 32; ++b, ++points) {
                if (points == 0) continue;  // the origin has no direction
                const CubePoint p = colourCubePoint(r, g, b, scale);
                const Triple reversed{p.vertex[2], p.vertex[1], p.vertex[0]};
                ASSERT_EQ(p.colour, reversed) << r << " " << g << " " << b;
                const double length = std::hypot(reversed[0], reversed[1], reversed[2]);
                for (int i = 0; i < 3; ++i) {
                    ASSERT_NEAR(p.normal[i] * length, reversed[i], 1e-15)
                        << r << " " << g << " " << b;
                }
                ASSERT_LT(std::max({p.vertex[0], p.vertex[1], p.vertex[2]}), 1.0);
            }
        }
    }
    EXPECT_EQ(static_cast<double>(points), verticesPerFrameFor(5, 6, 5));
}

// The walk hands out every point once, red slowest and blue fastest, and leaves each counter at
// its bound; a channel without bits runs once.
TEST(ColourCube, WalkVisitsEveryPointInListOrder) {
    const struct {
        std::int32_t redBits, greenBits, blueBits;
        std::int32_t redLevels, greenLevels, blueLevels;
    } cases[] = {
        {3, 2, 4, 8, 4, 16},
        {2, 0, 1, 4, 1, 2},
        {0, 0, 0, 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.redBits << "/" << c.greenBits << "/" << c.blueBits);
        walkedPoints.clear();
        std::int32_t redIndex = -1, greenIndex = -1, blueIndex = -1;
        walkColourCube(c.redBits, c.greenBits, c.blueBits, redIndex, greenIndex, blueIndex,
                       onWalkedPoint);
        EXPECT_EQ(redIndex, c.redLevels);
        EXPECT_EQ(greenIndex, c.greenLevels);
        EXPECT_EQ(blueIndex, c.blueLevels);
        ASSERT_EQ(static_cast<double>(walkedPoints.size()),
                  verticesPerFrameFor(c.redBits, c.greenBits, c.blueBits));
        const CubeScale scale = cubeScaleFor(c.redBits, c.greenBits, c.blueBits);
        std::size_t next = 0;
        for (std::int32_t r = 0; r < c.redLevels; ++r) {
            for (std::int32_t g = 0; g < c.greenLevels; ++g) {
                for (std::int32_t b = 0; b < c.blueLevels; ++b, ++next) {
                    const CubePoint expected = colourCubePoint(r, g, b, scale);
                    const CubePoint& walked = walkedPoints[next];
                    ASSERT_EQ(walked.vertex, expected.vertex) << r << " " << g << " " << b;
                    ASSERT_EQ(walked.colour, expected.colour) << r << " " << g << " " << b;
                    for (int i = 0; i < 3; ++i) {
                        // The origin's normal is NaN, which compares equal to nothing.
                        if (std::isnan(expected.normal[i])) {
                            ASSERT_TRUE(std::isnan(walked.normal[i]));
                        } else {
                            ASSERT_EQ(walked.normal[i], expected.normal[i]);
                        }
                    }
                }
            }
        }
    }
}
