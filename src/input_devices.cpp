// input_devices -- the keyboard, the controllers, touch and the window: the player's producer of
// each pass's input command.
#include "input_devices.hpp"

#include <SDL.h>

#include <array>

#include "engine_game_manager.hpp"
#include "engine_gamepad.hpp"
#include "input_bindings.hpp"
#include "input_touch.hpp"

namespace {
constexpr std::int32_t kKeyboardSize = 256;

static_assert(SDL_SCANCODE_UP == 82 && SDL_SCANCODE_DOWN == 81 && SDL_SCANCODE_LEFT == 80 &&
                  SDL_SCANCODE_RIGHT == 79 && SDL_SCANCODE_RETURN == 40 && SDL_SCANCODE_P == 19 &&
                  SDL_SCANCODE_C == 6 && SDL_SCANCODE_BACKSPACE == 42,
              "the bindings table counts keys as SDL does");

std::array<std::int32_t, kKeyboardSize> keyboard = {};
bool minimized = false;
bool controllerUsed = false;
SDL_Event event;

void setKey(SDL_Scancode scancode, std::int32_t state) {
    // No action is bound beyond the table, so keys such as media keys are simply not recorded.
    if (scancode >= 0 && scancode < kKeyboardSize) {
        keyboard[scancode] = state;
    }
}

void handleWindowEvent(const SDL_WindowEvent& windowEvent) {
    switch (windowEvent.event) {
        // A page's tab put out of sight is hidden, as a window can be: nothing would be seen.
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            minimized = true;
            // A finger lifted out of sight is never reported.
            releaseTouches();
            break;
        // A turned screen or a new size moves the field from under every finger.
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            releaseTouches();
            break;
        // Any way back from the taskbar must resume the loop, not only maximising.
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
            minimized = false;
            break;
        default:
            break;
    }
}

// The keyboard and the controllers are two sources of one action: it is down while either
// holds it, so its timer starts when the first goes down and stops when the last lets go.
HeldActions heldActions() {
    HeldActions held = {};
    for (const ActionBinding& binding : kActionBindings) {
        held[static_cast<std::size_t>(binding.action)] =
            keyboard[static_cast<std::size_t>(binding.scancode)] != 0;
    }
    addGamepadHolds(held);
    addTouchHolds(held);
    return held;
}
}  // namespace

void initializeDevices() {
    initializeGamepads();
}

void quitDevices() {
    quitGamepads();
    keyboard.fill(0);
    releaseTouches();
    minimized = false;
    controllerUsed = false;
}

bool pollDevices() {
    bool changed = false;
    while (SDL_PollEvent(&event) != 0) {
        changed = handleDeviceEvent(event) || changed;
    }
    return changed;
}

bool handleDeviceEvent(const SDL_Event& taken) {
    const HeldActions heldBefore = heldActions();
    const bool minimizedBefore = minimized;
    bool fromController = false;
    switch (taken.type) {
        case SDL_QUIT:
            quitGame();
            break;
        case SDL_KEYDOWN:
            setKey(taken.key.keysym.scancode, 1);
            break;
        case SDL_KEYUP:
            setKey(taken.key.keysym.scancode, 0);
            break;
        case SDL_WINDOWEVENT:
            handleWindowEvent(taken.window);
            break;
        // A finger put down on a window out of sight would steer once it is back, unseen.
        case SDL_FINGERDOWN:
            if (!minimized) {
                handleFingerEvent(taken);
            }
            break;
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            handleFingerEvent(taken);
            break;
        default:
            handleGamepadEvent(taken);
            fromController = true;
            break;
    }
    const bool heldChanged = heldActions() != heldBefore;
    // A page's on-screen buttons give way once a controller changes what is held.
    controllerUsed = controllerUsed || (heldChanged && fromController);
    return heldChanged || minimized != minimizedBefore || taken.type == SDL_CONTROLLERDEVICEREMOVED;
}

bool holdTouchButton(InputAction action, bool down) {
    const HeldActions heldBefore = heldActions();
    setTouchButton(action, down);
    return heldActions() != heldBefore;
}

bool releaseTouchControls() {
    const HeldActions heldBefore = heldActions();
    releaseTouches();
    return heldActions() != heldBefore;
}

bool takeControllerUsed() {
    const bool used = controllerUsed;
    controllerUsed = false;
    return used;
}

PassInput readDevices() {
    return {heldActions(), minimized, takeGamepadRemoval()};
}

void waitForEvents(std::int32_t timeoutMilliseconds) {
    SDL_WaitEventTimeout(nullptr, timeoutMilliseconds);
    // The wait leaves SDL's end-of-poll marker queued; left there, it would end the next
    // drain before any event pushed after it, and a key would reach the game a pass late.
    SDL_FlushEvent(SDL_POLLSENTINEL);
}

bool waitForDeviceEvent(std::int32_t timeoutMilliseconds) {
    SDL_Event taken;
    if (SDL_WaitEventTimeout(&taken, timeoutMilliseconds) == 0) {
        return false;
    }
    const bool changed = handleDeviceEvent(taken);
    SDL_FlushEvent(SDL_POLLSENTINEL);
    return changed;
}

void pushKeyEvent(std::int32_t scancode, bool down) {
    SDL_Event key = {};
    key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    key.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    key.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    SDL_PushEvent(&key);
}
