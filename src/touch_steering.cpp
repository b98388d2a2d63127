// touch_steering -- where a point of the window falls on the play field, and which way a finger
// held there steers the paddle.
#include "touch_steering.hpp"

namespace {
// The offset from the rectangle's centre turned back by the drawn quarter turns: the copy turns
// (x, y) clockwise to (-y, x) in the window's downward y.
Vector unturn(Vector offset, std::int32_t degrees) {
    switch (((degrees / 90) % 4 + 4) % 4) {
        case 1:
            return {offset.y, -offset.x};
        case 2:
            return {-offset.x, -offset.y};
        case 3:
            return {-offset.y, offset.x};
        default:
            return offset;
    }
}
}  // namespace

Vector fieldPointAt(const VideoLayout& layout, Vector windowPoint, std::int32_t fieldWidth,
                    std::int32_t fieldHeight) {
    const Rectangle& drawn = layout.scaleRectangle;
    if (drawn.w <= 0 || drawn.h <= 0) {
        return {-1.0f, -1.0f};
    }
    const float halfWidth = static_cast<float>(drawn.w) / 2.0f;
    const float halfHeight = static_cast<float>(drawn.h) / 2.0f;
    const Vector centre = {static_cast<float>(drawn.x) + halfWidth,
                           static_cast<float>(drawn.y) + halfHeight};
    const Vector offset =
        unturn({windowPoint.x - centre.x, windowPoint.y - centre.y}, layout.textureRotation);
    return {
        (offset.x + halfWidth) * static_cast<float>(fieldWidth) / static_cast<float>(drawn.w),
        (offset.y + halfHeight) * static_cast<float>(fieldHeight) / static_cast<float>(drawn.h)};
}

bool isOnField(Vector fieldPoint, std::int32_t fieldWidth, std::int32_t fieldHeight) {
    return fieldPoint.x >= 0.0f && fieldPoint.y >= 0.0f &&
           fieldPoint.x < static_cast<float>(fieldWidth) &&
           fieldPoint.y < static_cast<float>(fieldHeight);
}

Steer steerTowards(float fingerX, float paddleCentreX, float step) {
    if (fingerX < paddleCentreX - step) {
        return Steer::Left;
    }
    if (fingerX > paddleCentreX + step) {
        return Steer::Right;
    }
    return Steer::Still;
}
