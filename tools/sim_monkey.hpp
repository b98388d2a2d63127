// sim_monkey -- a seeded random player for soak runs: random keys, spells of chasing the ball
// in a stage, and never the menu's Exit or the video page's Apply.
#pragma once

#include <cstdint>

#include "game_replay.hpp"

// SplitMix64: the same numbers for a seed on every platform and standard library.
class MonkeyRandom {
  public:
    explicit MonkeyRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // A whole number from lowest to highest, both included.
    std::int64_t between(std::int64_t lowest, std::int64_t highest);

  private:
    std::uint64_t state_;
};

// What the monkey looks at before each pass.
struct MonkeyView {
    std::int32_t scene = 0;
    std::int32_t menuPage = 0;
    std::int32_t menuCursor = 0;
    float paddleX = 0.0f;
    // The lowest ball on its way down, if any: the one a player would go for.
    bool ballFalling = false;
    float fallingBallX = 0.0f;
};

MonkeyView readMonkeyView();

// Whether holding `now` on the pass after `before` makes the main page's Exit the chosen row:
// the cursor moves for new Up and Down presses first, then a new Confirm press acts on it.
bool wouldChooseExit(const HeldActions& before, const HeldActions& now, const MonkeyView& view);
// Whether holding `now` on the pass after `before` confirms the video page's Apply row.
bool wouldApplyDisplay(const HeldActions& before, const HeldActions& now, const MonkeyView& view);

class Monkey {
  public:
    explicit Monkey(std::uint64_t seed) : random_(seed) {}
    // The actions to hold for the next pass.
    HeldActions next(const MonkeyView& view);
    // Passes on which the keys chosen would have confirmed Exit and were let go instead.
    long long exitsAvoided() const { return exitsAvoided_; }
    // Passes on which the keys chosen would have applied the video page's choices.
    long long appliesAvoided() const { return appliesAvoided_; }

  private:
    HeldActions chooseRandomKeys(const MonkeyView& view);
    HeldActions chase(const MonkeyView& view) const;
    HeldActions steerToStart(const MonkeyView& view) const;

    MonkeyRandom random_;
    HeldActions held_ = {};
    HeldActions stepKeys_ = {};
    std::int64_t stepPassesLeft_ = 0;
    bool chasing_ = false;
    // Set when Exit was about to be chosen: the monkey walks to Start and begins a stage.
    bool steering_ = false;
    long long exitsAvoided_ = 0;
    long long appliesAvoided_ = 0;
};
