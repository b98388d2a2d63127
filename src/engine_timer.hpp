// engine_timer -- paces the frame loop at a fixed rate on SDL's performance counter.
#pragma once

#include <cstdint>

// The operations live in their own namespace because `sleep` would clash with POSIX's.
namespace frame_timer {

// The tick arithmetic, on plain counter values so it can be checked without a clock.
// Period in whole ticks: the fraction of a tick is dropped.
std::uint64_t periodTicks(std::uint64_t frequency, double framePeriodSeconds);
bool isDue(std::uint64_t counter, std::uint64_t nextFrame);
// Moves the due time on by one period, modulo 2^64, regardless of when the frame ran.
std::uint64_t advance(std::uint64_t nextFrame, std::uint64_t frequency, double framePeriodSeconds);

void initializeTimer(std::int32_t framesPerSecond);
bool frameReady();
void updateTimer();
// A 1 millisecond pause between readiness tests.
void sleep();
void quitTimer();

std::uint64_t getNextFrame();
double getFramePeriod();

}  // namespace frame_timer
