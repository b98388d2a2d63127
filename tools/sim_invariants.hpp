// sim_invariants -- the game state a soak run reads after every pass, and the rules it must
// keep from one pass to the next.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine_math_helper.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"

struct GameState {
    std::int32_t scene = 0;
    std::int32_t score = 0;
    std::int32_t highScore = 0;
    Vector paddle = {};
    std::int32_t blockCount = 0;
    std::array<Vector, kBlockCapacity> blocks = {};
    std::int32_t ballCount = 0;
    std::array<Ball, kBallCapacity> balls = {};
    std::int32_t coinCount = 0;
    std::array<Vector, kCoinCapacity> coins = {};
    std::int32_t menuPage = 0;
    std::int32_t menuCursor = 0;
    std::int32_t menuWindowMode = 0;
    std::int32_t menuScaleType = 0;
    std::int32_t menuRotation = 0;
};

// Reads the live game through its queries; entries beyond a count's capacity are not read.
void readGameState(GameState& state);

// Describes the first invariant that `current` breaks, given the state one pass earlier;
// empty when every invariant holds.
std::string findBrokenInvariant(const GameState& previous, const GameState& current);
