// Colour-cube point arithmetic.
#include "colour_cube.h"

#include <cmath>

CubeScale cubeScaleFor(std::int32_t redBits, std::int32_t greenBits, std::int32_t blueBits) {
    return {1.0 / std::pow(2.0, redBits), 1.0 / std::pow(2.0, greenBits),
            1.0 / std::pow(2.0, blueBits)};
}

CubePoint colourCubePoint(std::int32_t r, std::int32_t g, std::int32_t b, const CubeScale& scale) {
    const double x = r * scale.red;
    const double y = g * scale.green;
    const double z = b * scale.blue;
    const double length = std::sqrt((b * z * scale.blue + g * y * scale.green) + r * x * scale.red);
    return {{z / length, y / length, x / length},
            {b * scale.red, g * scale.green, r * scale.blue},
            {x, y, z}};
}

double verticesPerFrameFor(std::int32_t redBits, std::int32_t greenBits, std::int32_t blueBits) {
    return std::pow(2.0, greenBits) * std::pow(2.0, redBits) * std::pow(2.0, blueBits);
}
