// sim_monkey -- a seeded random player for soak runs: random keys, spells of chasing the ball
// in a stage, and never the menu's Exit or the video page's Apply.
#include "sim_monkey.hpp"

#include "engine_input.hpp"
#include "entity_ball.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "scene_menu.hpp"

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
            getActionScancode(static_cast<InputAction>(other)) == getActionScancode(action)) {
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
std::int32_t confirmedRow(const HeldActions& before, const HeldActions& now, const MonkeyView& view,
                          std::int32_t page) {
    if (view.scene != kMenuScene || view.menuPage != page ||
        !newlyPressed(before, now, InputAction::Confirm)) {
        return -1;
    }
    std::int32_t cursor = view.menuCursor;
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

bool wouldChooseExit(const HeldActions& before, const HeldActions& now, const MonkeyView& view) {
    return confirmedRow(before, now, view, kMainPage) == kExitRow;
}

bool wouldApplyDisplay(const HeldActions& before, const HeldActions& now, const MonkeyView& view) {
    return confirmedRow(before, now, view, kVideoPage) == kApplyRow;
}

MonkeyView readMonkeyView() {
    MonkeyView view;
    view.scene = getCurrentScene();
    view.menuPage = getMenuPage();
    view.menuCursor = getMenuCursor();
    view.paddleX = getPaddlePosition().x;
    float lowestY = 0.0f;
    for (std::int32_t i = 0; i < getBallCount(); ++i) {
        const Ball ball = getBall(i);
        if (ball.direction.y > 0.0f && (!view.ballFalling || ball.position.y > lowestY)) {
            view.ballFalling = true;
            view.fallingBallX = ball.position.x;
            lowestY = ball.position.y;
        }
    }
    return view;
}

HeldActions Monkey::next(const MonkeyView& view) {
    if (view.scene == kStageScene) {
        steering_ = false;
    }
    HeldActions wanted = {};
    if (steering_) {
        wanted = steerToStart(view);
    } else {
        if (stepPassesLeft_ == 0) {
            chasing_ = view.scene == kStageScene && random_.between(0, 1) == 0;
            stepPassesLeft_ = chasing_ ? random_.between(kShortestChase, kLongestChase)
                                       : random_.between(1, kLongestRandomStep);
            stepKeys_ = chasing_ ? HeldActions{} : chooseRandomKeys(view);
        }
        --stepPassesLeft_;
        wanted = chasing_ ? chase(view) : stepKeys_;
    }
    if (wouldChooseExit(held_, wanted, view)) {
        wanted = {};
        steering_ = true;
        ++exitsAvoided_;
        stepPassesLeft_ = 0;
    }
    // An applied display change leaves later passes drawing a rotated copy of the play field at
    // the display's size in software, ten times the cost of a pass, with nothing new for the
    // game's own code; the video page's choices still change freely.
    if (wouldApplyDisplay(held_, wanted, view)) {
        wanted[static_cast<std::size_t>(InputAction::Confirm)] = false;
        wanted[static_cast<std::size_t>(InputAction::Select)] = false;
        ++appliesAvoided_;
    }
    held_ = wanted;
    return held_;
}

HeldActions Monkey::chooseRandomKeys(const MonkeyView& view) {
    if (view.scene == kMenuScene && random_.between(1, kMenuChordOneIn) != 1) {
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

HeldActions Monkey::chase(const MonkeyView& view) const {
    if (!view.ballFalling || (view.fallingBallX > view.paddleX - kChaseDeadZone &&
                              view.fallingBallX < view.paddleX + kChaseDeadZone)) {
        return {};
    }
    return only(view.fallingBallX < view.paddleX ? InputAction::Left : InputAction::Right);
}

HeldActions Monkey::steerToStart(const MonkeyView& view) const {
    if (view.scene != kMenuScene) {
        return {};
    }
    if (view.menuPage != kMainPage) {
        return pressAfterRelease(held_, InputAction::Back);
    }
    if (view.menuCursor > 0) {
        return pressAfterRelease(held_, InputAction::Up);
    }
    return pressAfterRelease(held_, InputAction::Confirm);
}
