// The points of the colour cube: one per colour the window's colour buffer can hold.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

struct CubePoint {
    std::array<double, 3> normal;
    std::array<double, 3> colour;
    std::array<double, 3> vertex;
};

// One level of each channel: 1 / 2^bits.
struct CubeScale {
    double red;
    double green;
    double blue;
};

CubeScale cubeScaleFor(std::int32_t redBits, std::int32_t greenBits, std::int32_t blueBits);

// The point for red, green and blue counters r, g, b. The normal lists the position in reverse
// order, and the colour's red takes b and its blue takes r.
CubePoint colourCubePoint(std::int32_t r, std::int32_t g, std::int32_t b, const CubeScale& scale);

// Walks the cube of the given bit counts, red slowest and blue fastest, and hands every point to
// onPoint(const CubePoint&). Each counter runs from 0 while 2^bits, in double, is above it, and
// is left at the bound it stopped at. A template, so that the list build's per-point calls are
// inlined rather than made through a pointer 16,777,216 times at start-up.
template <typename OnPoint>
void walkColourCube(std::int32_t redBits, std::int32_t greenBits, std::int32_t blueBits,
                    std::int32_t& redIndex, std::int32_t& greenIndex, std::int32_t& blueIndex,
                    OnPoint&& onPoint) {
    const CubeScale scale = cubeScaleFor(redBits, greenBits, blueBits);
    const double redLevels = std::pow(2.0, redBits);
    const double greenLevels = std::pow(2.0, greenBits);
    const double blueLevels = std::pow(2.0, blueBits);
    for (redIndex = 0; redLevels > redIndex; ++redIndex) {
        for (greenIndex = 0; greenLevels > greenIndex; ++greenIndex) {
            for (blueIndex = 0; blueLevels > blueIndex; ++blueIndex) {
                onPoint(colourCubePoint(redIndex, greenIndex, blueIndex, scale));
            }
        }
    }
}

// 2^(red + green + blue bits), formed from three powers of two.
double verticesPerFrameFor(std::int32_t redBits, std::int32_t greenBits, std::int32_t blueBits);
