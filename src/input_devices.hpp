// input_devices -- the keyboard, the controllers, touch and the window: the player's producer of
// each pass's input command.
#pragma once

#include <cstdint>

#include "engine_input.hpp"

union SDL_Event;

// Brings up the controllers; at shutdown, closes them and forgets every key and the window's
// state, so that a later start-up begins with nothing held.
void initializeDevices();
void quitDevices();
// Drains every pending SDL event into the devices' state; true when one changed the command
// they give. A close request becomes the game's quit whoever fills the commands, so closing the
// window also ends a demo.
bool pollDevices();
// Takes one event into the devices' state; true when it changes the command they give.
bool handleDeviceEvent(const SDL_Event& event);
// An on-screen button put down or let go, and every touch let go at once; true when that
// changes the command the devices give.
bool holdTouchButton(InputAction action, bool down);
bool releaseTouchControls();
// Whether a controller changed what it holds since the last call: a page hides its on-screen
// buttons once a controller is used.
bool takeControllerUsed();
// The command the devices give now: an action is down while its key or any controller holds
// it. A controller's removal is given once.
PassInput readDevices();
// Sleeps until an event is pending or the time is up; the event stays queued for pollDevices.
void waitForEvents(std::int32_t timeoutMilliseconds);
// Sleeps until an event arrives or the time is up, and takes the event in; true when it changed
// the command the devices give, so that the pass it belongs to can run at once.
bool waitForDeviceEvent(std::int32_t timeoutMilliseconds);
// Puts a key's press or release on SDL's queue, as the keyboard sends it, for the next drain:
// how tools and tests press keys.
void pushKeyEvent(std::int32_t scancode, bool down);
