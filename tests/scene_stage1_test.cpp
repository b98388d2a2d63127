#include "scene_stage1.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>

#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "stage_support.hpp"

using stage_support::holdOnly;
using stage_support::kBackgroundColour;
using stage_support::kBallColour;
using stage_support::kBlockColour;
using stage_support::kCoinColour;
using stage_support::kPaddleColour;

namespace {
void frame(std::initializer_list<InputAction> held = {}) {
    holdOnly(held);
    updateStage1();
}

class StageScene : public stage_support::InputTest {
  protected:
    void SetUp() override {
        InputTest::SetUp();
        initializeStage1();
    }

    // Leaves the ball alone on an empty field, so that only the bonus can score.
    static void clearTheWall() {
        while (getBlockCount() > 0) {
            removeBlock(0);
        }
    }
};

struct Snapshot {
    Vector paddle;
    Rectangle catchArea;
    Ball ball;
    Vector coin;
    std::int32_t serveTimer;
    std::int32_t bonusTimer;
    std::int32_t score;
    std::int32_t blocks;
};

Snapshot snapshot() {
    return {getPaddlePosition(), getPaddleCollisionRectangle(),
            getBall(0),          getCoin(0),
            getServeTimer(),     getBonusTimer(),
            getScore(),          getBlockCount()};
}

void expectSame(const Snapshot& a, const Snapshot& b, int frameNumber) {
    EXPECT_EQ(a.paddle.x, b.paddle.x) << "frame " << frameNumber;
    EXPECT_EQ(a.catchArea.x, b.catchArea.x) << "frame " << frameNumber;
    EXPECT_EQ(a.ball.position.x, b.ball.position.x) << "frame " << frameNumber;
    EXPECT_EQ(a.ball.position.y, b.ball.position.y) << "frame " << frameNumber;
    EXPECT_EQ(a.ball.speed, b.ball.speed) << "frame " << frameNumber;
    EXPECT_EQ(a.coin.y, b.coin.y) << "frame " << frameNumber;
    EXPECT_EQ(a.serveTimer, b.serveTimer) << "frame " << frameNumber;
    EXPECT_EQ(a.bonusTimer, b.bonusTimer) << "frame " << frameNumber;
    EXPECT_EQ(a.score, b.score) << "frame " << frameNumber;
    EXPECT_EQ(a.blocks, b.blocks) << "frame " << frameNumber;
}
}  // namespace

TEST_F(StageScene, StartsWithTheFullSetUp) {
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(getBonusTimer(), 0);
    EXPECT_EQ(getServeTimer(), 0);
    EXPECT_EQ(getBlockCount(), kBlockCapacity);
    EXPECT_EQ(getBallCount(), 1);
    EXPECT_EQ(getCoinCount(), 0);
    EXPECT_EQ(getScore(), 0);

    // A second stage starts over, keeping only the hi-score.
    for (int i = 0; i < 200; ++i) {
        frame({InputAction::Right});
    }
    addCoin({50.0f, 50.0f});
    increaseScore(300);
    removeBlock(0);
    frame({InputAction::Pause});
    ASSERT_TRUE(isPaused());
    initializeStage1();
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(getBonusTimer(), 0);
    EXPECT_EQ(getServeTimer(), 0);
    EXPECT_EQ(getBlockCount(), kBlockCapacity);
    EXPECT_EQ(getBallCount(), 1);
    EXPECT_EQ(getBall(0).position.x, 120.0f);
    EXPECT_EQ(getBall(0).position.y, 280.0f);
    EXPECT_EQ(getCoinCount(), 0);
    EXPECT_EQ(getScore(), 0);
    EXPECT_EQ(getHighScore(), 300);
    EXPECT_EQ(getPaddlePosition().x, 120.0f);
}

TEST_F(StageScene, PauseTogglesOncePerPress) {
    struct Step {
        bool pauseHeld;
        bool paused;
    };
    const Step steps[] = {
        {false, false}, {true, true},  {true, true},   {true, true},   {false, true},
        {false, true},  {true, false}, {true, false},  {false, false}, {true, true},
        {false, true},  {true, false}, {false, false},
    };
    int index = 0;
    for (const Step& step : steps) {
        frame(step.pauseHeld ? std::initializer_list<InputAction>{InputAction::Pause}
                             : std::initializer_list<InputAction>{});
        EXPECT_EQ(isPaused(), step.paused) << "step " << index;
        ++index;
    }
}

TEST_F(StageScene, PauseFreezesEverythingAndTheResumingFrameRuns) {
    for (int i = 0; i < kServeFrames + 20; ++i) {
        frame();
    }
    addCoin({30.0f, 100.0f});
    // The pressing frame is skipped, even with Right held in it.
    Snapshot before = snapshot();
    frame({InputAction::Pause, InputAction::Right});
    ASSERT_TRUE(isPaused());
    expectSame(snapshot(), before, 0);
    for (int i = 1; i <= 60; ++i) {
        frame({InputAction::Right});
        expectSame(snapshot(), before, i);
    }
    frame({InputAction::Pause, InputAction::Right});
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(getPaddlePosition().x, before.paddle.x + 2.0f);
    EXPECT_EQ(getBonusTimer(), before.bonusTimer + 1);
    EXPECT_EQ(getCoin(0).y, before.coin.y + 0.3f);
    EXPECT_NE(getBall(0).position.y, before.ball.position.y);
}

