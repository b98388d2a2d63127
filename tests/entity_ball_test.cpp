#include "entity_ball.hpp"

#include <gtest/gtest.h>

#include <initializer_list>

#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "scene_stage1.hpp"
#include "stage_support.hpp"

using stage_support::holdOnly;

namespace {
void frame(std::initializer_list<InputAction> held = {}) {
    holdOnly(held);
    updateStage1();
}

Ball makeBall(Vector position, Vector direction, float speed = 1.0f, std::int32_t hits = 0,
              bool cloned = false) {
    return {position, direction, speed, hits, cloned};
}

void expectVector(Vector actual, Vector expected, const char* what) {
    EXPECT_EQ(actual.x, expected.x) << what;
    EXPECT_EQ(actual.y, expected.y) << what;
}

std::int32_t blockIndex(std::int32_t column, std::int32_t row) {
    return row * 15 + column;
}

class FreshStage : public stage_support::InputTest {};

// A fresh stage with its serve over: the paddle at 120 with its catch area (120, 290, 38, 11),
// the full wall, one ball at (120, 280) about to move.
class BallRules : public stage_support::InputTest {
  protected:
    void SetUp() override {
        InputTest::SetUp();
        initializeStage1();
        for (int i = 0; i < kServeFrames; ++i) {
            frame();
        }
        ASSERT_EQ(getServeTimer(), kServeFrames);
        ASSERT_EQ(getBallCount(), 1);
    }

    // Puts ball 0 (re-adding it if it was lost) at a point with a direction of travel.
    static void place(const Ball& ball) {
        if (getBallCount() == 0) {
            addBall({0.0f, 0.0f}, {0.0f, 0.0f});
        }
        setBall(0, ball);
    }
};
}  // namespace

TEST(Wall, LaysOut15ColumnsBy20RowsFrom8By32) {
    initializeBlocks();
    ASSERT_EQ(getBlockCount(), kBlockCapacity);
    expectVector(getBlock(0), {8.0f, 32.0f}, "block 0");
    expectVector(getBlock(14), {232.0f, 32.0f}, "block 14");
    expectVector(getBlock(15), {8.0f, 40.0f}, "block 15");
    expectVector(getBlock(299), {232.0f, 184.0f}, "block 299");
    for (std::int32_t k = 0; k < kBlockCapacity; ++k) {
        const Vector block = getBlock(k);
        ASSERT_EQ(block.x, static_cast<float>(8 + 16 * (k % 15))) << "block " << k;
        ASSERT_EQ(block.y, static_cast<float>(32 + 8 * (k / 15))) << "block " << k;
    }
    removeBlock(0);
    EXPECT_EQ(getBlockCount(), 299);
    expectVector(getBlock(0), {232.0f, 184.0f}, "block 299 moved into slot 0");
    removeBlock(299);
    removeBlock(-1);
    EXPECT_EQ(getBlockCount(), 299);
    initializeBlocks();
    EXPECT_EQ(getBlockCount(), kBlockCapacity);
    expectVector(getBlock(0), {8.0f, 32.0f}, "block 0 after a new wall");
}

TEST_F(FreshStage, ServeRidesThePaddleFor120UpdatesThenMoves) {
    // A paddle left elsewhere by an earlier stage is recentred before the ball is placed.
    setPaddle();
    for (int i = 0; i < 30; ++i) {
        holdOnly({InputAction::Right});
        updatePaddle();
    }
    initializeStage1();
    ASSERT_EQ(getBallCount(), 1);
    expectVector(getBall(0).position, {120.0f, 280.0f}, "served ball");
    expectVector(getBall(0).direction, {0.4f, -1.0f}, "serve direction");
    EXPECT_EQ(getBall(0).speed, 1.0f);
    EXPECT_FALSE(getBall(0).cloned);

    for (int update = 1; update <= kServeFrames; ++update) {
        frame(update <= 40 ? std::initializer_list<InputAction>{InputAction::Right}
                           : std::initializer_list<InputAction>{});
        ASSERT_EQ(getServeTimer(), update);
        ASSERT_EQ(getBall(0).position.x, getPaddlePosition().x) << "update " << update;
        ASSERT_EQ(getBall(0).position.y, 280.0f) << "update " << update;
    }
    EXPECT_EQ(getPaddlePosition().x, 200.0f);
    frame();
    expectVector(getBall(0).position, {200.0f + 0.4f, 279.0f}, "first move");
    EXPECT_EQ(getServeTimer(), kServeFrames);
    for (int update = 0; update < 50; ++update) {
        frame();
    }
    EXPECT_EQ(getServeTimer(), kServeFrames);
}

