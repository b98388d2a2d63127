// entity_paddle -- the player's paddle: moved by Left and Right, caught against by balls and coins.
#pragma once

#include "engine_math_helper.hpp"

// Recentres the paddle when a stage starts; its y and catch area are left as they are.
void setPaddle();
// Takes the catch area from where the paddle stands, then moves it; run before balls and coins.
void updatePaddle();
void renderPaddle();
// The catch area as of the end of the previous frame, centre-based.
Rectangle getPaddleCollisionRectangle();
// The paddle's centre after this frame's move.
Vector getPaddlePosition();
