#include "touch_steering.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "game_constants.hpp"

namespace {
// The field at 2x upright in a 480 by 640 window, and at 3x turned in a 960 by 720 one, whose
// rectangle is offset so that the turn keeps it centred.
constexpr std::int32_t kW2 = 2 * kPlayFieldWidth;
constexpr std::int32_t kH2 = 2 * kPlayFieldHeight;
constexpr std::int32_t kW3 = 3 * kPlayFieldWidth;
constexpr std::int32_t kH3 = 3 * kPlayFieldHeight;
constexpr Rectangle kUprightRectangle = {0, 0, kW2, kH2};
constexpr Rectangle kTurnedRectangle = {(kH3 - kW3) / 2, (kW3 - kH3) / 2, kW3, kH3};
constexpr VideoLayout kUpright = {kUprightRectangle, {kW2, kH2}, 0};
constexpr VideoLayout kFlipped = {kUprightRectangle, {kW2, kH2}, 180};
constexpr VideoLayout kTurnedRight = {kTurnedRectangle, {kH3, kW3}, 90};
constexpr VideoLayout kTurnedLeft = {kTurnedRectangle, {kH3, kW3}, 270};

struct PointCase {
    const char* name;
    VideoLayout layout;
    Vector window;
    Vector field;
};

// Turned right, the field's top edge runs down the window's right side, so the field's x grows
// down the window and its y grows leftwards; turned left, the other way about.
TEST(TouchSteering, AWindowPointFindsTheFieldPointDrawnUnderItAtEveryTurn) {
    const std::array<PointCase, 10> cases = {{
        {"upright top left", kUpright, {0.0f, 0.0f}, {0.0f, 0.0f}},
        {"upright inside", kUpright, {120.0f, 320.0f}, {60.0f, 160.0f}},
        {"flipped inside", kFlipped, {360.0f, 320.0f}, {60.0f, 160.0f}},
        {"flipped top left", kFlipped, {0.0f, 0.0f}, {240.0f, 320.0f}},
        {"right inside", kTurnedRight, {900.0f, 150.0f}, {50.0f, 20.0f}},
        {"right, field's top left at the window's top right",
         kTurnedRight,
         {960.0f, 0.0f},
         {0.0f, 0.0f}},
        {"right, field's bottom left at the window's top left",
         kTurnedRight,
         {0.0f, 0.0f},
         {0.0f, 320.0f}},
        {"left inside", kTurnedLeft, {900.0f, 150.0f}, {190.0f, 300.0f}},
        {"left, field's top left at the window's bottom left",
         kTurnedLeft,
         {0.0f, 720.0f},
         {0.0f, 0.0f}},
        {"left, field's top right at the window's top left",
         kTurnedLeft,
         {0.0f, 0.0f},
         {240.0f, 0.0f}},
    }};
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Vector field = fieldPointAt(c.layout, c.window, kPlayFieldWidth, kPlayFieldHeight);
        EXPECT_FLOAT_EQ(field.x, c.field.x);
        EXPECT_FLOAT_EQ(field.y, c.field.y);
    }
}

TEST(TouchSteering, OnlyPointsInsideTheFieldAreOnIt) {
    struct Case {
        Vector point;
        bool on;
    };
    const std::array<Case, 8> cases = {{
        {{0.0f, 0.0f}, true},
        {{239.9f, 319.9f}, true},
        {{240.0f, 10.0f}, false},
        {{10.0f, 320.0f}, false},
        {{-0.1f, 10.0f}, false},
        {{10.0f, -0.1f}, false},
        {{120.0f, 160.0f}, true},
        {{-1.0f, -1.0f}, false},
    }};
    for (const Case& c : cases) {
        EXPECT_EQ(isOnField(c.point, kPlayFieldWidth, kPlayFieldHeight), c.on)
            << c.point.x << ", " << c.point.y;
    }
}

TEST(TouchSteering, AnEmptyLayoutPutsNoPointOnTheField) {
    const VideoLayout none = {{0, 0, 0, 0}, {0.0f, 0.0f}, 0};
    EXPECT_FALSE(isOnField(fieldPointAt(none, {0.0f, 0.0f}, kPlayFieldWidth, kPlayFieldHeight),
                           kPlayFieldWidth, kPlayFieldHeight));
}

// Within one step either way the paddle holds still; a hair beyond, it goes towards the finger.
TEST(TouchSteering, ThePaddleGoesTowardsTheFingerUntilItsCentreIsWithinOneStep) {
    struct Case {
        float finger;
        float paddle;
        Steer steer;
    };
    const std::array<Case, 8> cases = {{
        {120.0f, 120.0f, Steer::Still},
        {122.0f, 120.0f, Steer::Still},
        {118.0f, 120.0f, Steer::Still},
        {122.01f, 120.0f, Steer::Right},
        {117.99f, 120.0f, Steer::Left},
        {0.0f, 120.0f, Steer::Left},
        {239.0f, 120.0f, Steer::Right},
        {14.0f, 14.0f, Steer::Still},
    }};
    for (const Case& c : cases) {
        EXPECT_EQ(steerTowards(c.finger, c.paddle, 2.0f), c.steer)
            << "finger " << c.finger << ", paddle " << c.paddle;
    }
}
}  // namespace
