// sim_monkey -- a seeded random player for soak runs: random keys, spells of chasing the ball
// in a stage, and never the menu's Exit or the video page's Apply.
#pragma once

#include <cstdint>
#include <optional>

#include "engine_input.hpp"
#include "game_snapshot.hpp"

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

// The key a player holds to keep the paddle under the lowest ball on its way down, the one a
// player would go for: Left or Right, or none while no ball falls or the paddle is within a
// couple of pixels of it.
std::optional<InputAction> chaseLowestBall(const GameState& state);

// Whether holding `now` on the pass after `before` makes the main page's Exit the chosen row:
// the cursor moves for new Up and Down presses first, then a new Confirm press acts on it.
bool wouldChooseExit(const HeldActions& before, const HeldActions& now, const GameState& state);
// Whether holding `now` on the pass after `before` confirms the video page's Apply row.
bool wouldApplyDisplay(const HeldActions& before, const HeldActions& now, const GameState& state);

class Monkey {
  public:
    explicit Monkey(std::uint64_t seed) : random_(seed) {}
    // The actions to hold for the next pass, given the state after the last.
    HeldActions next(const GameState& state);
    // Passes on which the keys chosen would have confirmed Exit and were let go instead.
    long long exitsAvoided() const { return exitsAvoided_; }
    // Passes on which the keys chosen would have applied the video page's choices.
    long long appliesAvoided() const { return appliesAvoided_; }

  private:
    HeldActions chooseRandomKeys(const GameState& state);
    HeldActions steerToStart(const GameState& state) const;

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
