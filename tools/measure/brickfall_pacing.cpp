// brickfall-pacing -- runs the game's own real-time loop headless and reports how well it keeps
// time: the achieved rate against the tick arithmetic, how late frames start, the catch-up after
// an injected stall, the process's CPU time in the menu and in a stage, and what a minimised
// window costs and runs.
#include <SDL.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_timer.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_snapshot.hpp"
#include "input_devices.hpp"
#include "pacing_stats.hpp"
#include "sim_monkey.hpp"

namespace {
constexpr const char* kUsage =
    "usage: brickfall-pacing [--seconds S] [--stall-ms M]\n"
    "       brickfall-pacing --help\n"
    "Times the game's own real-time loop headless: S seconds each in the menu and in a stage\n"
    "(default 10), then a stall of M ms, 1 to 10000 (default 100), the catch-up after it, and\n"
    "a second with the window minimised.\n";
// Start-up runs after the timer starts, so the first frames catch up; they are left out.
constexpr double kSettleSeconds = 1.0;
constexpr double kAfterStallSeconds = 2.0;
constexpr double kMinimisedSeconds = 1.0;
constexpr double kAfterRestoreSeconds = 0.5;
// A loop that spins while minimised takes the whole core; one that sleeps, a few percent.
constexpr double kMinimisedCpuBound = 0.25;
// A check that the loop works at all, loose enough for a busy machine: over the whole run a
// neighbour's burst of a tenth of a second moves the rate by a few percent at most.
constexpr double kSaneRateDeviation = 0.05;

enum class Phase { Settling, Menu, Stage, Stall, Minimised, Restored, Done };

struct Options {
    double seconds = 10.0;
    std::uint32_t stallMilliseconds = 100;
};

struct PhaseSpan {
    std::size_t firstFrame = 0;
    std::size_t endFrame = 0;
    std::uint64_t startCounter = 0;
    std::uint64_t endCounter = 0;
    double startCpu = 0.0;
    double endCpu = 0.0;
    double startLoopCpu = 0.0;
    double endLoopCpu = 0.0;
};

// User and system time of the whole process (RUSAGE_SELF) or of the calling thread.
double cpuSeconds(int who) {
    rusage usage = {};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Voluntary context switches of the loop's own thread: each 1 ms pause adds one.
long loopThreadPauses() {
    rusage usage = {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// Everything the observer keeps; it runs inside the loop and can take no arguments.
struct Recording {
    Options options;
    std::uint64_t frequency = 0;
    std::vector<FrameStart> frames;
    long pausesAtObserverEnd = 0;
    Phase phase = Phase::Settling;
    std::uint64_t phaseStart = 0;
    PhaseSpan menu;
    PhaseSpan stage;
    std::size_t stalledFrame = 0;
    // One past the last pass before the window was minimised.
    std::size_t afterStallEnd = 0;
    PhaseSpan minimised;
    long long framesAtMinimise = 0;
    long long framesWhileMinimised = 0;
    long long framesAtRestore = 0;
    bool pausedAfterRestore = false;
    long long framesBeforePauseAfterRestore = 0;
    std::vector<bool> keyDown = std::vector<bool>(SDL_NUM_SCANCODES, false);
    GameState game;
};
Recording recording;

double secondsSince(std::uint64_t start, std::uint64_t now) {
    return static_cast<double>(now - start) / static_cast<double>(recording.frequency);
}

// Keys reach the game through SDL's queue, as a player's would; only changes are sent.
void holdAction(InputAction action, bool down) {
    const auto scancode = static_cast<std::size_t>(getActionScancode(action));
    if (recording.keyDown[scancode] == down) {
        return;
    }
    pushKeyEvent(static_cast<std::int32_t>(scancode), down);
    recording.keyDown[scancode] = down;
}

// Starts a stage from the menu's first row, and keeps the paddle under the lowest falling ball
// so the stage goes on; a lost stage is started again.
void playStage() {
    const bool confirmDown =
        recording.keyDown[static_cast<std::size_t>(getActionScancode(InputAction::Confirm))];
    if (confirmDown) {
        holdAction(InputAction::Confirm, false);
        return;
    }
    if (getCurrentScene() == kMenuScene) {
        holdAction(InputAction::Left, false);
        holdAction(InputAction::Right, false);
        holdAction(InputAction::Confirm, true);
        return;
    }
    readGameState(recording.game);
    const std::optional<InputAction> chase = chaseLowestBall(recording.game);
    holdAction(InputAction::Left, chase == InputAction::Left);
    holdAction(InputAction::Right, chase == InputAction::Right);
}

// The window system's news reach the game through SDL's queue, as a real minimise would.
void pushWindowEvent(Uint8 windowEvent) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = windowEvent;
    SDL_PushEvent(&event);
}

void beginSpan(PhaseSpan& span, std::uint64_t now) {
    span.firstFrame = recording.frames.size() - 1;
    span.startCounter = now;
    span.startCpu = cpuSeconds(RUSAGE_SELF);
    span.startLoopCpu = cpuSeconds(RUSAGE_THREAD);
}

void endSpan(PhaseSpan& span, std::uint64_t now) {
    span.endFrame = recording.frames.size() - 1;
    span.endCounter = now;
    span.endCpu = cpuSeconds(RUSAGE_SELF);
    span.endLoopCpu = cpuSeconds(RUSAGE_THREAD);
}

void enterPhase(Phase phase, std::uint64_t now) {
    recording.phase = phase;
    recording.phaseStart = now;
}

void observeFrameStart() {
    const std::uint64_t now = SDL_GetPerformanceCounter();
    const long pauses = loopThreadPauses();
    recording.frames.push_back(
        {now, frame_timer::getNextFrame(),
         static_cast<std::uint32_t>(pauses - recording.pausesAtObserverEnd)});
    const double elapsed = secondsSince(recording.phaseStart, now);
    switch (recording.phase) {
        case Phase::Settling:
            if (elapsed >= kSettleSeconds) {
                enterPhase(Phase::Menu, now);
                beginSpan(recording.menu, now);
            }
            break;
        case Phase::Menu:
            if (elapsed >= recording.options.seconds) {
                endSpan(recording.menu, now);
                enterPhase(Phase::Stage, now);
                beginSpan(recording.stage, now);
            }
            break;
        case Phase::Stage:
            if (elapsed >= recording.options.seconds) {
                endSpan(recording.stage, now);
                recording.stalledFrame = recording.frames.size() - 1;
                SDL_Delay(recording.options.stallMilliseconds);
                // What follows the stall is timed from its end, however long it was.
                enterPhase(Phase::Stall, SDL_GetPerformanceCounter());
            }
            break;
        case Phase::Stall:
            if (elapsed >= kAfterStallSeconds) {
                recording.afterStallEnd = recording.frames.size() - 1;
                enterPhase(Phase::Minimised, now);
                beginSpan(recording.minimised, now);
                recording.framesAtMinimise = getFramesRun();
                pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
            }
            break;
        case Phase::Minimised:
            if (elapsed >= kMinimisedSeconds) {
                endSpan(recording.minimised, now);
                recording.framesWhileMinimised = getFramesRun() - recording.framesAtMinimise;
                recording.framesAtRestore = getFramesRun();
                enterPhase(Phase::Restored, now);
                pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
            }
            break;
        case Phase::Restored:
            if (!recording.pausedAfterRestore && recording.frames.back().pausesBefore > 0) {
                recording.pausedAfterRestore = true;
                recording.framesBeforePauseAfterRestore =
                    getFramesRun() - recording.framesAtRestore;
            }
            if (elapsed >= kAfterRestoreSeconds) {
                enterPhase(Phase::Done, now);
                quitGame();
            }
            break;
        case Phase::Done:
            break;
    }
    if (recording.phase == Phase::Stage || recording.phase == Phase::Stall) {
        playStage();
    }
    // Read last, so the stall's own sleep is not taken for a pause of the loop.
    recording.pausesAtObserverEnd = loopThreadPauses();
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        char* end = nullptr;
        if (option == "--seconds") {
            options.seconds = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(options.seconds > 0.0)) {
                return false;
            }
        } else if (option == "--stall-ms") {
            const long milliseconds = std::strtol(value, &end, 10);
            if (end == value || *end != '\0' || milliseconds < 1 || milliseconds > 10000) {
                return false;
            }
            options.stallMilliseconds = static_cast<std::uint32_t>(milliseconds);
        } else {
            return false;
        }
    }
    return true;
}

double ticksToMilliseconds(double ticks) {
    return ticks * 1000.0 / static_cast<double>(recording.frequency);
}

// Prints one phase's figures; returns whether it ran frames enough to measure.
bool reportSpan(const char* name, const PhaseSpan& span, double predictedRate) {
    const std::vector<FrameStart>& frames = recording.frames;
    const std::size_t count = span.endFrame - span.firstFrame;
    if (count < 2) {
        std::printf("%s: too few frames (%zu)\n", name, count);
        return false;
    }
    const double frequency = static_cast<double>(recording.frequency);
    const double fittedRate = frequency / fittedPeriodTicks(frames, span.firstFrame, span.endFrame);
    const double firstToLast =
        static_cast<double>(frames[span.endFrame - 1].counter - frames[span.firstFrame].counter);
    const double endpointRate = static_cast<double>(count - 1) * frequency / firstToLast;
    const double deviation = fittedRate / predictedRate - 1.0;
    const std::vector<double> lateness = latenessTicks(frames, span.firstFrame, span.endFrame);
    double pauses = 0.0;
    for (std::size_t i = span.firstFrame; i < span.endFrame; ++i) {
        pauses += frames[i].pausesBefore;
    }
    const double wall = secondsSince(span.startCounter, span.endCounter);
    std::printf(
        "%s: %zu frames over %.3f s\n"
        "  rate %.6f frames per second (line fit; %.6f first to last), %+.5f%% from predicted\n"
        "  lateness behind due time: median %.3f ms, 99th percentile %.3f ms, maximum %.3f ms\n"
        "  pauses per frame %.2f; CPU %.2f%% of one core, %.2f%% of it on the loop's thread\n",
        name, count, wall, fittedRate, endpointRate, 100.0 * deviation,
        ticksToMilliseconds(percentile(lateness, 0.5)),
        ticksToMilliseconds(percentile(lateness, 0.99)),
        ticksToMilliseconds(percentile(lateness, 1.0)), pauses / static_cast<double>(count),
        100.0 * (span.endCpu - span.startCpu) / wall,
        100.0 * (span.endLoopCpu - span.startLoopCpu) / wall);
    return true;
}

// The rate from the menu's first frame to the last before the minimise, a short stall and its
// catch-up included, which the loop must hold whatever the machine's load; a stall too long
// to make up is left out. Returns whether the rate is sane.
bool reportWholeRun(double predictedRate, bool longStall) {
    const std::vector<FrameStart>& frames = recording.frames;
    const std::size_t first = recording.menu.firstFrame;
    const std::size_t end = longStall ? recording.stalledFrame + 1 : recording.afterStallEnd;
    const std::size_t count = end - first;
    const double seconds = secondsSince(frames[first].counter, frames[end - 1].counter);
    const double rate = static_cast<double>(count - 1) / seconds;
    const double deviation = rate / predictedRate - 1.0;
    std::printf(
        "whole run%s: %zu frames over %.3f s, %.6f frames per second first to last, "
        "%+.5f%% from predicted\n",
        longStall ? " up to the stall" : "", count, seconds, rate, 100.0 * deviation);
    return std::fabs(deviation) < kSaneRateDeviation;
}

// Prints the start-up and stall catch-ups; returns whether the loop recovered as it must: a
// short stall made up frame by frame on the old cadence, a long one dropped for a new cadence
// from its end.
bool reportCatchUps(std::uint64_t period, const CatchUp& catchUp) {
    const std::vector<FrameStart>& frames = recording.frames;
    std::size_t startUpRun = 0;
    while (startUpRun < frames.size() && frames[startUpRun].pausesBefore == 0) {
        ++startUpRun;
    }
    std::printf(
        "start-up: the first frame started %.3f ms after it fell due; %zu ran before the "
        "first pause\n",
        ticksToMilliseconds(static_cast<double>(frames[0].counter - frames[0].due)), startUpRun);

    const std::size_t stalled = recording.stalledFrame;
    const double stall = ticksToMilliseconds(
        static_cast<double>(frames[stalled + 1].counter - frames[stalled].counter));
    const std::size_t limit = frame_timer::kCatchUpLimitPeriods + 1;
    const bool longStall = catchUp.dueAtStallEnd > limit;
    const std::size_t end = recording.afterStallEnd;
    const bool onCadence = longStall ? dueTimesOnCadence(frames, 0, stalled + 1, period) &&
                                           dueTimesOnCadence(frames, stalled + 1, end, period)
                                     : dueTimesOnCadence(frames, 0, end, period);
    std::printf(
        "stall: %u ms asked in frame %zu, %.3f ms from its start to the next frame's\n"
        "  %zu frames were due when it ended; %zu ran back to back over %.3f ms\n",
        recording.options.stallMilliseconds, recording.stalledFrame, stall, catchUp.dueAtStallEnd,
        catchUp.backToBack, ticksToMilliseconds(static_cast<double>(catchUp.backToBackTicks)));
    if (catchUp.resumed) {
        std::printf("  then the loop paused; the next frame started %.3f ms after its due time\n",
                    ticksToMilliseconds(static_cast<double>(catchUp.resumedLatenessTicks)));
    } else {
        std::printf("  the loop had not paused again when the run ended\n");
    }
    if (longStall) {
        std::printf(
            "  more than %zu were due, so the backlog was dropped: due times on the first "
            "frame's cadence up to the stall and on a new one from its end: %s\n",
            limit, onCadence ? "yes" : "no");
        return catchUp.backToBack >= 1 && catchUp.backToBack <= limit && catchUp.resumed &&
               onCadence;
    }
    std::printf("  every due time on the first frame's cadence: %s\n", onCadence ? "yes" : "no");
    return catchUp.dueAtStallEnd > 0 && catchUp.backToBack >= catchUp.dueAtStallEnd &&
           catchUp.resumed && onCadence;
}

// Prints what the minimised second cost and what the restore ran; returns whether the loop
// slept, ran no frame, and came back without replaying the time it was away.
bool reportMinimise() {
    const PhaseSpan& span = recording.minimised;
    const double wall = secondsSince(span.startCounter, span.endCounter);
    const double cpu = (span.endCpu - span.startCpu) / wall;
    const long long ran = recording.framesBeforePauseAfterRestore;
    const bool paused = recording.pausedAfterRestore;
    std::printf(
        "minimised: %.3f s, %zu passes woke, %lld frames ran; CPU %.2f%% of one core\n"
        "  restored: %lld frame(s) ran before the loop paused again%s\n",
        wall, span.endFrame - span.firstFrame, recording.framesWhileMinimised, 100.0 * cpu, ran,
        paused ? "" : " (it had not paused when the run ended)");
    return recording.framesWhileMinimised == 0 && cpu < kMinimisedCpuBound && paused && ran >= 1 &&
           ran <= static_cast<long long>(frame_timer::kCatchUpLimitPeriods) + 1;
}

// The loop's own pause, timed alone, to tell the pauses' share of the CPU from the passes'.
void reportPauseCost() {
    constexpr int kPauses = 500;
    const double cpuBefore = cpuSeconds(RUSAGE_THREAD);
    const std::uint64_t start = SDL_GetPerformanceCounter();
    for (int pause = 0; pause < kPauses; ++pause) {
        frame_timer::sleep();
    }
    const double wall = secondsSince(start, SDL_GetPerformanceCounter());
    const double cpu = cpuSeconds(RUSAGE_THREAD) - cpuBefore;
    std::printf("pause: %d of the loop's pauses alone took %.3f ms and %.1f us of CPU each\n",
                kPauses, 1e3 * wall / kPauses, 1e6 * cpu / kPauses);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parseOptions(argc, argv, recording.options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
    // Naming the driver turns SDL's draw batching off; the game's own fallback to software,
    // with no driver named, keeps it on.
    SDL_setenv("SDL_RENDER_BATCHING", "1", 1);

    const double totalSeconds = kSettleSeconds + 2.0 * recording.options.seconds +
                                static_cast<double>(recording.options.stallMilliseconds) / 1000.0 +
                                kAfterStallSeconds + kMinimisedSeconds + kAfterRestoreSeconds;
    // Room for every frame up front, so recording never allocates inside the loop.
    recording.frames.reserve(static_cast<std::size_t>(totalSeconds * 130.0) + 100);

    startUp();
    if (getQuit()) {
        shutDown();
        return 1;
    }
    recording.frequency = SDL_GetPerformanceFrequency();
    recording.phaseStart = SDL_GetPerformanceCounter();
    recording.pausesAtObserverEnd = loopThreadPauses();
    setFrameStartObserver(observeFrameStart);
    runFrameLoop();
    setFrameStartObserver(nullptr);

    const std::uint64_t period =
        frame_timer::periodTicks(recording.frequency, frame_timer::getFramePeriod());
    const double predictedRate =
        static_cast<double>(recording.frequency) / static_cast<double>(period);
    std::printf(
        "counter %llu ticks per second; period %llu ticks (%.6f ms); predicted rate "
        "%.6f frames per second\n",
        static_cast<unsigned long long>(recording.frequency),
        static_cast<unsigned long long>(period), ticksToMilliseconds(static_cast<double>(period)),
        predictedRate);
    bool sane = reportSpan("menu", recording.menu, predictedRate);
    sane = reportSpan("stage", recording.stage, predictedRate) && sane;
    const CatchUp catchUp = analyzeCatchUp(recording.frames, recording.stalledFrame, period);
    const bool longStall = catchUp.dueAtStallEnd > frame_timer::kCatchUpLimitPeriods + 1;
    sane = reportCatchUps(period, catchUp) && sane;
    sane = reportWholeRun(predictedRate, longStall) && sane;
    sane = reportMinimise() && sane;
    reportPauseCost();
    const int status = shutDown();
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory %ld KiB\n", usage.ru_maxrss);
    if (!sane) {
        std::printf("the loop did not keep time as it must (see above)\n");
        return 1;
    }
    return status;
}
