#include "game_scene_manager.hpp"

#include <gtest/gtest.h>

#include "engine_game_manager.hpp"
#include "entity_ball.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"
#include "scene_menu.hpp"
#include "test_support.hpp"

using test_support::pushActionKey;

namespace {
// One frame pass with the action's key tapped: down before the pass, up after it.
void tap(InputAction action) {
    pushActionKey(action, true);
    runFramePass();
    pushActionKey(action, false);
    runFramePass();
}
}  // namespace

TEST(SceneManager, StartsOnTheMenuAndReenteringAResetsIt) {
    EXPECT_EQ(getCurrentScene(), kMenuScene) << "scene 0 before any change";
    startUp();
    tap(InputAction::Down);
    ASSERT_EQ(getMenuCursor(), 1);
    changeScene(kMenuScene);
    EXPECT_EQ(getCurrentScene(), kMenuScene);
    EXPECT_EQ(getMenuCursor(), 0) << "initialize runs inside the call, even for the same scene";
    quitGame();
    EXPECT_EQ(shutDown(), 0);
}

TEST(SceneManager, ChangeRunsTheNewScenesInitializeAndDispatchFollowsTheId) {
    startUp();
    changeScene(kStageScene);
    EXPECT_EQ(getCurrentScene(), kStageScene);
    EXPECT_EQ(getBallCount(), 1) << "the stage was initialised inside the call";
    EXPECT_EQ(getBlockCount(), 300);
    const Ball served = getBall(0);
    updateCurrentScene();  // the stage's update, not the menu's, runs now
    EXPECT_EQ(getServeTimer(), 1);
    EXPECT_EQ(getBall(0).position.y, served.position.y);
    quitCurrentScene();
    quitGame();
    EXPECT_EQ(shutDown(), 0);
}

TEST(SceneManager, UnknownIdsKeepTheCurrentScene) {
    startUp();
    tap(InputAction::Down);
    for (const std::int32_t id : {-1, 2, 1000}) {
        changeScene(id);
        EXPECT_EQ(getCurrentScene(), kMenuScene) << id;
        EXPECT_EQ(getMenuCursor(), 1) << "no initialize ran for " << id;
    }
    quitGame();
    EXPECT_EQ(shutDown(), 0);
}
