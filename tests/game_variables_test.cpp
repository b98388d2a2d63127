#include "game_variables.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>

#include "game_constants.hpp"

TEST(GameVariables, TheSlotsStartEmptyAtFixedAddressesAndTheViewIsThePlayField) {
    ASSERT_NE(getSprite1(), nullptr);
    ASSERT_NE(getFont1(), nullptr);
    EXPECT_EQ(*getSprite1(), nullptr);
    EXPECT_EQ(*getFont1(), nullptr);
    EXPECT_EQ(getSprite1(), getSprite1());
    EXPECT_EQ(getFont1(), getFont1());
    EXPECT_EQ(getCameraPosition(), getCameraPosition());
    EXPECT_EQ(getViewPort(), getViewPort());
    const Rectangle view = *getViewPort();
    EXPECT_EQ((std::array{view.x, view.y, view.w, view.h}),
              (std::array{0, 0, kPlayFieldWidth, kPlayFieldHeight}));
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
    const auto bits = [](Vector v) {
        return std::array{std::bit_cast<std::uint32_t>(v.x), std::bit_cast<std::uint32_t>(v.y)};
    };
    for (const Case& each : cases) {
        *getCameraPosition() = each.camera;
        const Vector moved = applyCamera(&each.position);
        EXPECT_EQ(bits(moved), bits(each.expected))
            << "(" << each.position.x << ", " << each.position.y << ") less the camera at ("
            << each.camera.x << ", " << each.camera.y << ")";
    }
}
