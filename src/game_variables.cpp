// game_variables -- the slots for the shared sprite sheet and font, the camera and the view
// rectangle.
#include "game_variables.hpp"

#include "game_constants.hpp"

namespace {
Sprite* sprite1 = nullptr;
Font* font1 = nullptr;
Vector cameraPosition = {0.0f, 0.0f};
Rectangle viewPort = {0, 0, kPlayFieldWidth, kPlayFieldHeight};
}  // namespace

Sprite** getSprite1() {
    return &sprite1;
}
Font** getFont1() {
    return &font1;
}
Vector* getCameraPosition() {
    return &cameraPosition;
}

Vector applyCamera(const Vector* position) {
    return {position->x - cameraPosition.x, position->y - cameraPosition.y};
}

Rectangle* getViewPort() {
    return &viewPort;
}
