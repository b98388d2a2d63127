// entity_paddle -- the player's paddle: moved by Left and Right, caught against by balls and coins.
#include "entity_paddle.hpp"

#include "engine_input.hpp"
#include "engine_sprite.hpp"
#include "game_constants.hpp"
#include "game_variables.hpp"

namespace {
constexpr float kSpeed = 2.0f;
// The catch area reaches 5 pixels beyond each end of the drawn paddle.
constexpr std::int32_t kCatchMargin = 10;
constexpr std::int32_t kCatchHeight = 11;
// The field's width is the paddle's own limit, not read from the video settings.
constexpr auto kFieldWidth = static_cast<float>(kPlayFieldWidth);

Vector position = {kPlayFieldCentreX, kPaddleLineY};
float speed = kSpeed;
std::int32_t halfPaddleLength = kPaddleHalfLength;
Rectangle collisionRectangle = {0, 0, 0, 0};
}  // namespace

void setPaddle() {
    position.x = kPlayFieldCentreX;
    halfPaddleLength = kPaddleHalfLength;
    speed = kSpeed;
}

void updatePaddle() {
    // Taken before the move, so balls and coins this frame meet the paddle where it was drawn.
    collisionRectangle = {static_cast<std::int32_t>(position.x),
                          static_cast<std::int32_t>(position.y),
                          2 * halfPaddleLength + kCatchMargin, kCatchHeight};
    if (inputDown(InputAction::Left) != 0) {
        position.x -= speed;
    }
    if (inputDown(InputAction::Right) != 0) {
        position.x += speed;
    }
    const auto half = static_cast<float>(halfPaddleLength);
    if (position.x + half > kFieldWidth) {
        position.x = kFieldWidth - half;
    } else if (position.x - half < 0.0f) {
        position.x = half;
    }
}

void renderPaddle() {
    renderSprite(*getSprite1(), kPaddleCell, position.x, position.y, 0);
}

Rectangle getPaddleCollisionRectangle() {
    return collisionRectangle;
}

Vector getPaddlePosition() {
    return position;
}

float getPaddleStep() {
    return speed;
}