TEST_F(StageScene, TheBonusIsPaidOnlyForAPressOnThe3600thUnpausedUpdate) {
    struct Case {
        const char* name;
        int pressFrom;
        int pressTo;
        std::int32_t bonus;
    };
    const Case cases[] = {
        {"press on update 3599", 3599, 3599, 0},
        {"press on update 3600", 3600, 3600, kBonusPoints},
        {"press on update 3601", 3601, 3601, 0},
        {"held from update 3590", 3590, 3610, 0},
        {"held from update 3600", 3600, 3700, kBonusPoints},
    };
    std::int32_t best = 0;
    for (const Case& c : cases) {
        initializeStage1();
        clearTheWall();
        for (int update = 1; update <= 3700; ++update) {
            const bool back = update >= c.pressFrom && update <= c.pressTo;
            frame(back ? std::initializer_list<InputAction>{InputAction::Back}
                       : std::initializer_list<InputAction>{});
            if (update == 3599) {
                ASSERT_EQ(getScore(), 0) << c.name;
            }
        }
        EXPECT_EQ(getScore(), c.bonus) << c.name;
        best = std::max(best, c.bonus);
        EXPECT_EQ(getHighScore(), best) << c.name;
        EXPECT_EQ(getBonusTimer(), c.bonus == 0 ? kBonusFrames + 1 : 100) << c.name;
    }
}

TEST_F(StageScene, AMissedBonusIsGoneAndAWonOneComesBack3600UpdatesLater) {
    clearTheWall();
    // Missed: pressing again at every later multiple of 3600 pays nothing, and the counter
    // holds one past the bonus frame however long the stage runs.
    for (int update = 1; update <= 4 * kBonusFrames; ++update) {
        frame(update % kBonusFrames == 1 ? std::initializer_list<InputAction>{InputAction::Back}
                                         : std::initializer_list<InputAction>{});
    }
    EXPECT_EQ(getScore(), 0);
    EXPECT_EQ(getBonusTimer(), kBonusFrames + 1);

    initializeStage1();
    clearTheWall();
    for (int update = 1; update <= 2 * kBonusFrames; ++update) {
        frame(update % kBonusFrames == 0 ? std::initializer_list<InputAction>{InputAction::Back}
                                         : std::initializer_list<InputAction>{});
        if (update == kBonusFrames) {
            EXPECT_EQ(getScore(), kBonusPoints);
            EXPECT_EQ(getBonusTimer(), 0);
        }
    }
    EXPECT_EQ(getScore(), 2 * kBonusPoints);
}

TEST_F(StageScene, PausedFramesDoNotCountTowardsTheBonus) {
    clearTheWall();
    int updates = 0;
    for (int pass = 1; updates < kBonusFrames; ++pass) {
        const bool pauseKey = pass == 1000 || pass == 1100;
        // The 3600th update comes 100 passes late: the pause takes passes 1000 to 1099 and
        // the resuming pass 1100 runs an update.
        const bool back = pass == kBonusFrames || pass == kBonusFrames + 100;
        if (pauseKey) {
            frame({InputAction::Pause});
        } else {
            frame(back ? std::initializer_list<InputAction>{InputAction::Back}
                       : std::initializer_list<InputAction>{});
        }
        if (!isPaused()) {
            ++updates;
        }
        if (pass == kBonusFrames) {
            EXPECT_EQ(getScore(), 0);
            EXPECT_EQ(getBonusTimer(), kBonusFrames - 100);
        }
    }
    EXPECT_EQ(getScore(), kBonusPoints);
}

TEST_F(StageScene, ALongChasedGameKeepsEveryInvariant) {
    changeScene(kStageScene);
    std::int32_t blocks = getBlockCount();
    std::int32_t mostBalls = 0;
    std::int32_t mostCoins = 0;
    int passes = 0;
    while (getCurrentScene() == kStageScene && passes < 60000) {
        // The player gives up after a while, so that the stage surely ends.
        updateInputs({passes < 20000 ? stage_support::chasingHeld() : HeldActions{}, false, false});
        updateCurrentScene();
        ++passes;
        const float paddle = getPaddlePosition().x;
        ASSERT_TRUE(paddle >= 14.0f && paddle <= 226.0f && std::fmod(paddle, 2.0f) == 0.0f)
            << "pass " << passes << " paddle " << paddle;
        ASSERT_LE(getBlockCount(), blocks) << "pass " << passes;
        blocks = getBlockCount();
        ASSERT_GE(getBallCount(), 0);
        ASSERT_LE(getBallCount(), kBallCapacity) << "pass " << passes;
        ASSERT_LE(getCoinCount(), kCoinCapacity) << "pass " << passes;
        ASSERT_GE(getHighScore(), getScore()) << "pass " << passes;
        for (std::int32_t i = 0; i < getBallCount(); ++i) {
            const Ball ball = getBall(i);
            ASSERT_TRUE(std::isfinite(ball.position.x) && std::isfinite(ball.position.y))
                << "pass " << passes << " ball " << i;
            ASSERT_GE(ball.speed, 1.0f);
        }
        for (std::int32_t i = 0; i < getCoinCount(); ++i) {
            ASSERT_TRUE(std::isfinite(getCoin(i).x) && std::isfinite(getCoin(i).y));
            ASSERT_LE(getCoin(i).y, 330.0f);
        }
        mostBalls = std::max(mostBalls, getBallCount());
        mostCoins = std::max(mostCoins, getCoinCount());
    }
    // The run is long enough to have exercised splits, homing coins and the end of the stage.
    EXPECT_EQ(getCurrentScene(), kMenuScene) << "still playing after " << passes << " passes";
    EXPECT_GT(mostBalls, 1);
    EXPECT_GT(mostCoins, 10);
    EXPECT_LT(getBlockCount(), kBlockCapacity);
    EXPECT_GT(getScore(), 0);
    std::printf("chased game: %d passes, %d blocks left, up to %d balls and %d coins\n", passes,
                getBlockCount(), mostBalls, mostCoins);
}

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
