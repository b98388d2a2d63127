// engine_timer -- paces the frame loop at a fixed rate on SDL's performance counter.
#include "engine_timer.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdint>

#include "game_constants.hpp"

namespace frame_timer {
namespace {
double framePeriod = 0.0;  // in seconds
std::uint64_t nextFrame = 0;
TickSource tickSource = nullptr;

std::uint64_t now() {
    return tickSource != nullptr ? tickSource() : SDL_GetPerformanceCounter();
}
}  // namespace

std::uint64_t periodTicks(std::uint64_t frequency, double framePeriodSeconds) {
    return static_cast<std::uint64_t>(static_cast<double>(frequency) * framePeriodSeconds);
}

bool isDue(std::uint64_t counter, std::uint64_t due) {
    return counter >= due;
}

std::uint64_t advance(std::uint64_t due, std::uint64_t frequency, double framePeriodSeconds) {
    return due + periodTicks(frequency, framePeriodSeconds);
}

std::uint64_t dropLongBacklog(std::uint64_t counter, std::uint64_t due, std::uint64_t limitTicks) {
    const bool tooFarBehind = counter > due && counter - due > limitTicks;
    return tooFarBehind ? counter : due;
}

PassStart whenToRun(std::uint64_t counter, std::uint64_t due, std::uint64_t periodTicks,
                    bool inputChanged) {
    if (isDue(counter, due)) {
        return PassStart::Due;
    }
    return inputChanged && due - counter <= periodTicks ? PassStart::Early : PassStart::Wait;
}

std::int32_t millisecondsUntil(std::uint64_t counter, std::uint64_t due, std::uint64_t frequency) {
    if (isDue(counter, due) || frequency == 0) {
        return 0;
    }
    const std::uint64_t milliseconds = ((due - counter) * 1000 + frequency - 1) / frequency;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(milliseconds, INT32_MAX));
}

void setTickSource(TickSource source) {
    tickSource = source;
}

void initializeTimer(std::int32_t framesPerSecond) {
    framePeriod = framePeriodSeconds(framesPerSecond);
    SDL_InitSubSystem(SDL_INIT_TIMER);
    nextFrame = now();
}

bool frameReady() {
    return isDue(now(), nextFrame);
}

PassStart nextPassStart(bool inputChanged) {
    return whenToRun(now(), nextFrame, periodTicks(SDL_GetPerformanceFrequency(), framePeriod),
                     inputChanged);
}

std::int32_t millisecondsToNextFrame() {
    return millisecondsUntil(now(), nextFrame, SDL_GetPerformanceFrequency());
}

void updateTimer() {
    nextFrame = advance(nextFrame, SDL_GetPerformanceFrequency(), framePeriod);
}

void limitCatchUp() {
    const std::uint64_t limit =
        periodTicks(SDL_GetPerformanceFrequency(), framePeriod) * kCatchUpLimitPeriods;
    nextFrame = dropLongBacklog(now(), nextFrame, limit);
}

void restartCadence() {
    nextFrame = now();
}

void sleep() {
    SDL_Delay(1);
}

void quitTimer() {
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}

std::uint64_t getNextFrame() {
    return nextFrame;
}
double getFramePeriod() {
    return framePeriod;
}

}  // namespace frame_timer
