// game_score -- the stage's score and the best score of the run, drawn at the top of the field.
#include "game_score.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "game_font.hpp"
#include "game_variables.hpp"

namespace {
constexpr float kLabelX = 8.0f;
constexpr float kValueX = 100.0f;
constexpr float kScoreY = 2.0f;
constexpr float kHighScoreY = 12.0f;
// Room for "-2147483648" and its terminator.
constexpr std::size_t kNumberTextSize = 12;

std::int32_t score = 0;
std::int32_t highScore = 0;

void printNumber(std::int32_t value, float x, float y) {
    std::array<char, kNumberTextSize> text = {};
    std::snprintf(text.data(), text.size(), "%d", static_cast<int>(value));
    print(*getFont1(), text.data(), x, y);
}
}  // namespace

void setScore() {
    score = 0;
}

void increaseScore(std::int32_t points) {
    // A plain 32-bit sum would overflow after long enough play; the score holds at the limit.
    const std::int64_t sum = std::int64_t{score} + points;
    constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
    score = static_cast<std::int32_t>(sum < kLowest ? kLowest : (sum > kHighest ? kHighest : sum));
    if (score > highScore) {
        highScore = score;
    }
}

void renderScore() {
    print(*getFont1(), "Score: ", kLabelX, kScoreY);
    printNumber(score, kValueX, kScoreY);
    print(*getFont1(), "Hi-Score: ", kLabelX, kHighScoreY);
    printNumber(highScore, kValueX, kHighScoreY);
}

std::int32_t getScore() {
    return score;
}

std::int32_t getHighScore() {
    return highScore;
}
