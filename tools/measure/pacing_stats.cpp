// pacing_stats -- the arithmetic behind brickfall-pacing: lateness percentiles, the achieved
// frame rate, and how the loop catches up after a stall, all from recorded frame starts.
#include "pacing_stats.hpp"

#include <algorithm>
#include <cmath>

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

std::vector<double> latenessTicks(const std::vector<FrameStart>& frames, std::size_t first,
                                  std::size_t last) {
    std::vector<double> lateness;
    for (std::size_t i = first; i < last && i < frames.size(); ++i) {
        lateness.push_back(static_cast<double>(frames[i].counter - frames[i].due));
    }
    return lateness;
}

double fittedPeriodTicks(const std::vector<FrameStart>& frames, std::size_t first,
                         std::size_t last) {
    last = std::min(last, frames.size());
    if (last <= first + 1) {
        return 0.0;
    }
    // Offsets from the first start keep the sums small enough for a double to hold exactly.
    const double count = static_cast<double>(last - first);
    double sumX = 0.0;
    double sumY = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        sumX += static_cast<double>(i - first);
        sumY += static_cast<double>(frames[i].counter - frames[first].counter);
    }
    const double meanX = sumX / count;
    const double meanY = sumY / count;
    double covariance = 0.0;
    double variance = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const double dx = static_cast<double>(i - first) - meanX;
        const double dy = static_cast<double>(frames[i].counter - frames[first].counter) - meanY;
        covariance += dx * dy;
        variance += dx * dx;
    }
    return covariance / variance;
}

bool dueTimesOnCadence(const std::vector<FrameStart>& frames, std::size_t first, std::size_t last,
                       std::uint64_t period) {
    last = std::min(last, frames.size());
    for (std::size_t i = first; i < last; ++i) {
        if (frames[i].due != frames[first].due + period * (i - first)) {
            return false;
        }
    }
    return true;
}

CatchUp analyzeCatchUp(const std::vector<FrameStart>& frames, std::size_t stalled,
                       std::uint64_t period) {
    CatchUp result;
    const std::size_t next = stalled + 1;
    if (next >= frames.size() || period == 0) {
        return result;
    }
    // Counted from the old cadence rather than the recorded due times, which a loop that drops
    // a long backlog has already moved to the present.
    const std::uint64_t stallEnd = frames[next].counter;
    const std::uint64_t firstDue = frames[stalled].due + period;
    if (stallEnd >= firstDue) {
        result.dueAtStallEnd = static_cast<std::size_t>((stallEnd - firstDue) / period) + 1;
    }
    std::size_t i = next;
    while (i < frames.size() && frames[i].pausesBefore == 0) {
        ++i;
    }
    result.backToBack = i - next;
    if (result.backToBack > 0) {
        result.backToBackTicks = frames[i - 1].counter - frames[next].counter;
    }
    if (i < frames.size()) {
        result.resumed = true;
        result.resumedLatenessTicks = frames[i].counter - frames[i].due;
    }
    return result;
}
