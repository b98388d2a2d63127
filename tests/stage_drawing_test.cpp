#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "scene_stage1.hpp"
#include "stage_support.hpp"

using stage_support::kBackgroundColour;
using stage_support::kBallColour;
using stage_support::kBlockColour;
using stage_support::kCoinColour;
using stage_support::kPaddleColour;

namespace {
class StageDrawing : public stage_support::DrawingTest {
  protected:
    // Where printed text covers the field in the first frame: "balls: " and its count.
    static bool underText(std::int32_t x, std::int32_t y) {
        return y >= 50 && y < 58 && ((x >= 12 && x < 68) || (x >= 104 && x < 112));
    }

    void expectRectangle(std::int32_t left, std::int32_t top, std::int32_t width,
                         std::int32_t height, std::uint32_t colour, const char* what) {
        for (std::int32_t y = top; y < top + height; ++y) {
            for (std::int32_t x = left; x < left + width; ++x) {
                ASSERT_EQ(pixel(x, y), colour) << what << " at " << x << "," << y;
            }
        }
    }
};
}  // namespace

TEST_F(StageDrawing, TheFirstFrameOfAStageShowsItsStartingState) {
    changeScene(kStageScene);
    drawField(renderCurrentScene);

    // The wall: every block, in full, from y = 28 to 187.
    for (std::int32_t y = 28; y < 188; ++y) {
        for (std::int32_t x = 0; x < stage_support::kFieldWidth; ++x) {
            if (!underText(x, y)) {
                ASSERT_EQ(pixel(x, y), kBlockColour) << x << "," << y;
            }
        }
    }
    for (std::int32_t x = 0; x < stage_support::kFieldWidth; ++x) {
        ASSERT_NE(pixel(x, 27), kBlockColour) << x;
        ASSERT_EQ(pixel(x, 188), kBackgroundColour) << x;
    }
    // The paddle, 28 by 11 centred on (120, 290); the ball, 7 by 7 centred on (120, 280).
    expectRectangle(106, 284, 28, 11, kPaddleColour, "paddle");
    EXPECT_EQ(pixel(105, 290), kBackgroundColour);
    EXPECT_EQ(pixel(134, 290), kBackgroundColour);
    EXPECT_EQ(pixel(120, 295), kBackgroundColour);
    expectRectangle(116, 276, 7, 7, kBallColour, "ball");
    EXPECT_EQ(pixel(115, 280), kBackgroundColour);
    EXPECT_EQ(pixel(123, 280), kBackgroundColour);
    EXPECT_EQ(pixel(120, 283), kBackgroundColour);

    EXPECT_EQ(text(8, 2, 7), "Score: ");
    EXPECT_EQ(text(100, 2, 2), "0 ");
    EXPECT_EQ(text(8, 12, 10), "Hi-Score: ");
    EXPECT_EQ(text(100, 12, 2), "0 ");
    EXPECT_EQ(text(8, 50, 7), "balls: ");
    EXPECT_EQ(text(100, 50, 2), "1 ");
    EXPECT_EQ(text(90, 200, 6), "      ");
}

TEST_F(StageDrawing, LaterItemsLieOnTop) {
    initializeStage1();
    // A coin and a ball on block (104, 40); a coin and a ball on the paddle.
    addCoin({104.0f, 40.0f});
    addBall({104.0f, 40.0f}, {0.0f, 0.0f});
    addCoin({130.0f, 290.0f});
    addBall({108.0f, 290.0f}, {0.0f, 0.0f});
    // Balls under the score, the ball count and the pause notice.
    addBall({108.0f, 6.0f}, {0.0f, 0.0f});
    addBall({16.0f, 54.0f}, {0.0f, 0.0f});
    addBall({98.0f, 204.0f}, {0.0f, 0.0f});
    stage_support::holdOnly({InputAction::Pause});
    updateStage1();
    ASSERT_TRUE(isPaused());
    drawField(renderStage1);

    EXPECT_EQ(pixel(97, 40), kBlockColour);
    EXPECT_EQ(pixel(99, 40), kCoinColour);
    EXPECT_EQ(pixel(104, 40), kBallColour);
    EXPECT_EQ(pixel(128, 290), kCoinColour);
    EXPECT_EQ(pixel(110, 290), kBallColour);
    EXPECT_EQ(pixel(132, 284), kPaddleColour);
    EXPECT_EQ(text(100, 2, 1), "0");
    EXPECT_EQ(text(8, 50, 1), "b");
    EXPECT_EQ(text(100, 50, 1), "6");
    // Paused: the notice is drawn over a field that is neither cleared nor dimmed.
    EXPECT_EQ(text(90, 200, 6), "Paused");
    EXPECT_EQ(pixel(60, 100), kBlockColour);
    EXPECT_EQ(pixel(120, 280), kBallColour);
}

TEST_F(StageDrawing, ScoresOfAnySizeAreWrittenInFull) {
    initializeStage1();
    increaseScore(std::numeric_limits<std::int32_t>::max());
    drawField(renderStage1);
    EXPECT_EQ(text(100, 2, 10), "2147483647");
    EXPECT_EQ(text(100, 12, 10), "2147483647");

    setScore();
    increaseScore(std::numeric_limits<std::int32_t>::min());
    drawField(renderStage1);
    EXPECT_EQ(text(100, 2, 12), "-2147483648 ");
    EXPECT_EQ(text(100, 12, 10), "2147483647");
}

TEST_F(StageDrawing, TheFrameThatLosesTheLastBallIsDrawnWithNoneLeft) {
    changeScene(kStageScene);
    for (int i = 0; i < kServeFrames; ++i) {
        stage_support::holdOnly({});
        updateCurrentScene();
    }
    setBall(0, Ball{{50.0f, 319.0f}, {1.0f, 1.0f}, 1.0f, 0, false});
    stage_support::holdOnly({});
    updateCurrentScene();
    drawField(renderCurrentScene);
    EXPECT_EQ(getCurrentScene(), kStageScene);
    EXPECT_EQ(text(100, 50, 2), "0 ");
    EXPECT_EQ(pixel(50, 316), kBackgroundColour);
    expectRectangle(106, 284, 28, 11, kPaddleColour, "paddle");
}
