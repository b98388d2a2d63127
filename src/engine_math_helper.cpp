// engine_math_helper -- vectors and centre-based rectangle tests shared by every entity.
#include "engine_math_helper.hpp"

#include <cmath>
#include <cstdlib>

#include "engine_math_trig.hpp"

bool rectanglesColliding(const Rectangle& a, const Rectangle& b) {
    if (2 * std::abs(a.x - b.x) >= a.w + b.w) {
        return false;
    }
    return 2 * std::abs(a.y - b.y) < a.h + b.h;
}

bool pointInRectangle(Rectangle r, Vector p) {
    // Doubling a float is exact, so the bounds need no rounding; NaN fails every comparison.
    const float doubledX = p.x * 2.0f;
    const float doubledY = p.y * 2.0f;
    if (!(doubledX <= static_cast<float>(2 * r.x + r.w))) {
        return false;
    }
    if (!(doubledX >= static_cast<float>(2 * r.x - r.w))) {
        return false;
    }
    if (!(doubledY <= static_cast<float>(2 * r.y + r.h))) {
        return false;
    }
    return doubledY >= static_cast<float>(2 * r.y - r.h);
}

void addVectors(Vector& v, Vector d) {
    v.x += d.x;
    v.y += d.y;
}

Vector sumOf2Vectors(Vector a, Vector b) {
    return {a.x + b.x, a.y + b.y};
}

float distanceBetween2VectorsSquared(Vector a, Vector b) {
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    return dx * dx + dy * dy;
}

float getAngleBetween2Vectors(Vector from, Vector to) {
    const float dy = to.y - from.y;
    const float dx = to.x - from.x;
    return roundedAtan2(dy, dx) * kRadiansToDegrees;
}

float getMagnitudeSquared(Vector v) {
    return v.x * v.x + v.y * v.y;
}

Vector multiplyVector(Vector v, float s) {
    return {v.x * s, v.y * s};
}

Vector rotateVector(Vector v, float angle) {
    const float theta = angle * kDegreesToRadians;
    const float c = roundedCos(theta);
    const float s = roundedSin(theta);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

Vector normalizeVector(Vector v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y);
    return {v.x / length, v.y / length};
}
