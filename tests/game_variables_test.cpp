#include "game_variables.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

TEST(GameVariables, TheSlotsExistEmptyBeforeStartUpAndStayAtOneAddress) {
    ASSERT_NE(getSprite1(), nullptr);
    ASSERT_NE(getFont1(), nullptr);
    EXPECT_EQ(*getSprite1(), nullptr);
    EXPECT_EQ(*getFont1(), nullptr);
    EXPECT_EQ(getSprite1(), getSprite1());
    EXPECT_EQ(getFont1(), getFont1());
    EXPECT_EQ(getCameraPosition(), getCameraPosition());
    EXPECT_EQ(getViewPort(), getViewPort());
}

TEST(GameVariables, TheViewPortIsThePlayField) {
    const Rectangle view = *getViewPort();
    EXPECT_EQ(view.x, 0);
    EXPECT_EQ(view.y, 0);
    EXPECT_EQ(view.w, 240);
    EXPECT_EQ(view.h, 320);
}

TEST(GameVariables, ApplyCameraSubtractsTheCameraOneFloatStepEach) {
    struct Case {
        Vector camera;
        Vector position;
        Vector expected;
    };
    const Case cases[] = {
        {{0.0f, 0.0f}, {100.0f, 100.0f}, {100.0f, 100.0f}},
        {{0.0f, 0.0f}, {-3.25f, 1.0e-30f}, {-3.25f, 1.0e-30f}},
        {{10.0f, -5.0f}, {100.0f, 100.0f}, {90.0f, 105.0f}},
        // Each a float subtraction, rounded to nearest: 0.1f - 0.3f is not -0.2f, and half a
        // unit below 2^24 ties to the even 2^24.
        {{0.3f, 0.3f}, {0.1f, 0.3f}, {-0x1.99999cp-3f, 0.0f}},
        {{0.5f, -0.5f}, {16777216.0f, -16777216.0f}, {16777216.0f, -16777216.0f}},
    };
    for (const Case& each : cases) {
        *getCameraPosition() = each.camera;
        const Vector moved = applyCamera(&each.position);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(moved.x),
                  std::bit_cast<std::uint32_t>(each.expected.x))
            << each.position.x << " - " << each.camera.x;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(moved.y),
                  std::bit_cast<std::uint32_t>(each.expected.y))
            << each.position.y << " - " << each.camera.y;
    }
}
