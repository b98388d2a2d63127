// engine_input -- keys, controllers and window events turned into nine actions with hold timers.
#include "engine_input.hpp"

#include <SDL.h>

#include <array>

#include "engine_game_manager.hpp"
#include "engine_gamepad.hpp"

namespace {
constexpr std::int32_t kKeyboardSize = 256;
constexpr std::int32_t kHeldLimit = 500;

std::array<std::int32_t, kInputActionCount> mappings = {};
std::array<std::int32_t, kInputActionCount> inputTimers = {};
std::array<std::int32_t, kKeyboardSize> keyboard = {};
std::int32_t minimized = 0;
SDL_Event event;
// What feedInput last sent, so it sends only changes.
std::array<bool, kKeyboardSize> fedKeys = {};
bool fedMinimized = false;
// Set while feedInput pushes, so the filter of fed-only input lets its events through.
bool feeding = false;
// A played removal names no controller: only the removal itself reaches the game.
constexpr SDL_JoystickID kNoController = -1;

std::int32_t index(InputAction action) {
    return static_cast<std::int32_t>(action);
}

void setKey(SDL_Scancode scancode, std::int32_t state) {
    // No action is bound beyond the table, so keys such as media keys are simply not recorded.
    if (scancode >= 0 && scancode < kKeyboardSize) {
        keyboard[scancode] = state;
    }
}

// The window events that set or clear the minimised flag.
bool changesMinimized(Uint8 windowEvent) {
    switch (windowEvent) {
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
            return true;
        default:
            return false;
    }
}

int keepOnlyFedInput(void* /*userdata*/, SDL_Event* filtered) {
    if (feeding) {
        return 1;
    }
    const bool fedKind =
        filtered->type == SDL_KEYDOWN || filtered->type == SDL_KEYUP ||
        isGamepadEvent(filtered->type) ||
        (filtered->type == SDL_WINDOWEVENT && changesMinimized(filtered->window.event));
    return fedKind ? 0 : 1;
}

// A key's press or release as the keyboard sends it.
SDL_Event keyEvent(std::int32_t scancode, bool down) {
    SDL_Event key = {};
    key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    key.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    key.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    return key;
}

void push(SDL_Event& pushed) {
    feeding = true;
    SDL_PushEvent(&pushed);
    feeding = false;
}

void handleWindowEvent(const SDL_WindowEvent& windowEvent) {
    switch (windowEvent.event) {
        case SDL_WINDOWEVENT_MINIMIZED:
            minimized = 1;
            break;
        // Any way back from the taskbar must resume the loop, not only maximising.
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
            minimized = 0;
            break;
        default:
            break;
    }
}

// The keyboard and the controllers are two sources of one action: it is down while either
// holds it, so its timer starts when the first goes down and stops when the last lets go.
bool actionDown(std::int32_t action) {
    return keyboard[mappings[action]] != 0 || gamepadHolds(static_cast<InputAction>(action));
}
}  // namespace

void initializeInput() {
    mappings[index(InputAction::Up)] = SDL_SCANCODE_UP;
    mappings[index(InputAction::Down)] = SDL_SCANCODE_DOWN;
    mappings[index(InputAction::Left)] = SDL_SCANCODE_LEFT;
    mappings[index(InputAction::Right)] = SDL_SCANCODE_RIGHT;
    mappings[index(InputAction::Confirm)] = SDL_SCANCODE_RETURN;
    mappings[index(InputAction::Back)] = SDL_SCANCODE_P;
    mappings[index(InputAction::Special)] = SDL_SCANCODE_C;
    mappings[index(InputAction::Pause)] = SDL_SCANCODE_BACKSPACE;
    mappings[index(InputAction::Select)] = SDL_SCANCODE_RETURN;
    initializeGamepads();
}

void quitInput() {
    quitGamepads();
}

void updateInputs() {
    // A removal drained while minimised is kept for the first frame that runs again.
    if (minimized == 0) {
        forgetGamepadRemoval();
    }
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
            case SDL_QUIT:
                quitGame();
                break;
            case SDL_KEYDOWN:
                setKey(event.key.keysym.scancode, 1);
                break;
            case SDL_KEYUP:
                setKey(event.key.keysym.scancode, 0);
                break;
            case SDL_WINDOWEVENT:
                handleWindowEvent(event.window);
                break;
            default:
                handleGamepadEvent(event);
                break;
        }
    }
    for (std::int32_t action = 0; action < kInputActionCount; ++action) {
        if (actionDown(action)) {
            const std::int32_t held = inputTimers[action] + 1;
            inputTimers[action] = held <= kHeldLimit ? held : kInputTimerCap;
        } else {
            inputTimers[action] = 0;
        }
    }
}

std::int32_t isMinimized() {
    return minimized;
}

void waitForEvents(std::int32_t timeoutMilliseconds) {
    SDL_WaitEventTimeout(nullptr, timeoutMilliseconds);
    // The wait leaves SDL's end-of-poll marker queued; left there, it would end the next
    // drain before any event pushed after it, and a key would reach the game a pass late.
    SDL_FlushEvent(SDL_POLLSENTINEL);
}

std::int32_t inputDown(InputAction action) {
    return actionDown(index(action)) ? 1 : 0;
}

std::int32_t inputPressed(InputAction action) {
    return inputTimers[index(action)] == 1 ? 1 : 0;
}

std::int32_t inputHeld(InputAction action, std::int32_t frames) {
    return inputTimers[index(action)] > frames ? 1 : 0;
}

std::int32_t inputPressedAndHeld(InputAction action, std::int32_t frames) {
    const std::int32_t timer = inputTimers[index(action)];
    return (timer == 1 || timer > frames) ? 1 : 0;
}

std::int32_t getActionScancode(InputAction action) {
    return mappings[index(action)];
}

void pushKeyEvent(std::int32_t scancode, bool down) {
    SDL_Event pushed = keyEvent(scancode, down);
    SDL_PushEvent(&pushed);
}

void feedInput(const HeldActions& held, bool minimizedNext, bool unplugged) {
    std::array<bool, kKeyboardSize> wanted = {};
    for (std::int32_t action = 0; action < kInputActionCount; ++action) {
        if (held[static_cast<std::size_t>(action)]) {
            wanted[static_cast<std::size_t>(mappings[action])] = true;
        }
    }
    for (std::size_t scancode = 0; scancode < wanted.size(); ++scancode) {
        if (wanted[scancode] == fedKeys[scancode]) {
            continue;
        }
        SDL_Event pushed = keyEvent(static_cast<std::int32_t>(scancode), wanted[scancode]);
        push(pushed);
        fedKeys[scancode] = wanted[scancode];
    }
    if (minimizedNext != fedMinimized) {
        SDL_Event pushed = {};
        pushed.type = SDL_WINDOWEVENT;
        pushed.window.event = minimizedNext ? SDL_WINDOWEVENT_MINIMIZED : SDL_WINDOWEVENT_RESTORED;
        push(pushed);
        fedMinimized = minimizedNext;
    }
    // A removal is an event, not a state: sent for every pass that had one.
    if (unplugged) {
        SDL_Event pushed = {};
        pushed.type = SDL_CONTROLLERDEVICEREMOVED;
        pushed.cdevice.which = kNoController;
        push(pushed);
    }
}

void setFedInputOnly(bool on) {
    SDL_SetEventFilter(on ? keepOnlyFedInput : nullptr, nullptr);
}
