// entity_ball -- the wall of blocks and the balls in play, and the rules of a ball's flight.
#include "entity_ball.hpp"

#include <array>
#include <cstdio>

#include "engine_sprite.hpp"
#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_font.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "game_stage_sounds.hpp"
#include "game_variables.hpp"

namespace {
constexpr auto kFieldWidth = static_cast<float>(kPlayFieldWidth);
constexpr auto kFieldHeight = static_cast<float>(kPlayFieldHeight);
// The served ball rides this far above the paddle's centre line.
constexpr float kServeHeight = 10.0f;
constexpr Vector kServeDirection = {0.4f, -1.0f};
constexpr float kNewBallSpeed = 1.0f;
constexpr float kWallSpeedUp = 0.005f;
constexpr float kPaddleSpeedUp = 0.01f;
constexpr float kBlockSpeedUp = 0.01f;
// The paddle sends a ball off at a steeper sideways slope than a wall or block does.
constexpr float kPaddleSlope = 1.2f;
// The block strike since the last paddle contact on which a ball splits.
constexpr std::int32_t kSplitHit = 3;
constexpr float kCountLabelX = 8.0f;
constexpr float kCountValueX = 100.0f;
constexpr float kCountY = 50.0f;
constexpr std::size_t kNumberTextSize = 12;

// Rows are filled left to right; a row ends when the next block would start at the field's edge.
constexpr std::array<Vector, kBlockCapacity> layOutWall() {
    std::array<Vector, kBlockCapacity> wall = {};
    Vector next = kFirstBlock;
    for (Vector& block : wall) {
        block = next;
        next.x += static_cast<float>(kBlockWidth);
        if (next.x >= kFieldWidth) {
            next.x = kFirstBlock.x;
            next.y += static_cast<float>(kBlockHeight);
        }
    }
    return wall;
}
constexpr std::array<Vector, kBlockCapacity> kFullWall = layOutWall();

std::array<Vector, kBlockCapacity> blocks = kFullWall;
std::int32_t blockCount = kBlockCapacity;
std::array<Ball, kBallCapacity> balls = {};
std::int32_t ballCount = 0;
std::int32_t timer = 0;

// A wall or the paddle is heard only when it turns the ball, not while it sends a ball that is
// still inside it the same way again.
void noteTurn(float before, float after, StageEvent event) {
    if ((before < 0.0f) != (after < 0.0f)) {
        noteStageEvent(event);
    }
}

// Sets one component to ±1 pointing away from the block's centre; level with it, unchanged.
void bounceAway(float& direction, float ball, float block) {
    if (block > ball) {
        direction = -1.0f;
    } else if (block < ball) {
        direction = 1.0f;
    }
}

void bounceOffWalls(Ball& ball, std::int32_t slot) {
    if (ball.position.x <= 0.0f) {
        noteTurn(ball.direction.x, 1.0f, StageEvent::WallBounce);
        ball.direction.x = 1.0f;
        ball.speed += kWallSpeedUp;
    } else if (ball.position.x >= kFieldWidth) {
        noteTurn(ball.direction.x, -1.0f, StageEvent::WallBounce);
        ball.direction.x = -1.0f;
        ball.speed += kWallSpeedUp;
    }
    if (ball.position.y <= 0.0f) {
        noteTurn(ball.direction.y, 1.0f, StageEvent::WallBounce);
        ball.direction.y = 1.0f;
        ball.speed += kWallSpeedUp;
    } else if (ball.position.y >= kFieldHeight) {
        removeBall(slot);
        // Only the ball in slot 0 can be the last, so no other loss shares its frame.
        noteStageEvent(ballCount == 0 ? StageEvent::LastBallLost : StageEvent::BallLost);
    }
}

void bounceOffPaddle(Ball& ball) {
    // Tested against where the paddle was drawn, but the side is judged from its moved centre.
    if (!pointInRectangle(getPaddleCollisionRectangle(), ball.position)) {
        return;
    }
    ball.hits = 0;
    noteTurn(ball.direction.y, -1.0f, StageEvent::PaddleBounce);
    ball.direction.y = -1.0f;
    ball.cloned = false;
    ball.speed += kPaddleSpeedUp;
    const float paddleX = getPaddlePosition().x;
    if (ball.position.x > paddleX) {
        ball.direction.x = kPaddleSlope;
    } else if (ball.position.x < paddleX) {
        ball.direction.x = -kPaddleSlope;
    }
}

void strikeBlocks(Ball& ball) {
    // A struck block's slot is refilled from the end of the wall and the scan moves on, so the
    // block moved in is not tested against this ball until the next frame.
    for (std::int32_t j = 0; j < blockCount; ++j) {
        const Vector block = blocks[j];
        const Rectangle area = {static_cast<std::int32_t>(block.x),
                                static_cast<std::int32_t>(block.y), kBlockWidth, kBlockHeight};
        if (!pointInRectangle(area, ball.position)) {
            continue;
        }
        noteStageEvent(StageEvent::BlockStruck);
        ball.speed += kBlockSpeedUp;
        ball.hits += 1;
        if (ball.hits == kSplitHit && !ball.cloned) {
            addBall(ball.position, ball.direction);
        }
        bounceAway(ball.direction.y, ball.position.y, block.y);
        bounceAway(ball.direction.x, ball.position.x, block.x);
        addCoin(block);
        increaseScore(kBlockPoints);
        removeBlock(j);
    }
}
}  // namespace

