#include "engine_math_helper.hpp"

#include <gtest/gtest.h>

#include <cmath>

TEST(PointInRectangle, BoundsAreInclusiveOnDoubledCoordinates) {
    const Rectangle block = {100, 50, 16, 8};
    EXPECT_TRUE(pointInRectangle(block, {92.0f, 46.0f}));
    EXPECT_TRUE(pointInRectangle(block, {108.0f, 54.0f}));
    EXPECT_TRUE(pointInRectangle(block, {100.0f, 50.0f}));
    EXPECT_FALSE(pointInRectangle(block, {91.9f, 50.0f}));
    EXPECT_FALSE(pointInRectangle(block, {100.0f, 54.1f}));
    EXPECT_FALSE(pointInRectangle(block, {NAN, 50.0f}));
    EXPECT_FALSE(pointInRectangle(block, {100.0f, NAN}));
}

TEST(PointInRectangle, OddSizesHaveExactHalfExtents) {
    const Rectangle paddle = {120, 290, 38, 11};
    EXPECT_TRUE(pointInRectangle(paddle, {101.0f, 290.0f}));
    EXPECT_TRUE(pointInRectangle(paddle, {139.0f, 290.0f}));
    EXPECT_FALSE(pointInRectangle(paddle, {100.99f, 290.0f}));
    EXPECT_FALSE(pointInRectangle(paddle, {139.01f, 290.0f}));
    EXPECT_TRUE(pointInRectangle(paddle, {120.0f, 284.5f}));
    EXPECT_TRUE(pointInRectangle(paddle, {120.0f, 295.5f}));
    EXPECT_FALSE(pointInRectangle(paddle, {120.0f, 284.4f}));
    EXPECT_FALSE(pointInRectangle(paddle, {120.0f, 295.6f}));
}

TEST(RectanglesColliding, TouchingEdgesDoNotCollide) {
    const Rectangle a = {0, 0, 10, 10};
    EXPECT_FALSE(rectanglesColliding(a, Rectangle{10, 0, 10, 10}));
    EXPECT_TRUE(rectanglesColliding(a, Rectangle{9, 9, 10, 10}));
    EXPECT_FALSE(rectanglesColliding(a, Rectangle{0, 10, 10, 10}));
    EXPECT_TRUE(rectanglesColliding(a, Rectangle{-9, -9, 10, 10}));
}

TEST(Angles, PointTheWayTheScreenDoes) {
    const Vector origin = {0.0f, 0.0f};
    EXPECT_FLOAT_EQ(getAngleBetween2Vectors(origin, {1.0f, 0.0f}), 0.0f);
    EXPECT_FLOAT_EQ(getAngleBetween2Vectors(origin, {0.0f, 1.0f}), 90.0f);
    EXPECT_FLOAT_EQ(getAngleBetween2Vectors(origin, {-1.0f, 0.0f}), 180.0f);
    EXPECT_FLOAT_EQ(getAngleBetween2Vectors(origin, {0.0f, -1.0f}), -90.0f);
    EXPECT_EQ(getAngleBetween2Vectors({5.0f, 5.0f}, {5.0f, 5.0f}), 0.0f);
}

TEST(Vectors, RotationTurnsClockwiseOnScreen) {
    const Vector down = rotateVector({0.4f, 0.0f}, 90.0f);
    EXPECT_NEAR(down.x, 0.0f, 1e-6f);
    EXPECT_NEAR(down.y, 0.4f, 1e-6f);
    const Vector up = rotateVector({0.4f, 0.0f}, -90.0f);
    EXPECT_NEAR(up.x, 0.0f, 1e-6f);
    EXPECT_NEAR(up.y, -0.4f, 1e-6f);
}

TEST(Vectors, ArithmeticAndNormalisation) {
    Vector position = {1.0f, 2.0f};
    const Vector step = {0.5f, -1.0f};
    addVectors(position, step);
    EXPECT_EQ(position.x, 1.5f);
    EXPECT_EQ(position.y, 1.0f);
    EXPECT_EQ(step.x, 0.5f);
    EXPECT_EQ(step.y, -1.0f);

    const Vector unit = normalizeVector({3.0f, 4.0f});
    EXPECT_FLOAT_EQ(unit.x, 0.6f);
    EXPECT_FLOAT_EQ(unit.y, 0.8f);
    const Vector undefined = normalizeVector({0.0f, 0.0f});
    EXPECT_TRUE(std::isnan(undefined.x));
    EXPECT_TRUE(std::isnan(undefined.y));

    EXPECT_EQ(distanceBetween2VectorsSquared({1.0f, 1.0f}, {4.0f, 5.0f}), 25.0f);
    EXPECT_EQ(getMagnitudeSquared({3.0f, 4.0f}), 25.0f);
    const Vector scaled = multiplyVector({1.5f, -2.0f}, 2.0f);
    EXPECT_EQ(scaled.x, 3.0f);
    EXPECT_EQ(scaled.y, -4.0f);
    const Vector sum = sumOf2Vectors({1.0f, 2.0f}, {3.0f, -5.0f});
    EXPECT_EQ(sum.x, 4.0f);
    EXPECT_EQ(sum.y, -3.0f);
}
