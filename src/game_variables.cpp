// game_variables -- the slots for the shared sprite sheet, font, sounds, camera and view
// rectangle, and the record of what the player should hear from a stage update.
#include "game_variables.hpp"

#include <array>

#include "game_constants.hpp"

namespace {
Sprite* sprite1 = nullptr;
Font* font1 = nullptr;
Vector cameraPosition = {0.0f, 0.0f};
Rectangle viewPort = {0, 0, kPlayFieldWidth, kPlayFieldHeight};
std::array<bool, kStageEventCount> stageEvents = {};
std::array<SoundEffect*, kStageEventCount> stageSounds = {};
Song* stageSong = nullptr;

std::size_t slotOf(StageEvent event) {
    return static_cast<std::size_t>(event);
}
}  // namespace

Sprite** getSprite1() {
    return &sprite1;
}
Font** getFont1() {
    return &font1;
}
Vector* getCameraPosition() {
    return &cameraPosition;
}

Vector applyCamera(const Vector* position) {
    return {position->x - cameraPosition.x, position->y - cameraPosition.y};
}

Rectangle* getViewPort() {
    return &viewPort;
}

void noteStageEvent(StageEvent event) {
    stageEvents[slotOf(event)] = true;
}

bool stageEventNoted(StageEvent event) {
    return stageEvents[slotOf(event)];
}

void clearStageEvents() {
    stageEvents.fill(false);
}

SoundEffect** getStageSound(StageEvent event) {
    return &stageSounds[slotOf(event)];
}

Song** getStageSong() {
    return &stageSong;
}
