// input_touch -- touch as one more pad: on-screen buttons that hold their actions, and a finger
// on the play field that steers the paddle in a stage.
#include "input_touch.hpp"

#include <SDL.h>

#include <cstddef>

#include "engine_input.hpp"
#include "engine_video.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "touch_steering.hpp"

namespace {
HeldActions buttonsDown = {};
bool steering = false;
SDL_FingerID steeringFinger = 0;
float steeringX = 0.0f;

// The play-field point under a finger. SDL gives it as a fraction of the window, and the layout
// places the field in the renderer's pixels, which a page's canvas scales as a whole.
Vector fingerOnField(float windowFractionX, float windowFractionY) {
    std::int32_t outputWidth = 0;
    std::int32_t outputHeight = 0;
    if (getRenderer() == nullptr ||
        SDL_GetRendererOutputSize(getRenderer(), &outputWidth, &outputHeight) != 0) {
        return {-1.0f, -1.0f};
    }
    const Vector windowPoint = {windowFractionX * static_cast<float>(outputWidth),
                                windowFractionY * static_cast<float>(outputHeight)};
    return fieldPointAt(getVideoLayout(), windowPoint, kPlayFieldWidth, kPlayFieldHeight);
}
}  // namespace

void handleFingerEvent(const SDL_Event& event) {
    const SDL_TouchFingerEvent& finger = event.tfinger;
    switch (event.type) {
        case SDL_FINGERDOWN: {
            const Vector point = fingerOnField(finger.x, finger.y);
            if (isOnField(point, kPlayFieldWidth, kPlayFieldHeight)) {
                steering = true;
                steeringFinger = finger.fingerId;
                steeringX = point.x;
            }
            break;
        }
        case SDL_FINGERMOTION:
            if (steering && finger.fingerId == steeringFinger) {
                steeringX = fingerOnField(finger.x, finger.y).x;
            }
            break;
        case SDL_FINGERUP:
            if (finger.fingerId == steeringFinger) {
                steering = false;
            }
            break;
        default:
            break;
    }
}

void setTouchButton(InputAction action, bool down) {
    const auto index = static_cast<std::size_t>(action);
    if (index < buttonsDown.size()) {
        buttonsDown[index] = down;
    }
}

void releaseTouches() {
    buttonsDown.fill(false);
    steering = false;
}

void addTouchHolds(HeldActions& held) {
    for (std::size_t i = 0; i < held.size(); ++i) {
        held[i] = held[i] || buttonsDown[i];
    }
    if (!steering || getCurrentScene() != kStageScene) {
        return;
    }
    switch (steerTowards(steeringX, getPaddlePosition().x, getPaddleStep())) {
        case Steer::Left:
            held[static_cast<std::size_t>(InputAction::Left)] = true;
            break;
        case Steer::Right:
            held[static_cast<std::size_t>(InputAction::Right)] = true;
            break;
        case Steer::Still:
            break;
    }
}
