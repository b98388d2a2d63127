// game_stage_sounds -- what the player hears from a stage: each event the rules note, the file
// its effect comes from and the slot that holds it, in one table; and the stage's tune.
#include "game_stage_sounds.hpp"

#include "engine_audio.hpp"
#include "engine_game_manager.hpp"

namespace {
constexpr std::int32_t kAnyFreeChannel = -1;

std::array<bool, kStageEventCount> stageEvents = {};
std::array<SoundEffect*, kStageEventCount> stageSounds = {};
Song* stageSong = nullptr;

std::size_t slotOf(StageEvent event) {
    return static_cast<std::size_t>(event);
}
}  // namespace

void noteStageEvent(StageEvent event) {
    stageEvents[slotOf(event)] = true;
}

bool stageEventNoted(StageEvent event) {
    return stageEvents[slotOf(event)];
}

void clearStageEvents() {
    stageEvents.fill(false);
}

void playNotedStageEvents() {
    for (const StageEventSound& sound : kStageSounds) {
        if (stageEventNoted(sound.event)) {
            playSoundEffect(*getStageSound(sound.event), kAnyFreeChannel);
        }
    }
}

void loadStageSounds() {
    for (const StageEventSound& sound : kStageSounds) {
        if (hasFailed()) {
            return;
        }
        *getStageSound(sound.event) = loadSoundEffect(sound.file.c_str());
    }
    if (!hasFailed()) {
        *getStageSong() = loadSong(kStageSongName.c_str());
    }
}

void freeStageSounds() {
    for (const StageEventSound& sound : kStageSounds) {
        SoundEffect** slot = getStageSound(sound.event);
        freeSoundEffect(*slot);
        *slot = nullptr;
    }
    freeSong(*getStageSong());
    *getStageSong() = nullptr;
}

SoundEffect** getStageSound(StageEvent event) {
    return &stageSounds[slotOf(event)];
}

Song** getStageSong() {
    return &stageSong;
}