TEST_F(BallRules, StrikeBouncesSpeedsUpScoresDropsACoinAndRemovesTheBlock) {
    place(makeBall({99.0f, 37.0f}, {1.0f, 1.0f}));
    frame();
    const Ball ball = getBall(0);
    expectVector(ball.position, {100.0f, 38.0f}, "ball");
    expectVector(ball.direction, {-1.0f, -1.0f}, "direction");
    EXPECT_EQ(ball.speed, 1.0f + 0.01f);
    EXPECT_EQ(ball.hits, 1);
    EXPECT_EQ(getScore(), kBlockPoints);
    EXPECT_EQ(getBlockCount(), 299);
    // Block (104, 40) was the only one struck; the last block took its slot.
    expectVector(getBlock(blockIndex(6, 1)), {232.0f, 184.0f}, "refilled slot");
    for (std::int32_t k = 0; k < getBlockCount(); ++k) {
        if (k != blockIndex(6, 1)) {
            ASSERT_EQ(getBlock(k).x, static_cast<float>(8 + 16 * (k % 15))) << "block " << k;
        }
    }
    // The coin dropped this frame has already fallen once.
    ASSERT_EQ(getCoinCount(), 1);
    expectVector(getCoin(0), {104.0f, 40.0f + 0.3f}, "coin");
}

