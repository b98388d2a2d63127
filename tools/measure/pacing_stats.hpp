// pacing_stats -- the arithmetic behind brickfall-pacing: lateness percentiles, the achieved
// frame rate, and how the loop catches up after a stall, all from recorded frame starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One frame as the loop's observer saw it, in performance-counter ticks.
struct FrameStart {
    std::uint64_t counter;  // when the pass began
    std::uint64_t due;      // when the timer said the frame fell due
    // Times the loop's thread gave up the processor since the previous frame's observer
    // returned: the loop's 1 ms pauses, so 0 for a frame run straight after the one before.
    std::uint32_t pausesBefore;
};

// Nearest-rank percentile (fraction 0.5 for the median, 1.0 for the maximum); 0 when empty.
double percentile(std::vector<double> values, double fraction);

// Ticks from each frame's due time to its start, for frames [first, last).
std::vector<double> latenessTicks(const std::vector<FrameStart>& frames, std::size_t first,
                                  std::size_t last);

// The period between frame starts, by a least-squares line through start times against frame
// number, so start-time jitter averages out; 0 with fewer than two frames.
double fittedPeriodTicks(const std::vector<FrameStart>& frames, std::size_t first,
                         std::size_t last);

// Whether every due time of frames [first, last) lies on one grid: the first one's due time
// plus k periods.
bool dueTimesOnCadence(const std::vector<FrameStart>& frames, std::size_t first, std::size_t last,
                       std::uint64_t period);

struct CatchUp {
    // Frames due when the stalled frame ended, on the cadence the loop had before the stall.
    std::size_t dueAtStallEnd = 0;
    // Frames after the stalled one that ran with no pause before them.
    std::size_t backToBack = 0;
    // From the first to the last start of those frames.
    std::uint64_t backToBackTicks = 0;
    // The first frame the loop paused for again, if the recording reaches it.
    bool resumed = false;
    std::uint64_t resumedLatenessTicks = 0;
};

// How the loop recovered from a stall inside frame `stalled`.
CatchUp analyzeCatchUp(const std::vector<FrameStart>& frames, std::size_t stalled,
                       std::uint64_t period);
