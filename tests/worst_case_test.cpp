// The benchmarks' worst case must be the state they claim: a full wall, ten balls and thirty
// coins homing at double speed, the same every time it is staged.
#include "worst_case.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine_game_manager.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "game_stage_sounds.hpp"
#include "game_variables.hpp"
#include "input_devices.hpp"

namespace {
// Two homing steps of 0.4 pixels while more than twenty coins are live.
constexpr float kCrowdedCoinStep = 0.8f;

class WorstCaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startUp();
        ASSERT_FALSE(getQuit()) << "start-up failed";
        enterStageInPlay();
        ASSERT_EQ(getCurrentScene(), kStageScene);
        ASSERT_EQ(getServeTimer(), kServeFrames) << "the serve is over, so balls move";
    }
    void TearDown() override {
        quitGame();
        shutDown();
    }
};

void expectFullLoad() {
    EXPECT_EQ(getBlockCount(), kBlockCapacity);
    EXPECT_EQ(getBallCount(), kBallCapacity);
    EXPECT_EQ(getCoinCount(), kCoinCapacity);
}

std::vector<Vector> coinPositions() {
    std::vector<Vector> coins;
    for (std::int32_t i = 0; i < getCoinCount(); ++i) {
        coins.push_back(getCoin(i));
    }
    return coins;
}
}  // namespace

TEST_F(WorstCaseTest, FreeFlightKeepsEveryBallAndBlockAndHomesEveryCoinAtDoubleSpeed) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        stageWorstCase(BallPlacement::FreeFlight);
        expectFullLoad();
        std::vector<Ball> before;
        for (std::int32_t i = 0; i < getBallCount(); ++i) {
            before.push_back(getBall(i));
        }
        const std::vector<Vector> coinsBefore = coinPositions();
        const std::int32_t score = getScore();

        updateCurrentScene();

        expectFullLoad();
        EXPECT_EQ(getScore(), score) << "no block was struck and no coin caught";
        for (std::int32_t i = 0; i < getBallCount(); ++i) {
            const Ball& old = before[static_cast<std::size_t>(i)];
            EXPECT_EQ(getBall(i).position.x, old.position.x + old.direction.x * old.speed) << i;
            EXPECT_EQ(getBall(i).position.y, old.position.y + old.direction.y * old.speed) << i;
        }
        const std::vector<Vector> coinsAfter = coinPositions();
        for (std::size_t i = 0; i < coinsAfter.size(); ++i) {
            const float moved =
                std::hypot(coinsAfter[i].x - coinsBefore[i].x, coinsAfter[i].y - coinsBefore[i].y);
            EXPECT_NEAR(moved, kCrowdedCoinStep, 1e-4f) << "coin " << i;
        }
    }
}

TEST_F(WorstCaseTest, CornerStrikesHitAboutFourBlocksPerBallWithNothingAdded) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        stageWorstCase(BallPlacement::CornerStrikes);
        expectFullLoad();
        const std::int32_t score = getScore();

        updateCurrentScene();

        const std::int32_t struck = kBlockCapacity - getBlockCount();
        // A block moved in from the end of the wall is not tested again in the same scan, so
        // a ball may miss one of its four.
        EXPECT_GE(struck, 3 * kBallCapacity);
        EXPECT_LE(struck, 4 * kBallCapacity);
        EXPECT_EQ(getScore() - score, struck * kBlockPoints);
        EXPECT_EQ(getBallCount(), kBallCapacity) << "splits are refused at capacity";
        EXPECT_EQ(getCoinCount(), kCoinCapacity) << "coin drops are refused at capacity";
        for (std::int32_t i = 0; i < getBallCount(); ++i) {
            EXPECT_GE(getBall(i).hits, 3) << "ball " << i;
        }
    }
}

TEST_F(WorstCaseTest, StrikesAndBouncesSoundAStrikeAWallAndThePaddleEveryUpdate) {
    using E = StageEvent;
    const struct {
        E event;
        bool noted;
    } expected[] = {
        {E::BlockStruck, true}, {E::WallBounce, true}, {E::PaddleBounce, true},
        {E::BallSplit, false},  {E::BallLost, false},  {E::CoinCaught, false},
    };
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        stageWorstCase(BallPlacement::StrikesAndBounces);
        expectFullLoad();

        updateCurrentScene();

        for (const auto& e : expected) {
            EXPECT_EQ(stageEventNoted(e.event), e.noted) << static_cast<int>(e.event);
        }
        EXPECT_EQ(getBallCount(), kBallCapacity) << "no ball was lost";
        // Six balls on their corners, the other four turned back.
        EXPECT_GE(kBlockCapacity - getBlockCount(), 3 * 6);
        EXPECT_EQ(getBall(6).direction.x, 1.0f) << "off the left wall";
        EXPECT_EQ(getBall(7).direction.x, -1.0f) << "off the right wall";
        EXPECT_EQ(getBall(8).direction.y, 1.0f) << "off the top";
        EXPECT_EQ(getBall(9).direction.y, -1.0f) << "off the paddle";
    }
}
