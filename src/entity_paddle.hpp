// entity_paddle -- the player's paddle: moved by Left and Right, caught against by balls and coins.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

// Half the drawn paddle's width: its centre keeps this far from either side of the field.
inline constexpr std::int32_t kPaddleHalfLength = 14;
// The paddle's centre line; nothing moves it.
inline constexpr float kPaddleLineY = 290.0f;

// Recentres the paddle when a stage starts; its y and catch area are left as they are.
void setPaddle();
// Takes the catch area from where the paddle stands, then moves it; run before balls and coins.
void updatePaddle();
void renderPaddle();
// The catch area as of the end of the previous frame, centre-based.
Rectangle getPaddleCollisionRectangle();
// The paddle's centre after this frame's move.
Vector getPaddlePosition();
// How far Left or Right moves the paddle in one frame.
float getPaddleStep();
