#include "entity_coin.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "entity_paddle.hpp"
#include "game_score.hpp"
#include "stage_support.hpp"

using stage_support::holdOnly;

namespace {
// The paddle at x = 120 with its catch area (120, 290, 38, 11) in place, no coins, score 0.
class Coins : public stage_support::InputTest {
  protected:
    void SetUp() override {
        InputTest::SetUp();
        setPaddle();
        holdOnly({});
        updatePaddle();
        setCoins();
        setScore();
    }

    static std::vector<Vector> liveCoins() {
        std::vector<Vector> result;
        for (std::int32_t i = 0; i < getCoinCount(); ++i) {
            result.push_back(getCoin(i));
        }
        return result;
    }
};
}  // namespace

TEST_F(Coins, FallUntilPastTheBottomAndAreLostThere) {
    addCoin({30.0f, 184.0f});
    float previous = 184.0f;
    int frames = 0;
    while (getCoinCount() == 1) {
        updateCoins();
        ++frames;
        ASSERT_LT(frames, 1000);
        if (getCoinCount() == 1) {
            ASSERT_EQ(getCoin(0).x, 30.0f);
            ASSERT_EQ(getCoin(0).y, previous + 0.3f) << "frame " << frames;
            ASSERT_LE(getCoin(0).y, 330.0f) << "frame " << frames;
            previous = getCoin(0).y;
        }
    }
    EXPECT_GT(previous + 0.3f, 330.0f) << "lost too early";
    EXPECT_EQ(frames, 487);
    EXPECT_EQ(getScore(), 0);
}

TEST_F(Coins, ACoinAtExactly330Stays) {
    // A start one fall step above the line, nudged so that the sum lands exactly on it.
    float start = 329.7f;
    while (start + 0.3f < 330.0f) {
        start = std::nextafter(start, 400.0f);
    }
    while (start + 0.3f > 330.0f) {
        start = std::nextafter(start, 0.0f);
    }
    ASSERT_EQ(start + 0.3f, 330.0f);
    addCoin({30.0f, start});
    updateCoins();
    ASSERT_EQ(getCoinCount(), 1);
    EXPECT_EQ(getCoin(0).y, 330.0f);
    updateCoins();
    EXPECT_EQ(getCoinCount(), 0);
}

TEST_F(Coins, FallingIntoTheCatchAreaScores52) {
    addCoin({120.0f, 280.0f});
    float lastY = 280.0f;
    while (getCoinCount() == 1) {
        lastY = getCoin(0).y;
        ASSERT_EQ(getScore(), 0);
        updateCoins();
    }
    EXPECT_EQ(getScore(), kCoinPoints);
    EXPECT_EQ(getHighScore(), kCoinPoints);
    // Caught on the first frame it reached the top edge of the area, 5.5 above the centre line.
    EXPECT_LT(lastY, 284.5f);
    EXPECT_GE(lastY + 0.3f, 284.5f);
}

TEST_F(Coins, HomeOnThePaddleWhenMoreThanTenAndTwiceAsFastWhenMoreThanTwenty) {
    struct Case {
        int count;
        float step;
    };
    for (const Case& c :
         {Case{10, 0.0f}, Case{11, 0.4f}, Case{20, 0.4f}, Case{21, 0.8f}, Case{30, 0.8f}}) {
        setCoins();
        // Spread around the paddle, some below its centre line, all outside the catch area.
        for (int i = 0; i < c.count; ++i) {
            const float x = 10.0f + 7.0f * static_cast<float>(i);
            const float y = (i % 3 == 0) ? 316.0f : 60.0f + 5.0f * static_cast<float>(i);
            addCoin({x, y});
        }
        const std::vector<Vector> before = liveCoins();
        updateCoins();
        const std::vector<Vector> after = liveCoins();
        ASSERT_EQ(after.size(), before.size()) << c.count << " coins";
        const Vector paddle = getPaddlePosition();
        for (std::size_t i = 0; i < before.size(); ++i) {
            const float dx = after[i].x - before[i].x;
            const float dy = after[i].y - before[i].y;
            if (c.step == 0.0f) {
                EXPECT_EQ(dx, 0.0f);
                EXPECT_EQ(after[i].y, before[i].y + 0.3f) << c.count << " coins, coin " << i;
                continue;
            }
            EXPECT_NEAR(std::hypot(dx, dy), c.step, 1e-4f) << c.count << " coins, coin " << i;
            // Straight at the paddle's centre: parallel to the line to it, and towards it.
            const float tx = paddle.x - before[i].x;
            const float ty = paddle.y - before[i].y;
            const float length = std::hypot(tx, ty);
            EXPECT_NEAR((dx * ty - dy * tx) / length, 0.0f, 1e-4f) << c.count << " coins, " << i;
            EXPECT_GT(dx * tx + dy * ty, 0.0f) << c.count << " coins, coin " << i;
        }
    }
}

