// game_variables -- the slots for the shared sprite sheet, font, sounds, camera and view
// rectangle, and the record of what the player should hear from a stage update.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

struct Sprite;
struct Font;
struct SoundEffect;
struct Song;

// Each returns the slot's address, so readers see whatever start-up has stored since.
Sprite** getSprite1();
Font** getFont1();
Vector* getCameraPosition();
Vector applyCamera(const Vector* position);
Rectangle* getViewPort();

// What the rules did in one stage update that the player hears. The entities note each as it
// happens; the stage clears the record before its update and plays what it holds after it, so
// however often a thing happens in one update its sound plays once.
enum class StageEvent : std::int32_t {
    BlockStruck,
    PaddleBounce,
    WallBounce,
    BallSplit,
    CoinCaught,
    BallLost,
    LastBallLost,
    BonusClaimed,
    Paused,
    Resumed,
};
inline constexpr std::int32_t kStageEventCount = static_cast<std::int32_t>(StageEvent::Resumed) + 1;

void noteStageEvent(StageEvent event);
bool stageEventNoted(StageEvent event);
void clearStageEvents();

// The effect each event plays and the stage tune; start-up fills them, shutdown empties them.
SoundEffect** getStageSound(StageEvent event);
Song** getStageSong();
