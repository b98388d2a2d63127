// scene_stage1 -- the one playable stage: starts the entities, runs them unless paused, pays the
// timed bonus, plays what the player hears and draws the stage.
#include "scene_stage1.hpp"

#include "engine_audio.hpp"
#include "engine_input.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_font.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "game_stage_sounds.hpp"
#include "game_variables.hpp"

namespace {
constexpr float kPausedX = 90.0f;
constexpr float kPausedY = 200.0f;

bool paused = false;
std::int32_t timer = 0;

void setPaused(bool on) {
    paused = on;
    if (paused) {
        pauseMusic();
        noteStageEvent(StageEvent::Paused);
    } else {
        resumeMusic();
        noteStageEvent(StageEvent::Resumed);
    }
}

void updatePlay() {
    if (inputPressed(InputAction::Pause) != 0) {
        setPaused(!paused);
    }
    // A controller pulled out pauses play, so its player loses nothing; tested after the
    // toggle, so a Pause press in the same frame cannot resume the stage.
    if (controllerRemoved() && !paused) {
        setPaused(true);
    }
    if (paused) {
        return;
    }
    // Balls and coins meet the paddle's catch area from before its move, and coins dropped by
    // this frame's strikes already move in this frame.
    updatePaddle();
    updateBalls();
    updateCoins();
    // Past the one frame that offers the bonus the counter has no further use; holding it there
    // keeps it from ever overflowing.
    if (timer <= kBonusFrames) {
        ++timer;
    }
    if (timer == kBonusFrames && inputPressed(InputAction::Back) != 0) {
        increaseScore(kBonusPoints);
        timer = 0;
        noteStageEvent(StageEvent::BonusClaimed);
    }
}
}  // namespace

void initializeStage1() {
    setCoins();
    setScore();
    setPaddle();
    // The served ball is placed from the paddle, so the paddle must be recentred first.
    initializeBalls();
    initializeBlocks();
    paused = false;
    timer = 0;
    playSong(*getStageSong());
}

void updateStage1() {
    clearStageEvents();
    updatePlay();
    // Each event of the update plays its effect once, however often it happened.
    playNotedStageEvents();
    // An update that finds no ball left has sent the game back to the menu, which is silent.
    if (getCurrentScene() != kStageScene) {
        stopMusic();
    }
}

void renderStage1() {
    renderBlocks();
    renderPaddle();
    renderCoins();
    renderBalls();
    renderScore();
    if (paused) {
        print(*getFont1(), "Paused", kPausedX, kPausedY);
    }
}

void quitStage1() {}

bool isPaused() {
    return paused;
}

std::int32_t getBonusTimer() {
    return timer;
}
