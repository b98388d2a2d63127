#include "engine_timer.hpp"

#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

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

TEST(WakeRule, AnInputThatChangesAnActionRunsOnlyThePassDueWithinThePeriodEarly) {
    using frame_timer::PassStart;
    constexpr std::uint64_t kPeriodTicks = 83'333;
    constexpr std::uint64_t kDue = 1'000'000;
    const struct {
        const char* name;
        std::uint64_t counter;
        bool inputChanged;
        PassStart start;
    } cases[] = {
        {"due, no input", kDue, false, PassStart::Due},
        {"due, with input", kDue, true, PassStart::Due},
        {"late", kDue + 5 * kPeriodTicks, false, PassStart::Due},
        {"a tick early, no input", kDue - 1, false, PassStart::Wait},
        {"a tick early, with input", kDue - 1, true, PassStart::Early},
        {"a whole period early, with input", kDue - kPeriodTicks, true, PassStart::Early},
        {"beyond a period early, with input: one pass ahead already", kDue - kPeriodTicks - 1, true,
         PassStart::Wait},
        {"beyond a period early, no input", kDue - kPeriodTicks - 1, false, PassStart::Wait},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frame_timer::whenToRun(c.counter, kDue, kPeriodTicks, c.inputChanged), c.start)
            << c.name;
    }
}

TEST(WakeRule, EarlyPassesKeepTheRateAndNeverRunMoreThanOneAheadOfTheClock) {
    using frame_timer::PassStart;
    constexpr std::uint64_t kPeriodTicks = 100;
    constexpr std::uint64_t kTicks = 100 * kPeriodTicks;
    // Each entry: whether an event that changes an action arrives at that tick. Bursts of events,
    // one every tick for a while, test that a storm of keys cannot run passes ahead.
    std::vector<bool> events(kTicks, false);
    for (std::uint64_t tick = 37; tick < kTicks; tick += 173) {
        events[tick] = true;
    }
    for (std::uint64_t tick = 5000; tick < 5400; ++tick) {
        events[tick] = true;
    }
    std::uint64_t due = 0;
    std::uint64_t passes = 0;
    std::uint64_t early = 0;
    bool inputChanged = false;
    for (std::uint64_t counter = 0; counter < kTicks; ++counter) {
        inputChanged = inputChanged || events[counter];
        while (true) {
            const PassStart start =
                frame_timer::whenToRun(counter, due, kPeriodTicks, inputChanged);
            if (start == PassStart::Wait) {
                break;
            }
            early += start == PassStart::Early ? 1 : 0;
            inputChanged = false;
            due += kPeriodTicks;
            ++passes;
        }
        // Passes due by the clock: those whose due time has come, the first at 0.
        const std::uint64_t dueByNow = counter / kPeriodTicks + 1;
        ASSERT_LE(passes, dueByNow + 1) << "tick " << counter;
        ASSERT_GE(passes, dueByNow) << "tick " << counter;
    }
    EXPECT_GT(early, 10u) << "the events did run passes early";
    EXPECT_EQ(passes, kTicks / kPeriodTicks) << "as many passes as the clock gives, early or not";
}

TEST(WakeRule, TheWaitEndsAtOrJustAfterTheDueTime) {
    constexpr std::uint64_t kMegahertz = 1'000'000;
    const struct {
        std::uint64_t counter;
        std::uint64_t due;
        std::int32_t milliseconds;
    } cases[] = {
        {1'000'000, 1'000'000, 0},  // due
        {2'000'000, 1'000'000, 0},  // late
        {1'000'000, 1'000'001, 1},  // a microsecond away: a whole millisecond
        {1'000'000, 1'008'333, 9},  // a period away: 8.333 ms rounded up
        {1'000'000, 1'008'000, 8},  // exactly 8 ms
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frame_timer::millisecondsUntil(c.counter, c.due, kMegahertz), c.milliseconds)
            << c.counter << " to " << c.due;
    }
}
