// engine_input -- keys, controllers and window events turned into nine actions with hold timers.
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

// Binds the keys and brings up the controllers (engine_gamepad).
void initializeInput();
// Closes the controllers; called at shutdown.
void quitInput();
// Drains every pending SDL event, then advances each action's timer from the state of its key
// and of the controllers: an action is down while its key or any controller holds it.
void updateInputs();
std::int32_t isMinimized();
// Sleeps until an event is pending or the time is up; the event stays queued for updateInputs.
void waitForEvents(std::int32_t timeoutMilliseconds);
std::int32_t inputDown(InputAction action);
std::int32_t inputPressed(InputAction action);
std::int32_t inputHeld(InputAction action, std::int32_t frames);
// True on the first frame of a press, then on every frame once held longer than `frames`.
std::int32_t inputPressedAndHeld(InputAction action, std::int32_t frames);
// The scancode an action is bound to, for tools that press keys through SDL's event queue.
std::int32_t getActionScancode(InputAction action);

// Puts a key's press or release on SDL's queue, as the keyboard sends it, for the next
// updateInputs to drain: how tools and tests press keys.
void pushKeyEvent(std::int32_t scancode, bool down);
// Puts on SDL's queue, for the next updateInputs to drain, the key events that leave exactly
// the held actions' keys down, a minimise or restore when the window's state should change,
// and a controller's removal when `unplugged`: a keyboard, window and plug played from a
// script. Keys and window are sent only when they change from the last feed.
void feedInput(const HeldActions& held, bool minimized, bool unplugged = false);
// While on, the player's keys and controllers and the window's own minimise and restore are
// dropped before they reach the queue, so only what feedInput sends moves the game; closing
// the window still quits. Needs SDL's events running (after start-up).
void setFedInputOnly(bool on);
