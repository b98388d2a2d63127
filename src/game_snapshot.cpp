// game_snapshot -- the whole game's state copied into plain values after a pass, as the trace
// writes it, the invariant checks compare it and the random player looks at it.
#include "game_snapshot.hpp"

#include <algorithm>

#include "entity_paddle.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "scene_menu.hpp"
#include "scene_stage1.hpp"

void readGameState(GameState& state) {
    state.scene = getCurrentScene();
    state.score = getScore();
    state.highScore = getHighScore();
    state.paused = isPaused();
    state.bonusTimer = getBonusTimer();
    state.serveTimer = getServeTimer();
    state.paddle = getPaddlePosition();
    state.blockCount = getBlockCount();
    for (std::int32_t i = 0; i < std::min(state.blockCount, kBlockCapacity); ++i) {
        state.blocks[static_cast<std::size_t>(i)] = getBlock(i);
    }
    state.ballCount = getBallCount();
    for (std::int32_t i = 0; i < std::min(state.ballCount, kBallCapacity); ++i) {
        state.balls[static_cast<std::size_t>(i)] = getBall(i);
    }
    state.coinCount = getCoinCount();
    for (std::int32_t i = 0; i < std::min(state.coinCount, kCoinCapacity); ++i) {
        state.coins[static_cast<std::size_t>(i)] = getCoin(i);
    }
    state.menuPage = getMenuPage();
    state.menuCursor = getMenuCursor();
    state.menuWindowMode = static_cast<std::int32_t>(getMenuWindowMode());
    state.menuScaleType = static_cast<std::int32_t>(getMenuScaleType());
    state.menuRotation = static_cast<std::int32_t>(getMenuRotation());
}
