// sim_invariants -- the rules a soak run checks the game's state against after every pass,
// from one pass to the next.
#include "sim_invariants.hpp"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine_video.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"

namespace {
// The paddle's half length keeps its centre this far from either side of the field.
constexpr auto kPaddleLeftmost = static_cast<float>(kPaddleHalfLength);
constexpr auto kPaddleRightmost = static_cast<float>(kPlayFieldWidth - kPaddleHalfLength);

using WallCells = std::bitset<kBlockCapacity>;

std::string describe(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string describe(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

bool finite(Vector v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

bool within(std::int32_t value, std::int32_t lowest, std::int32_t highest) {
    return value >= lowest && value <= highest;
}

// The wall cell a block stands on, or -1 when its centre is not exactly a wall position.
std::int32_t wallCell(Vector block) {
    const float column = (block.x - kFirstBlock.x) / static_cast<float>(kBlockWidth);
    const float row = (block.y - kFirstBlock.y) / static_cast<float>(kBlockHeight);
    if (!std::isfinite(column) || !std::isfinite(row) || column != std::floor(column) ||
        row != std::floor(row) || column < 0.0f || column >= kWallColumns || row < 0.0f ||
        row >= kWallRows) {
        return -1;
    }
    return static_cast<std::int32_t>(row) * kWallColumns + static_cast<std::int32_t>(column);
}

std::string checkCounts(const GameState& /*previous*/, const GameState& s) {
    if (!within(s.blockCount, 0, kBlockCapacity)) {
        return describe("block count %d outside 0 to %d", s.blockCount, kBlockCapacity);
    }
    if (!within(s.ballCount, 0, kBallCapacity)) {
        return describe("ball count %d outside 0 to %d", s.ballCount, kBallCapacity);
    }
    if (!within(s.coinCount, 0, kCoinCapacity)) {
        return describe("coin count %d outside 0 to %d", s.coinCount, kCoinCapacity);
    }
    return {};
}

std::string checkPositions(const GameState& /*previous*/, const GameState& s) {
    if (!finite(s.paddle)) {
        return describe("paddle position (%g, %g) not finite", s.paddle.x, s.paddle.y);
    }
    if (s.paddle.x < kPaddleLeftmost || s.paddle.x > kPaddleRightmost) {
        return describe("paddle x %g outside %g to %g", s.paddle.x, kPaddleLeftmost,
                        kPaddleRightmost);
    }
    if (s.paddle.y != kPaddleLineY) {
        return describe("paddle y %g off its line %g", s.paddle.y, kPaddleLineY);
    }
    for (std::int32_t i = 0; i < s.ballCount; ++i) {
        const Ball& b = s.balls[i];
        if (!finite(b.position) || !finite(b.direction) || !std::isfinite(b.speed)) {
            return describe("ball %d not finite: position (%g, %g), direction (%g, %g), speed %g",
                            i, b.position.x, b.position.y, b.direction.x, b.direction.y, b.speed);
        }
        if (b.hits < 0) {
            return describe("ball %d has %d hits", i, b.hits);
        }
    }
    for (std::int32_t i = 0; i < s.coinCount; ++i) {
        if (!finite(s.coins[i])) {
            return describe("coin %d position (%g, %g) not finite", i, s.coins[i].x, s.coins[i].y);
        }
    }
    return {};
}

std::string checkScores(const GameState& previous, const GameState& s) {
    if (s.score < 0) {
        return describe("score %d below zero", s.score);
    }
    if (s.highScore < s.score) {
        return describe("hi-score %d below score %d", s.highScore, s.score);
    }
    if (s.highScore < previous.highScore) {
        return describe("hi-score fell from %d to %d", previous.highScore, s.highScore);
    }
    return {};
}

std::string readWall(const GameState& s, WallCells& cells) {
    for (std::int32_t i = 0; i < std::min(s.blockCount, kBlockCapacity); ++i) {
        const std::int32_t cell = wallCell(s.blocks[i]);
        if (cell < 0) {
            return describe("block %d at (%g, %g) is not on the wall", i, s.blocks[i].x,
                            s.blocks[i].y);
        }
        if (cells.test(static_cast<std::size_t>(cell))) {
            return describe("block at (%g, %g) is live twice", s.blocks[i].x, s.blocks[i].y);
        }
        cells.set(static_cast<std::size_t>(cell));
    }
    return {};
}

// Blocks are only ever removed within a stage; a new stage lays out the whole wall again.
std::string checkBlocks(const GameState& previous, const GameState& s) {
    WallCells now;
    if (std::string broken = readWall(s, now); !broken.empty()) {
        return broken;
    }
    const bool stageStarted = previous.scene != kStageScene && s.scene == kStageScene;
    if (stageStarted) {
        return {};
    }
    if (s.blockCount > previous.blockCount) {
        return describe("block count rose from %d to %d within a stage", previous.blockCount,
                        s.blockCount);
    }
    WallCells before;
    if (!readWall(previous, before).empty()) {
        return {};
    }
    for (std::int32_t i = 0; i < s.blockCount; ++i) {
        if (!before.test(static_cast<std::size_t>(wallCell(s.blocks[i])))) {
            return describe("block at (%g, %g) reappeared within a stage", s.blocks[i].x,
                            s.blocks[i].y);
        }
    }
    return {};
}

std::string checkScenes(const GameState& /*previous*/, const GameState& s) {
    if (s.scene != kMenuScene && s.scene != kStageScene) {
        return describe("scene %d is neither the menu nor the stage", s.scene);
    }
    if (!within(s.menuPage, 0, static_cast<std::int32_t>(kMenuLastRow.size()) - 1)) {
        return describe("menu page %d outside 0 to %d", s.menuPage,
                        static_cast<int>(kMenuLastRow.size()) - 1);
    }
    const std::int32_t lastRow = kMenuLastRow[static_cast<std::size_t>(s.menuPage)];
    if (!within(s.menuCursor, 0, lastRow)) {
        return describe("menu cursor %d outside 0 to %d on page %d", s.menuCursor, lastRow,
                        s.menuPage);
    }
    if (!within(s.menuWindowMode, 0, kWindowModeCount - 1)) {
        return describe("menu window mode %d outside 0 to 2", s.menuWindowMode);
    }
    if (!within(s.menuScaleType, 0, kScaleTypeCount - 1)) {
        return describe("menu scale type %d outside 0 to 2", s.menuScaleType);
    }
    if (!within(s.menuRotation, 0, kRotationCount - 1)) {
        return describe("menu rotation %d outside 0 to 3", s.menuRotation);
    }
    return {};
}
}  // namespace

std::string findBrokenInvariant(const GameState& previous, const GameState& current) {
    // Counts come first: the later checks index the arrays by them.
    using Check = std::string (*)(const GameState&, const GameState&);
    constexpr std::array<Check, 5> kChecks = {checkCounts, checkScenes, checkPositions, checkScores,
                                              checkBlocks};
    for (const Check check : kChecks) {
        if (std::string broken = check(previous, current); !broken.empty()) {
            return broken;
        }
    }
    return {};
}