TEST_F(BallRules, SideAndTopWallsBounceAtTheLineAndTheBottomLosesTheBall) {
    struct Case {
        const char* name;
        Vector start;
        Vector direction;
        Vector bounced;
        float speed;
        bool lost;
    };
    // The right and bottom edges of the field.
    constexpr auto kRight = static_cast<float>(stage_support::kFieldWidth);
    constexpr auto kBottom = static_cast<float>(stage_support::kFieldHeight);
    const Case cases[] = {
        {"x lands on 0", {1.0f, 250.0f}, {-1.0f, 1.0f}, {1.0f, 1.0f}, 1.0f + 0.005f, false},
        {"x lands on the right edge",
         {kRight - 1.0f, 250.0f},
         {1.0f, 1.0f},
         {-1.0f, 1.0f},
         1.0f + 0.005f,
         false},
        {"x lands on 0.5", {1.5f, 250.0f}, {-1.0f, 1.0f}, {-1.0f, 1.0f}, 1.0f, false},
        {"x lands half a pixel inside the right edge",
         {kRight - 1.5f, 250.0f},
         {1.0f, 1.0f},
         {1.0f, 1.0f},
         1.0f,
         false},
        {"y lands on 0", {50.0f, 1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, 1.0f + 0.005f, false},
        {"corner", {1.0f, 1.0f}, {-1.0f, -1.0f}, {1.0f, 1.0f}, 1.0f + 0.005f + 0.005f, false},
        {"y lands a tenth above the bottom edge",
         {50.0f, kBottom - 1.1f},
         {1.0f, 1.0f},
         {1.0f, 1.0f},
         1.0f,
         false},
        {"y lands on the bottom edge", {50.0f, kBottom - 1.0f}, {1.0f, 1.0f}, {}, 0.0f, true},
        {"y beyond the bottom edge", {50.0f, kBottom + 10.0f}, {1.0f, 1.0f}, {}, 0.0f, true},
    };
    for (const Case& c : cases) {
        place(makeBall(c.start, c.direction));
        const std::int32_t score = getScore();
        frame();
        EXPECT_EQ(getScore(), score) << c.name;
        if (c.lost) {
            EXPECT_EQ(getBallCount(), 0) << c.name;
            continue;
        }
        ASSERT_EQ(getBallCount(), 1) << c.name;
        EXPECT_LT(getBall(0).position.y, kBottom) << c.name;
        expectVector(getBall(0).direction, c.bounced, c.name);
        EXPECT_EQ(getBall(0).speed, c.speed) << c.name;
    }
}

TEST_F(BallRules, ABallStillBeyondAWallBouncesAgain) {
    for (float start : {-5.0f, 245.0f}) {
        const float heading = start < 0.0f ? -1.0f : 1.0f;
        place(makeBall({start, 250.0f}, {heading, 1.0f}));
        frame();
        frame();
        EXPECT_EQ(getBall(0).direction.x, -heading) << "from " << start;
        EXPECT_EQ(getBall(0).speed, 1.0f + 0.005f + 0.005f) << "from " << start;
    }
}

TEST_F(BallRules, PaddleSendsTheBallUpBySideOfItsCentre) {
    struct Case {
        Vector start;
        bool touches;
        float directionX;
    };
    // Each ball arrives with direction (1, 1), speed 1, two hits and the cloned mark.
    const Case cases[] = {
        {{119.0f, 284.0f}, true, 1.0f},   // level with the centre: keeps its x direction
        {{119.5f, 284.0f}, true, 1.2f},   // right of the centre
        {{118.0f, 284.0f}, true, -1.2f},  // left of the centre
        {{100.0f, 284.0f}, true, -1.2f},  // on the area's left edge, x = 101
        {{138.0f, 294.5f}, true, 1.2f},   // on the bottom right corner, (139, 295.5)
        {{99.0f, 284.0f}, false, 1.0f},   // x = 100 is outside
        {{130.0f, 283.0f}, false, 1.0f},  // y = 284 is above the area
    };
    for (const Case& c : cases) {
        place(makeBall(c.start, {1.0f, 1.0f}, 1.0f, 2, true));
        frame();
        const Ball ball = getBall(0);
        EXPECT_EQ(ball.direction.x, c.directionX) << "from " << c.start.x << "," << c.start.y;
        EXPECT_EQ(ball.direction.y, c.touches ? -1.0f : 1.0f) << "from " << c.start.x;
        EXPECT_EQ(ball.speed, c.touches ? 1.0f + 0.01f : 1.0f) << "from " << c.start.x;
        EXPECT_EQ(ball.hits, c.touches ? 0 : 2) << "from " << c.start.x;
        EXPECT_EQ(ball.cloned, !c.touches) << "from " << c.start.x;
    }
}

TEST_F(BallRules, ThePaddleCatchesWhereItWasButJudgesTheSideFromWhereItIs) {
    struct Case {
        Vector start;
        bool touches;
        float directionX;
    };
    // The paddle moves from 120 to 118 in the frame the ball arrives.
    const Case cases[] = {
        {{138.0f, 289.0f}, true, 1.2f},  // x = 139: inside the old area only
        {{118.0f, 289.0f}, true, 1.2f},  // x = 119: right of the new centre
        {{117.0f, 289.0f}, true, 1.0f},  // x = 118: level with the new centre
        {{99.0f, 289.0f}, false, 1.0f},  // x = 100: inside the new area only
    };
    for (const Case& c : cases) {
        setPaddle();
        place(makeBall(c.start, {1.0f, 1.0f}));
        frame({InputAction::Left});
        ASSERT_EQ(getPaddlePosition().x, 118.0f);
        EXPECT_EQ(getBall(0).direction.x, c.directionX) << "from " << c.start.x;
        EXPECT_EQ(getBall(0).direction.y, c.touches ? -1.0f : 1.0f) << "from " << c.start.x;
    }
}

TEST_F(BallRules, EveryFrameInsideTheCatchAreaCountsAsAContact) {
    place(makeBall({125.0f, 296.0f}, {1.2f, -1.0f}, 1.0f, 0, true));
    float speed = 1.0f;
    for (int contact = 1; contact <= 4; ++contact) {
        Ball ball = getBall(0);
        ball.hits = 2;
        ball.cloned = true;
        setBall(0, ball);
        frame();
        speed += 0.01f;
        EXPECT_EQ(getBall(0).speed, speed) << "contact " << contact;
        EXPECT_EQ(getBall(0).hits, 0) << "contact " << contact;
        EXPECT_FALSE(getBall(0).cloned) << "contact " << contact;
    }
}

TEST_F(BallRules, ALevelComponentKeepsItsDirectionOffABlock) {
    struct Case {
        Vector start;
        Vector bounced;
    };
    const Case cases[] = {
        {{99.0f, 39.0f}, {-1.0f, 1.0f}},   // y = 40, level with block (104, 40)
        {{103.0f, 37.0f}, {1.0f, -1.0f}},  // x = 104, level with it
    };
    for (const Case& c : cases) {
        initializeBlocks();
        place(makeBall(c.start, {1.0f, 1.0f}));
        frame();
        EXPECT_EQ(getBlockCount(), 299) << "from " << c.start.x;
        expectVector(getBall(0).direction, c.bounced, "level component");
    }
}

TEST_F(BallRules, ACentreOnASharedEdgeStrikesBothBlocksUnlessTheSecondIsRefilledOver) {
    // x = 96 is the edge between blocks (88, 40) and (104, 40).
    place(makeBall({95.0f, 37.0f}, {1.0f, 1.0f}));
    frame();
    EXPECT_EQ(getBlockCount(), 298);
    EXPECT_EQ(getScore(), 2 * kBlockPoints);
    EXPECT_EQ(getCoinCount(), 2);
    EXPECT_EQ(getBall(0).hits, 2);
    EXPECT_EQ(getBall(0).speed, 1.0f + 0.01f + 0.01f);
    // The second strike, on the block to the right, decides the x direction.
    expectVector(getBall(0).direction, {-1.0f, -1.0f}, "after both strikes");

    // With (104, 40) the last live block, striking (88, 40) moves it into the slot just tested.
    initializeBlocks();
    setScore();
    while (getBlockCount() > blockIndex(6, 1) + 1) {
        removeBlock(getBlockCount() - 1);
    }
    place(makeBall({95.0f, 37.0f}, {1.0f, 1.0f}));
    frame();
    EXPECT_EQ(getBlockCount(), blockIndex(6, 1));
    EXPECT_EQ(getScore(), kBlockPoints);
    expectVector(getBlock(blockIndex(5, 1)), {104.0f, 40.0f}, "survivor in the freed slot");
    expectVector(getBall(0).direction, {1.0f, -1.0f}, "after one strike");
}

TEST_F(BallRules, TheThirdStrikeSplitsAnOriginalBallOnly) {
    struct Case {
        const char* name;
        std::int32_t hitsBefore;
        bool cloned;
        std::int32_t otherBalls;
        bool splits;
    };
    const Case cases[] = {
        {"third strike", 2, false, 0, true},
        {"second strike", 1, false, 0, false},
        {"fourth strike", 3, false, 0, false},
        {"third strike of a split ball", 2, true, 0, false},
        {"third strike beside eight balls", 2, false, 8, true},
        {"third strike with ten live", 2, false, 9, false},
    };
    for (const Case& c : cases) {
        initializeBlocks();
        while (getBallCount() > 1) {
            removeBall(getBallCount() - 1);
        }
        place(makeBall({99.0f, 37.0f}, {1.0f, 1.0f}, 1.0f, c.hitsBefore, c.cloned));
        for (int i = 0; i < c.otherBalls; ++i) {
            // Heading straight down from the middle of the field, clear of everything.
            addBall({20.0f + 10.0f * static_cast<float>(i), 240.0f}, {0.0f, -1.0f});
        }
        const std::int32_t before = getBallCount();
        frame();
        EXPECT_EQ(getBall(0).hits, c.hitsBefore + 1) << c.name;
        expectVector(getBall(0).direction, {-1.0f, -1.0f}, c.name);
        ASSERT_EQ(getBallCount(), before + (c.splits ? 1 : 0)) << c.name;
        if (!c.splits) {
            continue;
        }
        // The new ball heads back the way the ball came and moves once in the same frame.
        const Ball split = getBall(before);
        expectVector(split.position, {99.0f, 37.0f}, c.name);
        expectVector(split.direction, {-1.0f, -1.0f}, c.name);
        EXPECT_EQ(split.speed, 1.0f) << c.name;
        EXPECT_EQ(split.hits, 0) << c.name;
        EXPECT_TRUE(split.cloned) << c.name;
    }
}

TEST_F(BallRules, ASplitMissedAtCapacityDoesNotComeBackBeforeThePaddle) {
    place(makeBall({99.0f, 37.0f}, {1.0f, 1.0f}, 1.0f, 2, false));
    for (int i = 0; i < 9; ++i) {
        addBall({20.0f + 10.0f * static_cast<float>(i), 240.0f}, {0.0f, -1.0f});
    }
    frame();
    ASSERT_EQ(getBallCount(), kBallCapacity);
    ASSERT_EQ(getBall(0).hits, 3);
    removeBall(kBallCapacity - 1);
    // Heading up and left from (100, 38), it next strikes block (104, 32).
    for (int i = 0; i < 10 && getBall(0).hits < 4; ++i) {
        frame();
    }
    EXPECT_EQ(getBall(0).hits, 4);
    EXPECT_EQ(getBallCount(), kBallCapacity - 1);
}

TEST_F(BallRules, ALostBallsSlotIsRefilledByABallThatIsTestedButNotMoved) {
    // The refilled ball sits in the catch area.
    place(makeBall({50.0f, 319.0f}, {1.0f, 1.0f}));
    addBall({125.0f, 290.0f}, {-1.0f, -1.0f});
    frame();
    ASSERT_EQ(getBallCount(), 1);
    Ball ball = getBall(0);
    expectVector(ball.position, {125.0f, 290.0f}, "not moved");
    expectVector(ball.direction, {1.2f, -1.0f}, "paddle contact");
    EXPECT_EQ(ball.speed, 1.0f + 0.01f);
    EXPECT_FALSE(ball.cloned);

    // The refilled ball sits on a block; the ball after it moves as usual.
    place(makeBall({50.0f, 319.0f}, {1.0f, 1.0f}));
    addBall({200.0f, 250.0f}, {-1.0f, -1.0f});
    addBall({100.0f, 38.0f}, {-1.0f, -1.0f});
    const std::int32_t score = getScore();
    frame();
    ASSERT_EQ(getBallCount(), 2);
    ball = getBall(0);
    expectVector(ball.position, {100.0f, 38.0f}, "not moved");
    expectVector(ball.direction, {-1.0f, -1.0f}, "block strike");
    EXPECT_EQ(getScore(), score + kBlockPoints);
    expectVector(getBall(1).position, {201.0f, 251.0f}, "moved");
}

TEST_F(BallRules, StrikesWithThirtyCoinsLiveStillScoreAndRemove) {
    for (int i = 0; i < kCoinCapacity; ++i) {
        addCoin({5.0f, 5.0f});
    }
    place(makeBall({99.0f, 37.0f}, {1.0f, 1.0f}));
    frame();
    EXPECT_EQ(getScore(), kBlockPoints);
    EXPECT_EQ(getBlockCount(), 299);
    EXPECT_EQ(getCoinCount(), kCoinCapacity);
}

TEST_F(FreshStage, TheMenuReturnsOnTheUpdateAfterTheLastBallIsLost) {
    changeScene(kStageScene);
    for (int i = 0; i < kServeFrames; ++i) {
        holdOnly({});
        updateCurrentScene();
    }
    setBall(0, makeBall({50.0f, 319.0f}, {1.0f, 1.0f}));
    holdOnly({});
    updateCurrentScene();
    ASSERT_EQ(getBallCount(), 0);
    EXPECT_EQ(getCurrentScene(), kStageScene);

    addCoin({30.0f, 100.0f});
    const std::int32_t timer = getBonusTimer();
    holdOnly({});
    updateCurrentScene();
    EXPECT_EQ(getCurrentScene(), kMenuScene);
    // The stage's update still ran to its end after the change.
    EXPECT_EQ(getCoin(0).y, 100.0f + 0.3f);
    EXPECT_EQ(getBonusTimer(), timer + 1);
}
