// Virtual game controllers for tests, which the game reads through its real event path.
#pragma once

#include <SDL.h>

namespace gamepad_support {

// A controller plugged in on construction (needs SDL's controllers up, after initializeInput)
// and unplugged on destruction if still in. What it holds reaches the game at the next drain.
class VirtualPad {
  public:
    VirtualPad();
    ~VirtualPad();
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    void press(SDL_GameControllerButton button, bool down);
    void lean(SDL_GameControllerAxis axis, int value);
    void unplug();
    bool plugged() const { return joystick_ != nullptr; }

  private:
    SDL_Joystick* joystick_ = nullptr;
    SDL_JoystickID id_ = -1;
};

}  // namespace gamepad_support