void initializeBlocks() {
    blocks = kFullWall;
    blockCount = kBlockCapacity;
}

void removeBlock(std::int32_t index) {
    if (index < 0 || index >= blockCount) {
        return;
    }
    --blockCount;
    blocks[index] = blocks[blockCount];
}

void renderBlocks() {
    for (std::int32_t i = 0; i < blockCount; ++i) {
        renderSprite(*getSprite1(), kBlockCell, blocks[i].x, blocks[i].y, 0);
    }
}

void addBall(Vector position, Vector direction) {
    if (ballCount >= kBallCapacity) {
        return;
    }
    balls[ballCount] = {position, {-direction.x, -direction.y}, kNewBallSpeed, 0, true};
    ++ballCount;
    noteStageEvent(StageEvent::BallSplit);
}

void removeBall(std::int32_t index) {
    if (index < 0 || index >= ballCount) {
        return;
    }
    --ballCount;
    balls[index] = balls[ballCount];
}

void initializeBalls() {
    ballCount = 1;
    timer = 0;
    const Vector paddle = getPaddlePosition();
    balls[0] = {{paddle.x, paddle.y - kServeHeight}, kServeDirection, kNewBallSpeed, 0, false};
}

void updateBalls() {
    if (timer < kServeFrames) {
        ++timer;
        balls[0].position.x = getPaddlePosition().x;
        return;
    }
    // Checked before the balls move, so the frame that loses the last ball is still drawn.
    if (ballCount == 0) {
        changeScene(kMenuScene);
    }
    // The count is re-read on every pass: a ball split off this frame also moves this frame, and
    // a ball moved into a lost ball's slot is met by the paddle and blocks without moving.
    for (std::int32_t i = 0; i < ballCount; ++i) {
        Ball& ball = balls[i];
        addVectors(ball.position, multiplyVector(ball.direction, ball.speed));
        bounceOffWalls(ball, i);
        // The lost ball was the last one, so its slot is no longer live.
        if (i >= ballCount) {
            break;
        }
        bounceOffPaddle(ball);
        strikeBlocks(ball);
    }
}

void renderBalls() {
    for (std::int32_t i = 0; i < ballCount; ++i) {
        renderSprite(*getSprite1(), kBallCell, balls[i].position.x, balls[i].position.y, 0);
    }
    print(*getFont1(), "balls: ", kCountLabelX, kCountY);
    std::array<char, kNumberTextSize> text = {};
    std::snprintf(text.data(), text.size(), "%d", static_cast<int>(ballCount));
    print(*getFont1(), text.data(), kCountValueX, kCountY);
}

std::int32_t getBlockCount() {
    return blockCount;
}

Vector getBlock(std::int32_t index) {
    if (index < 0 || index >= blockCount) {
        return {0.0f, 0.0f};
    }
    return blocks[index];
}

std::int32_t getBallCount() {
    return ballCount;
}

Ball getBall(std::int32_t index) {
    if (index < 0 || index >= ballCount) {
        return {};
    }
    return balls[index];
}

void setBall(std::int32_t index, const Ball& ball) {
    if (index < 0 || index >= ballCount) {
        return;
    }
    balls[index] = ball;
}

std::int32_t getServeTimer() {
    return timer;
}
