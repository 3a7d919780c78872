// The values a frame hands to OpenGL, as plain functions of the animation step.
#pragma once

#include <array>
#include <cstdint>

using Rgba = std::array<float, 4>;

// Light 0, material, light model and attenuation of one animation step.
struct StepLighting {
    Rgba lightPosition;
    std::array<float, 3> spotDirection;
    Rgba lightAmbient;
    Rgba lightDiffuse;
    Rgba materialSpecular;
    float shininess;
    Rgba materialAmbient;
    Rgba materialDiffuse;
    Rgba materialEmission;
    Rgba modelAmbient;
    float constantAttenuation;
    float linearAttenuation;
    float quadraticAttenuation;
};

StepLighting lightingForStep(std::int64_t angleStep);

// Remainder of the step's low 32 bits by 64, with the sign of the dividend.
float shininessForStep(std::int64_t angleStep);

// Overlay text colour: the step scaled by one level of each colour channel, unclamped.
std::array<float, 3> overlayColour(std::int64_t angleStep, std::int32_t redBits,
                                   std::int32_t greenBits, std::int32_t blueBits);

// Height of the overlay's raster position after the given number of line breaks.
double overlayLineHeight(int lineBreaks);
