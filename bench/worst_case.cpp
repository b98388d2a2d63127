// worst_case -- puts the stage into the costliest state the rules allow for one frame, so the
// benchmarks and the pacing tool measure the frame a player can never make slower, and into
// the busiest for the ear, so the audio tools can play it frame after frame.
#include "worst_case.hpp"

#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"

namespace {
// Below the wall's last row (its bottom edge is at y 188) and above the paddle's catch area
// (from y 284.5): one update moves a ball less than two pixels, so it touches neither.
constexpr float kFlightLeft = 30.0f;
constexpr float kFlightSpacing = 20.0f;
constexpr float kFlightY = 230.0f;
constexpr float kFlightRowStep = 20.0f;
// Block corners lie on x = 16 + 16c and y = 36 + 8r. Ball i ends its move on the corner between
// columns i and i + 1 and rows 2i and 2i + 1, so no two balls share a block.
constexpr float kFirstCornerX = 16.0f;
constexpr float kFirstCornerY = 36.0f;
constexpr float kCornerStepX = 16.0f;
constexpr float kCornerStepY = 16.0f;
// Coins in rows of six above the paddle, clear of it and of the bottom edge for many updates.
constexpr std::int32_t kCoinsPerRow = 6;
constexpr float kCoinLeft = 20.0f;
constexpr float kCoinSpacingX = 40.0f;
constexpr float kCoinTop = 200.0f;
constexpr float kCoinSpacingY = 10.0f;
// For the ear's worst case: six balls strike, and the others start half a step inside an edge
// of the field, heading out, so one update takes each across it and turns it back.
constexpr std::int32_t kStrikingBalls = 6;
constexpr float kEdgeInset = 0.5f;
constexpr auto kFieldWidth = static_cast<float>(kPlayFieldWidth);
constexpr float kSideBounceY = 150.0f;

Ball flyingBall(std::int32_t index) {
    const float x = kFlightLeft + kFlightSpacing * static_cast<float>(index);
    const float y = kFlightY + kFlightRowStep * static_cast<float>(index % 2);
    const Vector direction = {index % 2 == 0 ? 1.0f : -1.0f, index % 3 == 0 ? 1.0f : -1.0f};
    return {{x, y}, direction, 1.0f, 0, false};
}

Ball strikingBall(std::int32_t index) {
    const Vector direction = {1.0f, 1.0f};
    const float speed = 1.0f;
    const Vector corner = {kFirstCornerX + kCornerStepX * static_cast<float>(index),
                           kFirstCornerY + kCornerStepY * static_cast<float>(index)};
    // Placed one step back, so the update's move lands it exactly on the corner.
    return {{corner.x - direction.x * speed, corner.y - direction.y * speed},
            direction,
            speed,
            0,
            false};
}

// One step above the paddle's catch area's centre, falling into it.
Ball paddleBall() {
    const Rectangle catchArea = getPaddleCollisionRectangle();
    return {{static_cast<float>(catchArea.x), static_cast<float>(catchArea.y) - 1.0f},
            {0.0f, 1.0f},
            1.0f,
            0,
            false};
}

Ball placedBall(BallPlacement placement, std::int32_t index) {
    if (placement == BallPlacement::FreeFlight) {
        return flyingBall(index);
    }
    if (placement == BallPlacement::CornerStrikes || index < kStrikingBalls) {
        return strikingBall(index);
    }
    switch (index - kStrikingBalls) {
        case 0:
            return {{kEdgeInset, kSideBounceY}, {-1.0f, 0.0f}, 1.0f, 0, false};
        case 1:
            return {{kFieldWidth - kEdgeInset, kSideBounceY}, {1.0f, 0.0f}, 1.0f, 0, false};
        case 2:
            return {{kPlayFieldCentreX, kEdgeInset}, {0.0f, -1.0f}, 1.0f, 0, false};
        default:
            return paddleBall();
    }
}
}  // namespace

void enterStageInPlay() {
    changeScene(kStageScene);
    for (std::int32_t update = 0; update < kServeFrames; ++update) {
        updateCurrentScene();
    }
}

void stageWorstCase(BallPlacement placement) {
    initializeBlocks();
    while (getBallCount() < kBallCapacity) {
        addBall({0.0f, 0.0f}, {0.0f, 0.0f});
    }
    for (std::int32_t i = 0; i < kBallCapacity; ++i) {
        setBall(i, placedBall(placement, i));
    }
    setCoins();
    for (std::int32_t i = 0; i < kCoinCapacity; ++i) {
        addCoin({kCoinLeft + kCoinSpacingX * static_cast<float>(i % kCoinsPerRow),
                 kCoinTop + kCoinSpacingY * static_cast<float>(i / kCoinsPerRow)});
    }
}
