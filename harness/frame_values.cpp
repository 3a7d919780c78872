// Per-step lighting, material and overlay values.
#include "frame_values.h"

#include <cmath>

StepLighting lightingForStep(std::int64_t angleStep) {
    const double step = static_cast<double>(angleStep);
    const double a = std::atan(step);
    const double s = std::sin(step);
    const double c = std::cos(step);
    const float fa = static_cast<float>(a);
    const float fs = static_cast<float>(s);
    const float fc = static_cast<float>(c);
    const float ha = static_cast<float>(0.5 * a);
    const float hs = static_cast<float>(0.5 * s);
    const float hc = static_cast<float>(0.5 * c);

    StepLighting lighting{};
    lighting.lightPosition = {fa, fs, fc, 1.0f};
    lighting.spotDirection = {fa, fs, fc};
    lighting.lightAmbient = {hc, hs, ha, 1.0f};
    lighting.lightDiffuse = {ha, hs, hc, 1.0f};
    lighting.materialSpecular = {ha, hs, hc, 1.0f};
    lighting.shininess = shininessForStep(angleStep);
    lighting.materialAmbient = {hc, hs, ha, 1.0f};
    lighting.materialDiffuse = {ha, hs, hc, 1.0f};
    lighting.materialEmission = {hs, ha, hc, 1.0f};
    lighting.modelAmbient = {hc, hs, ha, 1.0f};
    lighting.constantAttenuation = fc;
    lighting.linearAttenuation = fs;
    lighting.quadraticAttenuation = fc;
    return lighting;
}

float shininessForStep(std::int64_t angleStep) {
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(angleStep));
    return static_cast<float>(low % 64);
}

std::array<float, 3> overlayColour(std::int64_t angleStep, std::int32_t redBits,
                                   std::int32_t greenBits, std::int32_t blueBits) {
    const double step = static_cast<double>(angleStep);
    const auto level = [step](std::int32_t bits) {
        return static_cast<float>((1.0 / std::pow(2.0, bits)) * step);
    };
    return {level(redBits), level(greenBits), level(blueBits)};
}

double overlayLineHeight(int lineBreaks) { return 90.0 - 18.0 * lineBreaks; }
