// input_touch -- touch as one more pad: on-screen buttons that hold their actions, and a finger
// on the play field that steers the paddle in a stage.
#pragma once

#include "engine_input.hpp"

union SDL_Event;

// Takes a finger's press, move or lift. The latest finger put down on the play field steers
// until it is lifted; one put down elsewhere steers nothing.
void handleFingerEvent(const SDL_Event& event);
// An on-screen button put down or let go: its action is held while it is down.
void setTouchButton(InputAction action, bool down);
// Lets go of every button and the steering finger: when touch can no longer be trusted to
// report its end (the window hidden or resized, the controls hidden).
void releaseTouches();
// Marks held the actions of the buttons that are down and, in a stage, the way the steering
// finger takes the paddle.
void addTouchHolds(HeldActions& held);
