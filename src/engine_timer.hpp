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

// Short stalls are made up frame by frame; a backlog longer than this many periods (a
// suspended laptop, a long minimise) is dropped instead, so the player never comes back to a
// stage that played on without them, and the loop is not busy replaying it for minutes.
inline constexpr std::uint64_t kCatchUpLimitPeriods = 30;
// The due time to keep: unchanged within the limit, the counter itself beyond it.
std::uint64_t dropLongBacklog(std::uint64_t counter, std::uint64_t nextFrame,
                              std::uint64_t limitTicks);

// When the next pass runs. A pass is due once the counter reaches its due time; an input event
// that changed an action since the last pass runs it early, so that a key reaches the screen at
// once, but only the pass due within the coming period: running early moves the due time on by
// a period, so the loop is never more than one pass ahead of the clock, and the number of
// passes a second is unchanged.
enum class PassStart { Wait, Due, Early };
PassStart whenToRun(std::uint64_t counter, std::uint64_t due, std::uint64_t periodTicks,
                    bool inputChanged);
// Whole milliseconds until the due time, rounded up so that a wait of that long ends at or just
// after it: how long the loop waits for events between passes. 0 once due.
std::int32_t millisecondsUntil(std::uint64_t counter, std::uint64_t due, std::uint64_t frequency);

// The counter the operations below read: SDL's performance counter, unless a test sets a clock
// of its own, counting in SDL's performance frequency, to step time exactly. Null puts SDL's back.
using TickSource = std::uint64_t (*)();
void setTickSource(TickSource source);

void initializeTimer(std::int32_t framesPerSecond);
bool frameReady();
// whenToRun at the present counter.
PassStart nextPassStart(bool inputChanged);
// millisecondsUntil the next due time, at the present counter.
std::int32_t millisecondsToNextFrame();
void updateTimer();
// Puts the next frame's due time at now when the loop is further behind than the limit.
void limitCatchUp();
// Makes the next frame due now, dropping any backlog: frames missed while the game could not
// be seen are not made up.
void restartCadence();
// A 1 millisecond pause between readiness tests.
void sleep();
void quitTimer();

std::uint64_t getNextFrame();
double getFramePeriod();

}  // namespace frame_timer