TEST_F(Coins, HomingFollowsThePaddleSideways) {
    for (int i = 0; i < 11; ++i) {
        addCoin({20.0f + 2.0f * static_cast<float>(i), 290.0f});
    }
    for (int frame = 0; frame < 15; ++frame) {
        holdOnly({InputAction::Left});
        updatePaddle();
        const std::vector<Vector> before = liveCoins();
        updateCoins();
        ASSERT_EQ(getCoinCount(), 11);
        for (std::size_t i = 0; i < before.size(); ++i) {
            // Every coin is left of the paddle and level with it, so it moves right only.
            EXPECT_NEAR(getCoin(static_cast<std::int32_t>(i)).x - before[i].x, 0.4f, 1e-5f);
            EXPECT_NEAR(getCoin(static_cast<std::int32_t>(i)).y, 290.0f, 1e-4f);
        }
    }
    EXPECT_EQ(getPaddlePosition().x, 90.0f);
}

TEST_F(Coins, ACatchEarlyInThePassLetsTheRestFall) {
    // Slot 0 sits in the catch area; the other ten sit high above it.
    addCoin({120.0f, 290.0f});
    for (int i = 1; i <= 10; ++i) {
        addCoin({15.0f * static_cast<float>(i), 100.0f});
    }
    const std::vector<Vector> before = liveCoins();
    updateCoins();
    ASSERT_EQ(getCoinCount(), 10);
    EXPECT_EQ(getScore(), kCoinPoints);
    // The last coin took slot 0 and was neither moved nor tested this frame.
    EXPECT_EQ(getCoin(0).x, before[10].x);
    EXPECT_EQ(getCoin(0).y, before[10].y);
    // With ten left, the coins visited after the catch fell instead of homing.
    for (std::int32_t i = 1; i < 10; ++i) {
        EXPECT_EQ(getCoin(i).x, before[static_cast<std::size_t>(i)].x) << "coin " << i;
        EXPECT_EQ(getCoin(i).y, before[static_cast<std::size_t>(i)].y + 0.3f) << "coin " << i;
    }
}

TEST_F(Coins, ALossRefillsTheSlotWithACoinThatIsTestedButNotMoved) {
    // Slot 0 about to pass the bottom; the last coin already inside the catch area.
    addCoin({30.0f, 329.9f});
    addCoin({50.0f, 100.0f});
    addCoin({121.0f, 291.0f});
    updateCoins();
    ASSERT_EQ(getCoinCount(), 1);
    EXPECT_EQ(getScore(), kCoinPoints);
    // The catch refilled slot 0 once more, and the pass ended before that coin's turn.
    EXPECT_EQ(getCoin(0).x, 50.0f);
    EXPECT_EQ(getCoin(0).y, 100.0f);
}

TEST_F(Coins, ThirtyIsTheCapacity) {
    for (int i = 0; i < 31; ++i) {
        addCoin({static_cast<float>(i), 10.0f});
    }
    EXPECT_EQ(getCoinCount(), kCoinCapacity);
    EXPECT_EQ(getCoin(29).x, 29.0f);
    removeCoin(0);
    EXPECT_EQ(getCoinCount(), 29);
    EXPECT_EQ(getCoin(0).x, 29.0f);
    removeCoin(29);
    removeCoin(-1);
    EXPECT_EQ(getCoinCount(), 29);
}
