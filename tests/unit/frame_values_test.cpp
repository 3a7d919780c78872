// Lighting, material, shininess and overlay values of an animation step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "frame_values.h"

TEST(FrameValues, LightingFollowsAtanSinCosOfTheStep) {
    for (const std::int64_t step : {0LL, 1LL, 2LL, 47LL, 1000LL}) {
        const double n = static_cast<double>(step);
        const float a = static_cast<float>(std::atan(n)), s = static_cast<float>(std::sin(n)),
                    c = static_cast<float>(std::cos(n));
        const float ha = static_cast<float>(0.5 * std::atan(n)),
                    hs = static_cast<float>(0.5 * std::sin(n)),
                    hc = static_cast<float>(0.5 * std::cos(n));
        const StepLighting l = lightingForStep(step);
        EXPECT_EQ(l.lightPosition, (Rgba{a, s, c, 1.0f})) << step;
        EXPECT_EQ(l.spotDirection, (std::array<float, 3>{a, s, c}));
        EXPECT_EQ(l.lightAmbient, (Rgba{hc, hs, ha, 1.0f}));
        EXPECT_EQ(l.lightDiffuse, (Rgba{ha, hs, hc, 1.0f}));
        EXPECT_EQ(l.materialSpecular, (Rgba{ha, hs, hc, 1.0f}));
        EXPECT_EQ(l.materialAmbient, (Rgba{hc, hs, ha, 1.0f}));
        EXPECT_EQ(l.materialDiffuse, (Rgba{ha, hs, hc, 1.0f}));
        EXPECT_EQ(l.materialEmission, (Rgba{hs, ha, hc, 1.0f}));
        EXPECT_EQ(l.modelAmbient, (Rgba{hc, hs, ha, 1.0f}));
        EXPECT_EQ(l.constantAttenuation, c);
        EXPECT_EQ(l.linearAttenuation, s);
        EXPECT_EQ(l.quadraticAttenuation, c);
    }
    // Negative attenuation is passed on as it is.
    EXPECT_LT(lightingForStep(2).constantAttenuation, -0.41f);
}

TEST(FrameValues, ShininessIsTheLow32BitsModulo64WithTheDividendsSign) {
    const struct {
        std::int64_t step;
        float shininess;
    } cases[] = {
        {0, 0.0f},   {1, 1.0f},   {63, 63.0f}, {64, 0.0f},
        {127, 63.0f}, {0x7FFFFFFF, 63.0f},
        {0x80000000LL, 0.0f},               // low word reads as INT32_MIN, a multiple of 64
        {0x80000001LL, -63.0f},             // INT32_MIN + 1: negative remainder
        {0x1'0000'0041LL, 1.0f},            // only the low 32 bits count
    };
    for (const auto& c : cases) EXPECT_EQ(shininessForStep(c.step), c.shininess) << c.step;
}

TEST(FrameValues, OverlayColourIsTheStepInLevelsOfEachChannel) {
    const auto eight = overlayColour(1, 8, 8, 8);
    EXPECT_EQ(eight, (std::array<float, 3>{1.0f / 256, 1.0f / 256, 1.0f / 256}));
    EXPECT_EQ(overlayColour(0, 8, 8, 8), (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(overlayColour(256, 8, 8, 8), (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(overlayColour(512, 8, 8, 8), (std::array<float, 3>{2.0f, 2.0f, 2.0f}));
    EXPECT_EQ(overlayColour(32, 5, 6, 5), (std::array<float, 3>{1.0f, 0.5f, 1.0f}));
}

TEST(FrameValues, OverlayLinesStandEighteenPixelsApart) {
    const double heights[] = {90, 72, 54, 36, 18, 0};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(overlayLineHeight(k), heights[k]);
}
