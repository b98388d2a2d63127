// entity_ball -- the wall of blocks and the balls in play, and the rules of a ball's flight.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"
#include "game_constants.hpp"

inline constexpr std::int32_t kBlockCapacity = 300;
inline constexpr std::int32_t kBallCapacity = 10;
inline constexpr std::int32_t kBlockPoints = 100;
// Updates the ball rides on the paddle at the start of a stage.
inline constexpr std::int32_t kServeFrames = ticks(1.0);

// The wall: rows of blocks the size of their cell, the first centred at kFirstBlock, each row
// as many as fit across the field.
inline constexpr Vector kFirstBlock = {8.0f, 32.0f};
inline constexpr std::int32_t kBlockWidth = kBlockCell.w;
inline constexpr std::int32_t kBlockHeight = kBlockCell.h;
inline constexpr std::int32_t kWallColumns = kPlayFieldWidth / kBlockWidth;
inline constexpr std::int32_t kWallRows = kBlockCapacity / kWallColumns;

struct Ball {
    Vector position;
    // Moved by direction × speed each frame; never normalised.
    Vector direction;
    float speed;
    // Blocks struck since the last paddle contact or since the ball was made.
    std::int32_t hits;
    // Made by a split and not yet back on the paddle; such a ball does not split.
    bool cloned;
};

// Lays out the full wall: 15 columns by 20 rows of 16 by 8 blocks from (8, 32).
void initializeBlocks();
// Moves the last live block into the slot; indices outside the live blocks are ignored.
void removeBlock(std::int32_t index);
void renderBlocks();
// Appends a cloned ball heading opposite to `direction` at speed 1; ignored with 10 live.
void addBall(Vector position, Vector direction);
// Moves the last live ball into the slot; indices outside the live balls are ignored.
void removeBall(std::int32_t index);
// One ball on the paddle, ready to serve; call after setPaddle.
void initializeBalls();
// One frame of play; sends the game back to the menu on the update after the last ball is lost.
void updateBalls();
// Draws the balls and the ball count.
void renderBalls();

std::int32_t getBlockCount();
// Centre of a live block; (0, 0) for an index outside the live blocks.
Vector getBlock(std::int32_t index);
std::int32_t getBallCount();
// A copy of a live ball; all zero for an index outside the live balls.
Ball getBall(std::int32_t index);
// Overwrites a live ball, for tools and tests that stage a position; other indices are ignored.
void setBall(std::int32_t index, const Ball& ball);
// Updates of the serve so far, held at kServeFrames once the ball is in play.
std::int32_t getServeTimer();
