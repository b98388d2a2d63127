// Virtual game controllers for tests, which the game reads through its real event path.
#include "gamepad_support.hpp"

namespace gamepad_support {

VirtualPad::VirtualPad() {
    // SDL drops controller presses while no window has keyboard focus, and the dummy video
    // driver never gives one focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc description = {};
    description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    // With every button and axis, SDL maps each to the controller's of the same number.
    description.naxes = SDL_CONTROLLER_AXIS_MAX;
    description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    description.name = "brickfall test pad";
    const int deviceIndex = SDL_JoystickAttachVirtualEx(&description);
    if (deviceIndex >= 0) {
        // The test's own handle, through which the virtual state is set.
        joystick_ = SDL_JoystickOpen(deviceIndex);
        id_ = SDL_JoystickInstanceID(joystick_);
    }
}

VirtualPad::~VirtualPad() {
    unplug();
}

void VirtualPad::press(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(joystick_, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void VirtualPad::lean(SDL_GameControllerAxis axis, int value) {
    SDL_JoystickSetVirtualAxis(joystick_, axis, static_cast<Sint16>(value));
}

void VirtualPad::unplug() {
    if (joystick_ == nullptr) {
        return;
    }
    // Virtual joysticks are detached by device index, which shifts as others come and go.
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == id_) {
            SDL_JoystickDetachVirtual(index);
            break;
        }
    }
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
}

}  // namespace gamepad_support
