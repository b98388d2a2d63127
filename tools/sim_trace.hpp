// sim_trace -- one JSON line of game state per pass, for tests and tools to read.
#pragma once

#include <cstdint>
#include <cstdio>

void writeTraceLine(std::FILE* out, long long frame);

struct SimSummary {
    std::int32_t score;
    std::int32_t highScore;
};
SimSummary readSummary();
