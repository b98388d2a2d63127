#include "pacing_stats.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {
constexpr std::uint64_t kPeriod = 8'333'333;  // 120 frames per second on a nanosecond counter

// A loop on cadence: frame i falls due at base + i periods and starts `late[i]` ticks after it,
// having paused seven times before it.
std::vector<FrameStart> onCadence(const std::vector<std::uint64_t>& late) {
    constexpr std::uint64_t kBase = 5'000'000'000;
    std::vector<FrameStart> frames;
    for (std::size_t i = 0; i < late.size(); ++i) {
        const std::uint64_t due = kBase + kPeriod * i;
        frames.push_back({due + late[i], due, 7});
    }
    return frames;
}
}  // namespace

TEST(PacingStats, PercentilesUseTheNearestRank) {
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i) {
        hundred.push_back(i);
    }
    EXPECT_EQ(percentile(hundred, 0.5), 50.0);
    EXPECT_EQ(percentile(hundred, 0.99), 99.0);
    EXPECT_EQ(percentile(hundred, 1.0), 100.0);
    EXPECT_EQ(percentile({7.0, 1.0, 3.0}, 0.5), 3.0);
    EXPECT_EQ(percentile({4.0}, 0.99), 4.0);
    EXPECT_EQ(percentile({2.0, 9.0}, 0.0), 2.0) << "the lowest rank is the smallest value";
    EXPECT_EQ(percentile({}, 0.5), 0.0);
}

TEST(PacingStats, LatenessIsStartMinusDueOverTheAskedRange) {
    const auto frames = onCadence({100, 250, 40, 900});
    EXPECT_EQ(latenessTicks(frames, 1, 3), (std::vector<double>{250.0, 40.0}));
    EXPECT_EQ(latenessTicks(frames, 2, 99), (std::vector<double>{40.0, 900.0}));
}

TEST(PacingStats, FittedPeriodSeesThroughJitterButNotThroughDrift) {
    // Starts that wobble by 0.8 ms about the due times keep the due times' period to within
    // two ticks in 8333333.
    std::vector<std::uint64_t> wobble;
    for (int i = 0; i < 1200; ++i) {
        wobble.push_back(i % 2 == 0 ? 1'000'000 : 200'000);
    }
    const auto steady = onCadence(wobble);
    EXPECT_NEAR(fittedPeriodTicks(steady, 0, steady.size()), kPeriod, 2.0);
    // One start a millisecond later than the rest, at the very end, moves a first-to-last
    // estimate by 834 ticks but the fit by about 4.
    std::vector<std::uint64_t> lateEnd(1200, 300'000);
    lateEnd.back() = 1'300'000;
    const auto tail = onCadence(lateEnd);
    EXPECT_NEAR(fittedPeriodTicks(tail, 0, tail.size()), kPeriod, 10.0);
    // Lateness that grows by 10 ticks a frame is a slower loop, and the fit says so.
    std::vector<std::uint64_t> drifting;
    for (std::uint64_t i = 0; i < 600; ++i) {
        drifting.push_back(10 * i);
    }
    const auto slow = onCadence(drifting);
    EXPECT_NEAR(fittedPeriodTicks(slow, 0, slow.size()), kPeriod + 10.0, 1e-6);
    EXPECT_NEAR(fittedPeriodTicks(slow, 100, 200), kPeriod + 10.0, 1e-6);
    EXPECT_EQ(fittedPeriodTicks(slow, 5, 6), 0.0) << "one frame has no period";
}

TEST(PacingStats, DueTimesMustStayOnOneGrid) {
    auto frames = onCadence({0, 5, 10, 2});
    EXPECT_TRUE(dueTimesOnCadence(frames, 0, frames.size(), kPeriod));
    EXPECT_FALSE(dueTimesOnCadence(frames, 0, frames.size(), kPeriod + 1));
    // A timer that restarted its cadence from the clock after a stall leaves the grid, and
    // keeps a grid of its own from the restart on.
    frames[2].due += 1234;
    frames[3].due += 1234;
    EXPECT_FALSE(dueTimesOnCadence(frames, 0, frames.size(), kPeriod));
    EXPECT_TRUE(dueTimesOnCadence(frames, 0, 2, kPeriod));
    EXPECT_TRUE(dueTimesOnCadence(frames, 2, frames.size(), kPeriod));
}

TEST(PacingStats, CatchUpCountsFramesRunWithoutAPauseAfterTheStall) {
    // Frame 2 stalls for 100 ms; the loop then runs frames 3 to 15 back to back, 0.5 ms
    // apart, and pauses before frame 16, which starts 0.2 ms after its due time.
    const std::uint64_t stallEnd = 5'000'000'000 + 2 * kPeriod + 100'300'000;
    std::vector<FrameStart> frames = onCadence({300'000, 300'000, 300'000});
    for (std::uint64_t k = 0; k < 13; ++k) {
        const std::uint64_t due = frames.front().due + kPeriod * (3 + k);
        frames.push_back({stallEnd + 500'000 * k, due, 0});
    }
    const std::uint64_t resumedDue = frames.front().due + kPeriod * 16;
    frames.push_back({resumedDue + 200'000, resumedDue, 3});

    const CatchUp catchUp = analyzeCatchUp(frames, 2, kPeriod);
    // Due by the stall's end: frames 3 to 14 (frame 14 fell due at 5 s + 116.67 ms).
    EXPECT_EQ(catchUp.dueAtStallEnd, 12u);
    EXPECT_EQ(catchUp.backToBack, 13u);
    EXPECT_EQ(catchUp.backToBackTicks, 12u * 500'000);
    EXPECT_TRUE(catchUp.resumed);
    EXPECT_EQ(catchUp.resumedLatenessTicks, 200'000u);
    EXPECT_TRUE(dueTimesOnCadence(frames, 0, frames.size(), kPeriod));

    // A recording that ends inside the catch-up says the loop has not resumed.
    frames.pop_back();
    EXPECT_FALSE(analyzeCatchUp(frames, 2, kPeriod).resumed);
    EXPECT_EQ(analyzeCatchUp(frames, frames.size() - 1, kPeriod).backToBack, 0u)
        << "nothing after it";
}

TEST(PacingStats, ALongStallIsCountedOnTheOldCadenceThoughTheLoopRestartedIt) {
    // Frame 1 stalls for two seconds; the loop drops the backlog, runs frame 2 due at once
    // and pauses before frame 3, one period later on the new cadence.
    std::vector<FrameStart> frames = onCadence({100'000, 100'000});
    const std::uint64_t stallEnd = frames[1].counter + 2'000'000'000;
    frames.push_back({stallEnd + 50'000, stallEnd + 40'000, 0});
    frames.push_back({stallEnd + 40'000 + kPeriod + 90'000, stallEnd + 40'000 + kPeriod, 6});

    const CatchUp catchUp = analyzeCatchUp(frames, 1, kPeriod);
    EXPECT_EQ(catchUp.dueAtStallEnd, 240u) << "two seconds of frames were due";
    EXPECT_EQ(catchUp.backToBack, 1u);
    EXPECT_TRUE(catchUp.resumed);
    EXPECT_EQ(catchUp.resumedLatenessTicks, 90'000u);
    EXPECT_TRUE(dueTimesOnCadence(frames, 2, frames.size(), kPeriod));
}
