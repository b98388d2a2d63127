// game_variables -- the slots for the shared sprite sheet, font, camera and view rectangle.
#include "game_variables.hpp"

namespace {
Sprite* sprite1 = nullptr;
Font* font1 = nullptr;
Vector cameraPosition = {0.0f, 0.0f};
Rectangle viewPort = {0, 0, 240, 320};
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
