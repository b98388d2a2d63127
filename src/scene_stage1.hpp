// scene_stage1 -- the one playable stage: starts the entities, runs them unless paused, pays the
// timed bonus and draws the stage.
#pragma once

#include <cstdint>

#include "game_constants.hpp"

// Unpaused updates a player must last for the bonus chance.
inline constexpr std::int32_t kBonusFrames = ticks(30.0);
inline constexpr std::int32_t kBonusPoints = 5000;

void initializeStage1();
void updateStage1();
void renderStage1();
// The stage holds nothing of its own to release.
void quitStage1();
bool isPaused();
// Unpaused updates since the stage started or since the last bonus; it stops one past
// kBonusFrames, as the chance has gone by then.
std::int32_t getBonusTimer();
