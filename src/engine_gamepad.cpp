// engine_gamepad -- game controllers, plugged in and out at will, as a second source of actions.
#include "engine_gamepad.hpp"

#include <SDL.h>

#include <array>
#include <cstddef>

#include "input_bindings.hpp"

namespace {
// Controllers beyond these are left closed; several players' worth all drive the one paddle.
constexpr std::size_t kGamepadCapacity = 8;

// The button numbers the bindings table uses are SDL's.
static_assert(SDL_CONTROLLER_BUTTON_A == 0 && SDL_CONTROLLER_BUTTON_B == 1 &&
              SDL_CONTROLLER_BUTTON_BACK == 4 && SDL_CONTROLLER_BUTTON_START == 6 &&
              SDL_CONTROLLER_BUTTON_LEFTSHOULDER == 9 &&
              SDL_CONTROLLER_BUTTON_RIGHTSHOULDER == 10 && SDL_CONTROLLER_BUTTON_DPAD_UP == 11 &&
              SDL_CONTROLLER_BUTTON_DPAD_DOWN == 12 && SDL_CONTROLLER_BUTTON_DPAD_LEFT == 13 &&
              SDL_CONTROLLER_BUTTON_DPAD_RIGHT == 14);

struct StickBinding {
    SDL_GameControllerAxis axis;
    std::int32_t towards;  // the sign of the axis's reading in this direction
    InputAction action;
};

// SDL's y axis grows downwards, as the field's does.
constexpr std::array<StickBinding, 4> kStickBindings = {{
    {SDL_CONTROLLER_AXIS_LEFTX, -1, InputAction::Left},
    {SDL_CONTROLLER_AXIS_LEFTX, +1, InputAction::Right},
    {SDL_CONTROLLER_AXIS_LEFTY, -1, InputAction::Up},
    {SDL_CONTROLLER_AXIS_LEFTY, +1, InputAction::Down},
}};

struct Gamepad {
    SDL_GameController* controller = nullptr;
    SDL_JoystickID id = -1;
    std::array<bool, SDL_CONTROLLER_BUTTON_MAX> buttons = {};
    std::array<bool, kStickBindings.size()> stick = {};
};

std::array<Gamepad, kGamepadCapacity> gamepads;
bool removed = false;

Gamepad* findOpen(SDL_JoystickID id) {
    for (Gamepad& pad : gamepads) {
        if (pad.controller != nullptr && pad.id == id) {
            return &pad;
        }
    }
    return nullptr;
}

Gamepad* findFree() {
    for (Gamepad& pad : gamepads) {
        if (pad.controller == nullptr) {
            return &pad;
        }
    }
    return nullptr;
}

void readAxis(Gamepad& pad, std::int32_t axis, std::int32_t value) {
    for (std::size_t i = 0; i < kStickBindings.size(); ++i) {
        if (kStickBindings[i].axis == axis) {
            pad.stick[i] = stickHolds(pad.stick[i], kStickBindings[i].towards * value);
        }
    }
}

void open(std::int32_t deviceIndex) {
    // SDL may report a controller twice, at start-up and as it is plugged in.
    if (findOpen(SDL_JoystickGetDeviceInstanceID(deviceIndex)) != nullptr) {
        return;
    }
    Gamepad* pad = findFree();
    if (pad == nullptr) {
        return;
    }
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) {
        return;
    }
    pad->controller = controller;
    pad->id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    // What is already held as the controller is plugged in sends no event of its own.
    for (std::size_t button = 0; button < pad->buttons.size(); ++button) {
        pad->buttons[button] = SDL_GameControllerGetButton(
                                   controller, static_cast<SDL_GameControllerButton>(button)) != 0;
    }
    for (const SDL_GameControllerAxis axis :
         {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY}) {
        readAxis(*pad, axis, SDL_GameControllerGetAxis(controller, axis));
    }
}

void close(Gamepad& pad) {
    SDL_GameControllerClose(pad.controller);
    pad = Gamepad{};
}
}  // namespace

bool stickHolds(bool held, std::int32_t lean) {
    return lean >= (held ? kStickRelease : kStickEngage);
}

void initializeGamepads() {
    // Buttons by position, not label: South confirms on every layout, Nintendo's too.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void quitGamepads() {
    for (Gamepad& pad : gamepads) {
        if (pad.controller != nullptr) {
            close(pad);
        }
    }
    removed = false;
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void handleGamepadEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            open(event.cdevice.which);
            break;
        // Every removal counts, also of a controller left closed.
        case SDL_CONTROLLERDEVICEREMOVED:
            removed = true;
            if (Gamepad* pad = findOpen(event.cdevice.which)) {
                close(*pad);
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            Gamepad* pad = findOpen(event.cbutton.which);
            if (pad != nullptr && event.cbutton.button < pad->buttons.size()) {
                pad->buttons[event.cbutton.button] = event.type == SDL_CONTROLLERBUTTONDOWN;
            }
            break;
        }
        case SDL_CONTROLLERAXISMOTION:
            if (Gamepad* pad = findOpen(event.caxis.which)) {
                readAxis(*pad, event.caxis.axis, event.caxis.value);
            }
            break;
        default:
            break;
    }
}

void addGamepadHolds(HeldActions& held) {
    for (const Gamepad& pad : gamepads) {
        if (pad.controller == nullptr) {
            continue;
        }
        for (const ActionBinding& binding : kActionBindings) {
            for (const std::int32_t button : binding.buttons) {
                if (button != kNoButton && pad.buttons[static_cast<std::size_t>(button)]) {
                    held[static_cast<std::size_t>(binding.action)] = true;
                }
            }
        }
        for (std::size_t i = 0; i < kStickBindings.size(); ++i) {
            if (pad.stick[i]) {
                held[static_cast<std::size_t>(kStickBindings[i].action)] = true;
            }
        }
    }
}

bool takeGamepadRemoval() {
    const bool wasRemoved = removed;
    removed = false;
    return wasRemoved;
}
