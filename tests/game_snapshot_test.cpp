#include "game_snapshot.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_gamepad.hpp"
#include "engine_input.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "gamepad_support.hpp"
#include "input_devices.hpp"
#include "scene_menu.hpp"
#include "stage_support.hpp"
#include "test_support.hpp"

using test_support::holding;

namespace {
class Snapshot : public stage_support::InputTest {
  protected:
    // One update of the current scene with exactly these keys down.
    static void update(std::initializer_list<InputAction> held) {
        stage_support::holdOnly(held);
        updateCurrentScene();
    }
};
}  // namespace

TEST_F(Snapshot, ReadsEveryPartOfTheLiveStage) {
    changeScene(kStageScene);
    for (int frame = 0; frame < 5; ++frame) {
        update({InputAction::Right});
    }
    removeBlock(0);
    addCoin({8.0f, 32.0f});
    addCoin({104.0f, 40.5f});
    const Ball ball = {{100.5f, 200.25f}, {1.2f, -1.0f}, 1.015f, 2, true};
    setBall(0, ball);
    increaseScore(300);
    update({InputAction::Pause});

    GameState state;
    readGameState(state);
    EXPECT_EQ(state.scene, kStageScene);
    EXPECT_EQ(state.score, 300);
    EXPECT_EQ(state.highScore, 300);
    EXPECT_TRUE(state.paused);
    EXPECT_EQ(state.bonusTimer, 5) << "the pausing update does not count";
    EXPECT_EQ(state.serveTimer, 5);
    EXPECT_EQ(state.paddle.x, 130.0f);
    EXPECT_EQ(state.paddle.y, 290.0f);
    ASSERT_EQ(state.blockCount, kBlockCapacity - 1);
    for (std::int32_t i = 0; i < state.blockCount; ++i) {
        EXPECT_EQ(state.blocks[static_cast<std::size_t>(i)].x, getBlock(i).x) << "block " << i;
        EXPECT_EQ(state.blocks[static_cast<std::size_t>(i)].y, getBlock(i).y) << "block " << i;
    }
    ASSERT_EQ(state.ballCount, 1);
    EXPECT_EQ(state.balls[0].position.x, 100.5f);
    EXPECT_EQ(state.balls[0].position.y, 200.25f);
    EXPECT_EQ(state.balls[0].direction.x, 1.2f);
    EXPECT_EQ(state.balls[0].direction.y, -1.0f);
    EXPECT_EQ(state.balls[0].speed, 1.015f);
    EXPECT_EQ(state.balls[0].hits, 2);
    EXPECT_TRUE(state.balls[0].cloned);
    ASSERT_EQ(state.coinCount, 2);
    EXPECT_EQ(state.coins[1].x, 104.0f);
    EXPECT_EQ(state.coins[1].y, 40.5f);
}

TEST_F(Snapshot, ReadsTheMenuPageCursorAndVideoChoices) {
    changeScene(kMenuScene);
    // Options, then the video page; the window mode one step right, the rotation two.
    const InputAction taps[] = {
        InputAction::Down, InputAction::Confirm, InputAction::Confirm, InputAction::Right,
        InputAction::Down, InputAction::Down,    InputAction::Right,   InputAction::Right,
    };
    for (const InputAction tap : taps) {
        update({tap});
        update({});
    }
    GameState state;
    readGameState(state);
    EXPECT_EQ(state.scene, kMenuScene);
    EXPECT_EQ(state.menuPage, kVideoPage);
    EXPECT_EQ(state.menuCursor, kRotationRow);
    EXPECT_EQ(state.menuWindowMode, static_cast<std::int32_t>(WindowMode::FullScreen));
    EXPECT_EQ(state.menuScaleType, static_cast<std::int32_t>(ScaleType::Integer));
    EXPECT_EQ(state.menuRotation, static_cast<std::int32_t>(Rotation::Flip));
}
