// Keys, mouse buttons and the aspect-preserving projection.
#include <gtest/gtest.h>

#include "input_map.h"

TEST(InputMap, KeysActAlikeInBothCases) {
    const struct {
        unsigned char key;
        InputAction action;
    } cases[] = {
        {27, InputAction::Quit}, {'C', InputAction::Step}, {'c', InputAction::Step},
        {'P', InputAction::Pause}, {'p', InputAction::Pause}, {'R', InputAction::Run},
        {'r', InputAction::Run},   {'q', InputAction::None},  {' ', InputAction::None},
        {'\r', InputAction::None}, {0, InputAction::None},    {255, InputAction::None},
    };
    for (const auto& c : cases) EXPECT_EQ(keyAction(c.key), c.action) << int(c.key);
}

TEST(InputMap, OnlyLeftAndRightPressesAct) {
    const struct {
        int button;
        int state;
        InputAction action;
    } cases[] = {
        {0, 0, InputAction::Run},  {2, 0, InputAction::Pause}, {0, 1, InputAction::None},
        {2, 1, InputAction::None}, {1, 0, InputAction::None},  {3, 0, InputAction::None},
        {4, 0, InputAction::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mouseAction(c.button, c.state), c.action) << c.button << "/" << c.state;
}

TEST(InputMap, ShorterSideSpansMinusOneToOne) {
    const struct {
        int width, height;
        double left, right, bottom, top;
    } cases[] = {
        {1440, 1440, -1, 1, -1, 1},
        {800, 400, -2, 2, -1, 1},
        {400, 800, -1, 1, -2, 2},
        {800, 600, -800.0 / 600, 800.0 / 600, -1, 1},
    };
    for (const auto& c : cases) {
        ProjectionBox box{};
        ASSERT_TRUE(projectionBoxFor(c.width, c.height, box));
        EXPECT_EQ(box.left, c.left);
        EXPECT_EQ(box.right, c.right);
        EXPECT_EQ(box.bottom, c.bottom);
        EXPECT_EQ(box.top, c.top);
    }
}

TEST(InputMap, ZeroSizedWindowKeepsTheLastProjection) {
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{0, 600}, std::pair{800, 0}}) {
        ProjectionBox box{7, 7, 7, 7};
        EXPECT_FALSE(projectionBoxFor(width, height, box));
        EXPECT_EQ(box.left, 7);
        EXPECT_EQ(box.top, 7);
    }
}
