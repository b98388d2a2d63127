// game_stage_sounds -- what the player hears from a stage: each event the rules note, the file
// its effect comes from and the slot that holds it, in one table; and the stage's tune.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "game_constants.hpp"

struct SoundEffect;
struct Song;

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

struct StageEventSound {
    StageEvent event;
    ResourceName file;
};
// Each event's effect, in the order of StageEvent.
inline constexpr std::array<StageEventSound, kStageEventCount> kStageSounds = {{
    {StageEvent::BlockStruck, {kSoundFolder, "strike.wav"}},
    {StageEvent::PaddleBounce, {kSoundFolder, "paddle.wav"}},
    {StageEvent::WallBounce, {kSoundFolder, "wall.wav"}},
    {StageEvent::BallSplit, {kSoundFolder, "split.wav"}},
    {StageEvent::CoinCaught, {kSoundFolder, "coin.wav"}},
    {StageEvent::BallLost, {kSoundFolder, "ball_lost.wav"}},
    {StageEvent::LastBallLost, {kSoundFolder, "last_ball.wav"}},
    {StageEvent::BonusClaimed, {kSoundFolder, "bonus.wav"}},
    {StageEvent::Paused, {kSoundFolder, "pause.wav"}},
    {StageEvent::Resumed, {kSoundFolder, "resume.wav"}},
}};
inline constexpr ResourceName kStageSongName = {kMusicFolder, "stage.mod"};

constexpr bool inEventOrder() {
    for (std::size_t i = 0; i < kStageSounds.size(); ++i) {
        if (kStageSounds[i].event != static_cast<StageEvent>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(inEventOrder(), "one effect for every stage event, in the order of StageEvent");

// The resource name of an event's effect.
constexpr const char* stageSoundName(StageEvent event) {
    return kStageSounds[static_cast<std::size_t>(event)].file.c_str();
}

void noteStageEvent(StageEvent event);
bool stageEventNoted(StageEvent event);
void clearStageEvents();
// Plays the effect of each event noted since the record was cleared, once.
void playNotedStageEvents();

// Start-up loads every effect and the tune into their slots; after a failed load the rest are
// not tried, as the game will not run. Shutdown frees them and empties the slots.
void loadStageSounds();
void freeStageSounds();
SoundEffect** getStageSound(StageEvent event);
Song** getStageSong();
