#include "game_score.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
}  // namespace

TEST(Score, HiScoreFollowsOnlyAStrictlyHigherScore) {
    struct Step {
        bool newStage;
        std::int32_t points;
        std::int32_t score;
        std::int32_t highScore;
    };
    const Step steps[] = {
        {false, 0, 0, 0},       {false, 800, 800, 800}, {true, 0, 0, 800}, {false, 700, 700, 800},
        {false, 100, 800, 800}, {false, 100, 900, 900}, {true, 0, 0, 900}, {false, 52, 52, 900},
    };
    int index = 0;
    for (const Step& step : steps) {
        if (step.newStage) {
            setScore();
        } else {
            increaseScore(step.points);
        }
        EXPECT_EQ(getScore(), step.score) << "step " << index;
        EXPECT_EQ(getHighScore(), step.highScore) << "step " << index;
        ++index;
    }
}

TEST(Score, SaturatesAtTheLimitsOfA32BitInt) {
    increaseScore(kMax - 10);
    increaseScore(100);
    EXPECT_EQ(getScore(), kMax);
    EXPECT_EQ(getHighScore(), kMax);
    increaseScore(5000);
    EXPECT_EQ(getScore(), kMax);
    increaseScore(-1);
    EXPECT_EQ(getScore(), kMax - 1);
    EXPECT_EQ(getHighScore(), kMax);

    setScore();
    increaseScore(kMin + 5);
    increaseScore(-100);
    EXPECT_EQ(getScore(), kMin);
    EXPECT_EQ(getHighScore(), kMax);
}
