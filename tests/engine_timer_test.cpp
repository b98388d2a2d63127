#include "engine_timer.hpp"

#include <gtest/gtest.h>

#include <SDL.h>

#include "game_constants.hpp"

namespace {
constexpr std::uint64_t kTenMegahertz = 10'000'000;
constexpr double kPeriod = kFramePeriodSeconds;
}  // namespace

TEST(TimerArithmetic, PeriodDropsTheFractionOfATick) {
    EXPECT_EQ(frame_timer::periodTicks(kTenMegahertz, kPeriod), 83'333u);
    EXPECT_EQ(frame_timer::periodTicks(1'000'000'000, kPeriod), 8'333'333u);
    // 83333 ticks per frame runs slightly faster than 120 per second.
    const double rate = static_cast<double>(kTenMegahertz) / 83'333.0;
    EXPECT_GT(rate, 120.0);
    EXPECT_LT(rate, 120.001);
}

TEST(TimerArithmetic, CounterEqualToTheDueTimeIsDue) {
    EXPECT_TRUE(frame_timer::isDue(1000, 1000));
    EXPECT_TRUE(frame_timer::isDue(1001, 1000));
    EXPECT_FALSE(frame_timer::isDue(999, 1000));
}

TEST(TimerArithmetic, LateCounterRunsWholePeriodsBackToBackThenKeepsTheCadence) {
    const std::uint64_t period = frame_timer::periodTicks(kTenMegahertz, kPeriod);
    for (std::uint64_t periodsLate = 0; periodsLate < 5; ++periodsLate) {
        std::uint64_t due = 5'000'000;
        const std::uint64_t counter = due + periodsLate * period + period / 3;
        int framesRun = 0;
        while (frame_timer::isDue(counter, due)) {
            due = frame_timer::advance(due, kTenMegahertz, kPeriod);
            ++framesRun;
        }
        EXPECT_EQ(framesRun, static_cast<int>(periodsLate) + 1) << periodsLate << " periods late";
        // The due times stay on the cadence they had before the stall.
        EXPECT_EQ((due - 5'000'000) % period, 0u);
    }
}

TEST(TimerArithmetic, OnlyABacklogBeyondTheLimitIsDropped) {
    constexpr std::uint64_t kLimit = 30 * 83'333;
    struct Case {
        std::uint64_t counter;
        std::uint64_t due;
        std::uint64_t kept;
    };
    const Case cases[] = {
        {1'000, 5'000, 5'000},                            // not yet due
        {5'000, 5'000, 5'000},                            // due now
        {5'000 + kLimit, 5'000, 5'000},                   // exactly at the limit: caught up
        {5'000 + kLimit + 1, 5'000, 5'000 + kLimit + 1},  // one tick beyond: due now
        {7'200'000'000, 5'000, 7'200'000'000},            // an hour asleep at 2 MHz
    };
    for (const Case& c : cases) {
        EXPECT_EQ(frame_timer::dropLongBacklog(c.counter, c.due, kLimit), c.kept)
            << "counter " << c.counter << ", due " << c.due;
    }
}

TEST(TimerArithmetic, AdvanceWrapsModuloTwoToTheSixtyFour) {
    const std::uint64_t nearEnd = ~std::uint64_t{0} - 10;
    EXPECT_EQ(frame_timer::advance(nearEnd, kTenMegahertz, kPeriod), 83'333u - 11u);
}

TEST(Timer, FirstFrameIsDueAtOnceAndUpdateMovesOnePeriod) {
    frame_timer::initializeTimer(kFramesPerSecond);
    EXPECT_DOUBLE_EQ(frame_timer::getFramePeriod(), kFramePeriodSeconds);
    EXPECT_TRUE(frame_timer::frameReady());
    const std::uint64_t before = frame_timer::getNextFrame();
    frame_timer::updateTimer();
    EXPECT_EQ(frame_timer::getNextFrame() - before,
              frame_timer::periodTicks(SDL_GetPerformanceFrequency(), kFramePeriodSeconds));
    frame_timer::quitTimer();
}
