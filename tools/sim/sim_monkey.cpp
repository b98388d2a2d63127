// sim_monkey -- a seeded random player for soak runs: random keys, spells of chasing the ball
// in a stage, and never the menu's Exit or the video page's Apply.
#include "sim_monkey.hpp"

#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "input_bindings.hpp"

namespace {
// Each action is held in about one random step in four.
constexpr std::int64_t kHoldOneIn = 4;
constexpr std::int64_t kLongestRandomStep = 30;
// In the menu most steps press a single key, so the cursor wanders through the pages and
// their choices instead of confirming whatever row it starts on.
constexpr std::int64_t kMenuChordOneIn = 4;
// Chasing keeps balls in play long enough to reach splits, crowds of coins and a thin wall.
constexpr std::int64_t kShortestChase = 60;
constexpr std::int64_t kLongestChase = 600;
constexpr float kChaseDeadZone = 2.0f;

bool holds(const HeldActions& held, InputAction action) {
    return held[static_cast<std::size_t>(action)];
}

HeldActions only(InputAction action) {
    HeldActions held = {};
    held[static_cast<std::size_t>(action)] = true;
    return held;
}

// Actions that share a key (Confirm and Select) are down together.
bool keyDown(const HeldActions& held, InputAction action) {
    for (std::int32_t other = 0; other < kInputActionCount; ++other) {
        if (held[static_cast<std::size_t>(other)] &&
            shareKey(static_cast<InputAction>(other), action)) {
            return true;
        }
    }
    return false;
}

bool newlyPressed(const HeldActions& before, const HeldActions& now, InputAction action) {
    return keyDown(now, action) && !keyDown(before, action);
}

// The row a new Confirm press acts on this pass on `page`, or -1 without one: the cursor
// moves for new Up and Down presses first.
std::int32_t confirmedRow(const HeldActions& before, const HeldActions& now, const GameState& state,
                          std::int32_t page) {
    if (state.scene != kMenuScene || state.menuPage != page ||
        !newlyPressed(before, now, InputAction::Confirm)) {
        return -1;
    }
    std::int32_t cursor = state.menuCursor;
    if (newlyPressed(before, now, InputAction::Up) && cursor > 0) {
        --cursor;
    }
    if (newlyPressed(before, now, InputAction::Down) &&
        cursor < kMenuLastRow[static_cast<std::size_t>(page)]) {
        ++cursor;
    }
    return cursor;
}

// Presses one key at a time, letting go between presses so each counts as new.
HeldActions pressAfterRelease(const HeldActions& held, InputAction action) {
    return holds(held, action) ? HeldActions{} : only(action);
}
}  // namespace

std::uint64_t MonkeyRandom::next() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::int64_t MonkeyRandom::between(std::int64_t lowest, std::int64_t highest) {
    const auto span = static_cast<std::uint64_t>(highest - lowest) + 1;
    return lowest + static_cast<std::int64_t>(next() % span);
}

bool wouldChooseExit(const HeldActions& before, const HeldActions& now, const GameState& state) {
    return confirmedRow(before, now, state, kMainPage) == kExitRow;
}

bool wouldApplyDisplay(const HeldActions& before, const HeldActions& now, const GameState& state) {
    return confirmedRow(before, now, state, kVideoPage) == kApplyRow;
}

std::optional<InputAction> chaseLowestBall(const GameState& state) {
    bool falling = false;
    float lowestY = 0.0f;
    float ballX = 0.0f;
    for (std::int32_t i = 0; i < state.ballCount; ++i) {
        const Ball& ball = state.balls[static_cast<std::size_t>(i)];
        if (ball.direction.y > 0.0f && (!falling || ball.position.y > lowestY)) {
            falling = true;
            ballX = ball.position.x;
            lowestY = ball.position.y;
        }
    }
    const float paddleX = state.paddle.x;
    if (!falling || (ballX > paddleX - kChaseDeadZone && ballX < paddleX + kChaseDeadZone)) {
        return std::nullopt;
    }
    return ballX < paddleX ? InputAction::Left : InputAction::Right;
}

HeldActions Monkey::next(const GameState& state) {
    if (state.scene == kStageScene) {
        steering_ = false;
    }
    HeldActions wanted = {};
    if (steering_) {
        wanted = steerToStart(state);
    } else {
        if (stepPassesLeft_ == 0) {
            chasing_ = state.scene == kStageScene && random_.between(0, 1) == 0;
            stepPassesLeft_ = chasing_ ? random_.between(kShortestChase, kLongestChase)
                                       : random_.between(1, kLongestRandomStep);
            stepKeys_ = chasing_ ? HeldActions{} : chooseRandomKeys(state);
        }
        --stepPassesLeft_;
        if (!chasing_) {
            wanted = stepKeys_;
        } else if (const std::optional<InputAction> key = chaseLowestBall(state)) {
            wanted = only(*key);
        }
    }
    if (wouldChooseExit(held_, wanted, state)) {
        wanted = {};
        steering_ = true;
        ++exitsAvoided_;
        stepPassesLeft_ = 0;
    }
    // An applied display change leaves later passes drawing a rotated copy of the play field at
    // the display's size in software, ten times the cost of a pass, with nothing new for the
    // game's own code; the video page's choices still change freely.
    if (wouldApplyDisplay(held_, wanted, state)) {
        wanted[static_cast<std::size_t>(InputAction::Confirm)] = false;
        wanted[static_cast<std::size_t>(InputAction::Select)] = false;
        ++appliesAvoided_;
    }
    held_ = wanted;
    return held_;
}

HeldActions Monkey::chooseRandomKeys(const GameState& state) {
    if (state.scene == kMenuScene && random_.between(1, kMenuChordOneIn) != 1) {
        // One of the nine actions, or nothing at all.
        const std::int64_t action = random_.between(0, kInputActionCount);
        return action == kInputActionCount ? HeldActions{} : only(static_cast<InputAction>(action));
    }
    HeldActions keys = {};
    for (bool& key : keys) {
        key = random_.between(1, kHoldOneIn) == 1;
    }
    return keys;
}

HeldActions Monkey::steerToStart(const GameState& state) const {
    if (state.scene != kMenuScene) {
        return {};
    }
    if (state.menuPage != kMainPage) {
        return pressAfterRelease(held_, InputAction::Back);
    }
    if (state.menuCursor > 0) {
        return pressAfterRelease(held_, InputAction::Up);
    }
    return pressAfterRelease(held_, InputAction::Confirm);
}
