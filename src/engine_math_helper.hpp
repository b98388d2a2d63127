// engine_math_helper -- vectors and centre-based rectangle tests shared by every entity.
#pragma once

#include <cstdint>

// A position in play-field pixels (origin top-left, y down) or a plain direction multiplier.
struct Vector {
    float x;
    float y;
};

// Laid out like SDL_Rect. As a sprite cell (x, y) is the top-left corner; in the collision
// tests below (x, y) is the centre and w, h the full size.
struct Rectangle {
    std::int32_t x;
    std::int32_t y;
    std::int32_t w;
    std::int32_t h;
};

inline constexpr float kRadiansToDegrees = 57.295776f;
inline constexpr float kDegreesToRadians = 0.017453292f;

// Strict overlap of two centre-based rectangles; touching edges do not collide.
bool rectanglesColliding(const Rectangle& a, const Rectangle& b);
// Inclusive test on doubled coordinates, so odd sizes have exact half-extents.
bool pointInRectangle(Rectangle r, Vector p);
void addVectors(Vector& v, Vector d);
Vector sumOf2Vectors(Vector a, Vector b);
float distanceBetween2VectorsSquared(Vector a, Vector b);
// Degrees from `from` towards `to`; 90 points down the screen. The arctangent, and the sine and
// cosine of rotateVector, are the game's own (engine_math_trig), the same on every platform.
float getAngleBetween2Vectors(Vector from, Vector to);
float getMagnitudeSquared(Vector v);
Vector multiplyVector(Vector v, float s);
// Positive angles turn clockwise on screen.
Vector rotateVector(Vector v, float angle);
// No guard for a zero vector: (0, 0) gives NaN components.
Vector normalizeVector(Vector v);
