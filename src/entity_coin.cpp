// entity_coin -- coins dropped by struck blocks: they fall, home on the paddle when many, and
// score when caught.
#include "entity_coin.hpp"

#include <array>

#include "engine_sprite.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_score.hpp"
#include "game_stage_sounds.hpp"
#include "game_variables.hpp"

namespace {
constexpr float kFallStep = 0.3f;
constexpr float kHomingStep = 0.4f;
constexpr float kCrowdedFactor = 2.0f;
// More live coins than this and they steer for the paddle instead of falling.
constexpr std::int32_t kHomingCount = 10;
// More than this and they steer twice as fast.
constexpr std::int32_t kCrowdedCount = 20;
// A coin is lost this far below the bottom of the field.
constexpr std::int32_t kLostMargin = 10;
constexpr auto kLostBelowY = static_cast<float>(kPlayFieldHeight + kLostMargin);

std::array<Vector, kCoinCapacity> coins = {};
std::int32_t coinCount = 0;

void moveCoin(Vector& coin) {
    if (coinCount <= kHomingCount) {
        coin.y += kFallStep;
        return;
    }
    const float angle = getAngleBetween2Vectors(coin, getPaddlePosition());
    Vector step = rotateVector({kHomingStep, 0.0f}, angle);
    if (coinCount > kCrowdedCount) {
        step = multiplyVector(step, kCrowdedFactor);
    }
    addVectors(coin, step);
}
}  // namespace

void setCoins() {
    coinCount = 0;
}

void addCoin(Vector position) {
    if (coinCount >= kCoinCapacity) {
        return;
    }
    coins[coinCount] = position;
    ++coinCount;
}

void removeCoin(std::int32_t index) {
    if (index < 0 || index >= coinCount) {
        return;
    }
    --coinCount;
    coins[index] = coins[coinCount];
}

void updateCoins() {
    // The count is read afresh for every coin, so losses and catches earlier in the pass decide
    // whether the later coins fall or home, and a slot refilled from the end is not moved again.
    for (std::int32_t i = 0; i < coinCount; ++i) {
        moveCoin(coins[i]);
        if (coins[i].y > kLostBelowY) {
            removeCoin(i);
        }
        if (i < coinCount && pointInRectangle(getPaddleCollisionRectangle(), coins[i])) {
            removeCoin(i);
            increaseScore(kCoinPoints);
            noteStageEvent(StageEvent::CoinCaught);
        }
    }
}

void renderCoins() {
    for (std::int32_t i = 0; i < coinCount; ++i) {
        renderSprite(*getSprite1(), kCoinCell, coins[i].x, coins[i].y, 0);
    }
}

std::int32_t getCoinCount() {
    return coinCount;
}

Vector getCoin(std::int32_t index) {
    if (index < 0 || index >= coinCount) {
        return {0.0f, 0.0f};
    }
    return coins[index];
}
