// game_trace -- one JSON line of the game's state after each frame, which tests and replays
// compare byte for byte.
#pragma once

#include <cstdio>

#include "game_snapshot.hpp"

// Writes the state after a frame: scene, score, timers, paddle, blocks, balls, coins and menu.
// `frame` is the pass it followed. Writes the whole line at once and allocates nothing.
void writeTraceLine(std::FILE* out, long long frame, const GameState& state);
