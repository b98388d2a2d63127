// entity_coin -- coins dropped by struck blocks: they fall, home on the paddle when many, and
// score when caught.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

inline constexpr std::int32_t kCoinCapacity = 30;
inline constexpr std::int32_t kCoinPoints = 52;

// Clears every coin when a stage starts.
void setCoins();
// Appends a coin centred there; ignored while kCoinCapacity coins are live.
void addCoin(Vector position);
// Moves the last live coin into the slot; indices outside the live coins are ignored.
void removeCoin(std::int32_t index);
// Moves, loses and catches coins; run after the balls, which may have dropped new ones.
void updateCoins();
void renderCoins();
std::int32_t getCoinCount();
// Centre of a live coin; (0, 0) for an index outside the live coins.
Vector getCoin(std::int32_t index);
