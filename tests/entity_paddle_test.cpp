#include "entity_paddle.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "stage_support.hpp"

using stage_support::holdOnly;

namespace {
class Paddle : public stage_support::InputTest {};

void paddleFrame(std::initializer_list<InputAction> held) {
    holdOnly(held);
    updatePaddle();
}
}  // namespace

TEST_F(Paddle, RunsToEachEdgeIn53FramesAndStops) {
    struct Case {
        InputAction key;
        float step;
        float edge;
    };
    for (const Case& c :
         {Case{InputAction::Left, -2.0f, 14.0f}, Case{InputAction::Right, 2.0f, 226.0f}}) {
        setPaddle();
        for (int frame = 1; frame <= 53; ++frame) {
            paddleFrame({c.key});
            ASSERT_EQ(getPaddlePosition().x, 120.0f + c.step * static_cast<float>(frame))
                << "frame " << frame;
        }
        EXPECT_EQ(getPaddlePosition().x, c.edge);
        // The step past the edge is taken and undone within the same update.
        for (int frame = 54; frame <= 60; ++frame) {
            paddleFrame({c.key});
            EXPECT_EQ(getPaddlePosition().x, c.edge) << "frame " << frame;
        }
        EXPECT_EQ(getPaddlePosition().y, 290.0f);
    }
}

TEST_F(Paddle, BothDirectionsHeldCancel) {
    setPaddle();
    paddleFrame({InputAction::Right});
    for (int frame = 0; frame < 10; ++frame) {
        paddleFrame({InputAction::Left, InputAction::Right});
        EXPECT_EQ(getPaddlePosition().x, 122.0f);
    }
}

TEST_F(Paddle, StaysOnEvenWholeNumbersInsideTheField) {
    setPaddle();
    std::uint32_t seed = 12345;
    for (int frame = 0; frame < 3000; ++frame) {
        seed = seed * 1664525u + 1013904223u;
        switch ((seed >> 24) % 4) {
            case 0:
                paddleFrame({InputAction::Left});
                break;
            case 1:
                paddleFrame({InputAction::Right});
                break;
            case 2:
                paddleFrame({InputAction::Left, InputAction::Right});
                break;
            default:
                paddleFrame({});
                break;
        }
        const float x = getPaddlePosition().x;
        ASSERT_GE(x, 14.0f) << "frame " << frame;
        ASSERT_LE(x, 226.0f) << "frame " << frame;
        ASSERT_EQ(std::fmod(x, 2.0f), 0.0f) << "frame " << frame << " x " << x;
    }
}

TEST_F(Paddle, CatchAreaLagsOneFrameBehindThePosition) {
    // Nothing has been caught against before the first update.
    const Rectangle before = getPaddleCollisionRectangle();
    EXPECT_EQ(before.w, 0);
    EXPECT_EQ(before.h, 0);

    setPaddle();
    paddleFrame({InputAction::Left});
    Rectangle area = getPaddleCollisionRectangle();
    EXPECT_EQ(area.x, 120);
    EXPECT_EQ(area.y, 290);
    EXPECT_EQ(area.w, 38);
    EXPECT_EQ(area.h, 11);
    EXPECT_EQ(getPaddlePosition().x, 118.0f);
    EXPECT_EQ(getPaddlePosition().y, 290.0f);

    paddleFrame({});
    area = getPaddleCollisionRectangle();
    EXPECT_EQ(area.x, 118);
    EXPECT_EQ(getPaddlePosition().x, 118.0f);
}

TEST_F(Paddle, NewStageRecentresButKeepsTheCatchArea) {
    setPaddle();
    for (int frame = 0; frame < 20; ++frame) {
        paddleFrame({InputAction::Right});
    }
    setPaddle();
    EXPECT_EQ(getPaddlePosition().x, 120.0f);
    EXPECT_EQ(getPaddlePosition().y, 290.0f);
    EXPECT_EQ(getPaddleCollisionRectangle().x, 158);
    paddleFrame({InputAction::Left});
    EXPECT_EQ(getPaddleCollisionRectangle().x, 120);
}
