// touch_steering -- where a point of the window falls on the play field, and which way a finger
// held there steers the paddle.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"
#include "engine_video.hpp"

// The play-field point under `windowPoint`, for a field of the given size drawn as `layout`
// places it: into its rectangle, turned clockwise about the rectangle's centre.
Vector fieldPointAt(const VideoLayout& layout, Vector windowPoint, std::int32_t fieldWidth,
                    std::int32_t fieldHeight);
bool isOnField(Vector fieldPoint, std::int32_t fieldWidth, std::int32_t fieldHeight);

enum class Steer : std::int32_t { Still, Left, Right };
// Which way the paddle goes to come under a finger: towards it at its own step a frame, and still
// once its centre is within one step, so it settles rather than shaking about the finger.
Steer steerTowards(float fingerX, float paddleCentreX, float step);
