// engine_gamepad -- game controllers, plugged in and out at will, as a second source of actions.
#pragma once

#include <cstdint>

#include "engine_input.hpp"

union SDL_Event;

// How far the stick must lean, out of 32768, for its direction to hold, and how far back it must
// come to let go. The gap keeps a stick resting near the threshold from chattering.
inline constexpr std::int32_t kStickEngage = 16384;
inline constexpr std::int32_t kStickRelease = 12288;

// Whether one of the stick's directions holds after a reading of `lean` towards it (negative
// when the stick leans the other way), given whether it held before.
bool stickHolds(bool held, std::int32_t lean);

// Brings up SDL's controller subsystem; the controllers already plugged in are reported as
// added in the next drain, and opened there.
void initializeGamepads();
// Closes every controller and shuts the subsystem down.
void quitGamepads();
// For every event the devices' drain takes: opens added controllers, closes removed ones and keeps
// each one's buttons and stick directions. Other events are ignored.
void handleGamepadEvent(const SDL_Event& event);
// Marks held every action that a button or stick direction of any controller holds.
void addGamepadHolds(HeldActions& held);
// Whether a controller has been removed since the last call.
bool takeGamepadRemoval();
