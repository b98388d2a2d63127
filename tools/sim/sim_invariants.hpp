// sim_invariants -- the rules a soak run checks the game's state against after every pass,
// from one pass to the next.
#pragma once

#include <string>

#include "game_snapshot.hpp"

// Describes the first invariant that `current` breaks, given the state one pass earlier;
// empty when every invariant holds.
std::string findBrokenInvariant(const GameState& previous, const GameState& current);
