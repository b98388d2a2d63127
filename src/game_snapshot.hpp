// game_snapshot -- the whole game's state copied into plain values after a pass, as the trace
// writes it, the invariant checks compare it and the random player looks at it.
#pragma once

#include <array>
#include <cstdint>

#include "engine_math_helper.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"

struct GameState {
    std::int32_t scene = 0;
    std::int32_t score = 0;
    std::int32_t highScore = 0;
    bool paused = false;
    std::int32_t bonusTimer = 0;
    std::int32_t serveTimer = 0;
    Vector paddle = {};
    std::int32_t blockCount = 0;
    std::array<Vector, kBlockCapacity> blocks = {};
    std::int32_t ballCount = 0;
    std::array<Ball, kBallCapacity> balls = {};
    std::int32_t coinCount = 0;
    std::array<Vector, kCoinCapacity> coins = {};
    std::int32_t menuPage = 0;
    std::int32_t menuCursor = 0;
    // The video page's choices, as the values the video module takes.
    std::int32_t menuWindowMode = 0;
    std::int32_t menuScaleType = 0;
    std::int32_t menuRotation = 0;
};

// Reads the live game through its queries; entries beyond a count's capacity are not read.
void readGameState(GameState& state);
