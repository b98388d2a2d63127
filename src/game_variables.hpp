// game_variables -- the slots for the shared sprite sheet and font, the camera and the view
// rectangle.
#pragma once

#include "engine_math_helper.hpp"

struct Sprite;
struct Font;

// Each returns the slot's address, so readers see whatever start-up has stored since.
Sprite** getSprite1();
Font** getFont1();
Vector* getCameraPosition();
Vector applyCamera(const Vector* position);
Rectangle* getViewPort();
