// engine_input -- the pass's input command and the nine actions' hold timers that the rules read.
#pragma once

#include <array>
#include <cstdint>

enum class InputAction : std::int32_t {
    Up = 0,
    Down = 1,
    Left = 2,
    Right = 3,
    Confirm = 4,
    Back = 5,
    Special = 6,
    Pause = 7,
    Select = 8,
};

inline constexpr std::int32_t kInputActionCount = 9;
// Which actions' keys are held, indexed by action.
using HeldActions = std::array<bool, kInputActionCount>;
// A timer counts consecutive updates with its key down and stops at this cap.
inline constexpr std::int32_t kInputTimerCap = 501;

// One pass's input command, the only input the rules read: the actions that are down, whether
// the window counts as minimised, and whether a controller was removed (the stage pauses for
// it). Exactly one producer fills it for each pass: the keyboard and controllers, a script or
// the random player. Nothing else of the devices outlasts a pass: a key pressed and released
// between two passes, or a key's auto-repeat, gives the same command as no event.
struct PassInput {
    HeldActions held = {};
    bool minimized = false;
    bool unplugged = false;
    bool operator==(const PassInput&) const = default;
};

// Binds the keys and brings up the devices (input_devices).
void initializeInput();
// Closes the devices and forgets the last command and the timers; called at shutdown.
void quitInput();
// Takes the pass's command and advances each action's timer from it. Actions bound to one key
// are held together whoever filled the command, and a removal on a minimised pass still counts
// on the first pass that runs.
void updateInputs(const PassInput& command);
// The command the last update took, as the rules saw it: what a recording writes.
const PassInput& getPassInput();
std::int32_t isMinimized();
// Whether a controller was removed, as of the last update.
bool controllerRemoved();
std::int32_t inputDown(InputAction action);
std::int32_t inputPressed(InputAction action);
std::int32_t inputHeld(InputAction action, std::int32_t frames);
// True on the first frame of a press, then on every frame once held longer than `frames`.
std::int32_t inputPressedAndHeld(InputAction action, std::int32_t frames);
// The scancode an action is bound to, for tools that press keys through SDL's event queue.
std::int32_t getActionScancode(InputAction action);
