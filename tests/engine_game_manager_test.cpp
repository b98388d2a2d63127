#include "engine_game_manager.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine_timer.hpp"
#include "test_support.hpp"

#if BRICKFALL_TESTS_START_PROGRAMS
namespace {
// A game copied into a fresh folder whose sheet is replaced by `sheetBytes`, or left out.
struct StagedGame {
    std::string directory = test_support::makeTemporaryDirectory();
    std::string binary;
    ~StagedGame() { test_support::removeDirectory(directory); }
};
}  // namespace
#endif

TEST(FrameLoop, MinimisedWindowRunsNoFrameAndHoldsTheTimer) {
    startUp();
    ASSERT_FALSE(getQuit());
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getFramesRun(), 1);

    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    const std::uint64_t due = frame_timer::getNextFrame();
    for (int pass = 0; pass < 5; ++pass) {
        EXPECT_FALSE(runFramePass());
    }
    EXPECT_EQ(getFramesRun(), 1);
    EXPECT_EQ(frame_timer::getNextFrame(), due);

    // A close request while minimised is still seen.
    test_support::pushQuit();
    EXPECT_FALSE(runFramePass());
    EXPECT_TRUE(getQuit());
    EXPECT_EQ(shutDown(), 0);
}

TEST(FrameLoop, RestoredWindowResumesFrames) {
    startUp();
    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_FALSE(runFramePass());
    test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getFramesRun(), 1);
    quitGame();
    EXPECT_EQ(shutDown(), 0);
}

TEST(FrameLoop, QuitInsideAPassFinishesThatPassAndStopsTheLoop) {
    startUp();
    const std::uint64_t due = frame_timer::getNextFrame();
    test_support::pushQuit();
    EXPECT_TRUE(runFramePass()) << "the pass with the close request still runs to its end";
    EXPECT_TRUE(getQuit());
    EXPECT_NE(frame_timer::getNextFrame(), due);
    runFrameLoop();
    EXPECT_EQ(getFramesRun(), 1) << "no pass runs after the quit flag is set";
    EXPECT_EQ(shutDown(), 0);
}

TEST(FrameLoop, CatchesUpAfterAStallAtOneFrameAPass) {
    startUp();
    SDL_Delay(60);  // about seven frame periods behind
    int backToBack = 0;
    while (frame_timer::frameReady() && backToBack < 100) {
        runFramePass();
        ++backToBack;
    }
    EXPECT_GE(backToBack, 7);
    EXPECT_LT(backToBack, 100);
    quitGame();
    EXPECT_EQ(shutDown(), 0);
}

namespace {
struct ObservedStart {
    std::uint64_t due;
    long long framesRun;
};
std::vector<ObservedStart> observedStarts;

void recordStart() {
    observedStarts.push_back({frame_timer::getNextFrame(), getFramesRun()});
}

void recordStartAndQuitAfterThree() {
    recordStart();
    if (observedStarts.size() == 3) {
        quitGame();
    }
}
}  // namespace

TEST(FrameLoop, FrameStartObserverSeesEachPassBeforeTheTimerMoves) {
    startUp();
    ASSERT_FALSE(getQuit());
    observedStarts.clear();
    setFrameStartObserver(recordStart);
    std::vector<std::uint64_t> dueBefore;
    for (int pass = 0; pass < 3; ++pass) {
        dueBefore.push_back(frame_timer::getNextFrame());
        runFramePass();
    }
    ASSERT_EQ(observedStarts.size(), 3u);
    for (std::size_t i = 0; i < observedStarts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(observedStarts[i].due, dueBefore[i]) << "seen before the timer advances";
        EXPECT_EQ(observedStarts[i].framesRun, static_cast<long long>(i))
            << "seen before the frame runs";
    }
    setFrameStartObserver(nullptr);
    runFramePass();
    EXPECT_EQ(observedStarts.size(), 3u) << "a cleared observer is not called";
    EXPECT_EQ(getFramesRun(), 4);
    quitGame();
    EXPECT_EQ(shutDown(), 0);
}

TEST(FrameLoop, TheRealTimeLoopCallsTheObserverOnEveryFrameItRuns) {
    startUp();
    ASSERT_FALSE(getQuit());
    observedStarts.clear();
    setFrameStartObserver(recordStartAndQuitAfterThree);
    runFrameLoop();
    setFrameStartObserver(nullptr);
    EXPECT_EQ(getFramesRun(), 3);
    ASSERT_EQ(observedStarts.size(), 3u);
    // The loop waits for each due time, so consecutive frames are due one period apart.
    const std::uint64_t period =
        frame_timer::periodTicks(SDL_GetPerformanceFrequency(), frame_timer::getFramePeriod());
    EXPECT_EQ(observedStarts[1].due - observedStarts[0].due, period);
    EXPECT_EQ(observedStarts[2].due - observedStarts[1].due, period);
    EXPECT_EQ(shutDown(), 0);
}

namespace {
double processCpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The loop minimised for two seconds, then restored: what it cost and what ran.
struct MinimiseRun {
    enum class Phase { Start, Minimised, Restored } phase = Phase::Start;
    std::uint64_t phaseStart = 0;
    double cpuAtMinimise = 0.0;
    double minimisedCpu = 0.0;
    long long framesAtMinimise = 0;
    long long framesWhileMinimised = 0;
    long long framesAtRestore = 0;
    long long framesAfterRestore = 0;
};
MinimiseRun minimiseRun;
constexpr double kMinimisedSeconds = 2.0;
constexpr double kAfterRestoreSeconds = 0.25;

double secondsSince(std::uint64_t start) {
    return static_cast<double>(SDL_GetPerformanceCounter() - start) /
           static_cast<double>(SDL_GetPerformanceFrequency());
}

void observeMinimiseAndRestore() {
    MinimiseRun& run = minimiseRun;
    switch (run.phase) {
        case MinimiseRun::Phase::Start:
            test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
            run.phase = MinimiseRun::Phase::Minimised;
            run.phaseStart = SDL_GetPerformanceCounter();
            run.cpuAtMinimise = processCpuSeconds();
            run.framesAtMinimise = getFramesRun();
            break;
        case MinimiseRun::Phase::Minimised:
            if (secondsSince(run.phaseStart) >= kMinimisedSeconds) {
                run.minimisedCpu = processCpuSeconds() - run.cpuAtMinimise;
                run.framesWhileMinimised = getFramesRun() - run.framesAtMinimise;
                test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
                run.framesAtRestore = getFramesRun();
                run.phase = MinimiseRun::Phase::Restored;
                run.phaseStart = SDL_GetPerformanceCounter();
            }
            break;
        case MinimiseRun::Phase::Restored:
            if (secondsSince(run.phaseStart) >= kAfterRestoreSeconds) {
                run.framesAfterRestore = getFramesRun() - run.framesAtRestore;
                quitGame();
            }
            break;
    }
}
}  // namespace

TEST(FrameLoop, MinimisedLoopSleepsAndRestoringDoesNotReplayTheMissedFrames) {
    startUp();
    ASSERT_FALSE(getQuit());
    minimiseRun = {};
    setFrameStartObserver(observeMinimiseAndRestore);
    runFrameLoop();
    setFrameStartObserver(nullptr);

    EXPECT_EQ(minimiseRun.framesWhileMinimised, 0);
    // Spinning took the whole core; a loop that sleeps takes a few percent even under a
    // sanitizer, so a quarter of a core is a bound a busy machine still keeps.
    EXPECT_LT(minimiseRun.minimisedCpu, 0.25 * kMinimisedSeconds);
    // Two seconds behind would be 240 frames at once; the loop runs on from the restore, and
    // however late this process is scheduled it is never more than the catch-up limit behind.
    const long long onCadence = static_cast<long long>(kAfterRestoreSeconds * 120.0) + 1;
    const long long limit = static_cast<long long>(frame_timer::kCatchUpLimitPeriods) + 1;
    EXPECT_GE(minimiseRun.framesAfterRestore, 1) << "the restore ran no frame";
    EXPECT_LE(minimiseRun.framesAfterRestore, onCadence + limit);
    EXPECT_EQ(shutDown(), 0);
}

#if BRICKFALL_TESTS_START_PROGRAMS
TEST(GameProcess, ClosingTheWindowEndsWithStatusZero) {
    const auto result = test_support::runProcess({BRICKFALL_GAME_BINARY},
                                                 test_support::kHeadlessEnvironment, 30.0, 1.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}

TEST(GameProcess, NoUsableVideoIsReportedWithANonZeroStatus) {
    std::vector<std::string> environment = test_support::kHeadlessEnvironment;
    environment[0] = "SDL_VIDEODRIVER=no-such-driver";
    const auto result = test_support::runProcess({BRICKFALL_GAME_BINARY}, environment, 30.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_NE(result.standardError.find("VIDEO ERROR: The window could not be created: "),
              std::string::npos)
        << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}

TEST(GameProcess, MissingOrBrokenSheetEndsWithItsMessageAndANonZeroStatus) {
    const std::string message =
        "FILE LOADING ERROR: An image file is missing or the executable is in the wrong "
        "directory.";
    const std::string pngSignature = "\x89PNG\r\n\x1a\n";
    const struct {
        const char* name;
        bool hasSheet;
        std::string bytes;
    } cases[] = {
        {"missing", false, ""},
        {"empty", true, ""},
        {"not a png", true, "this is not an image"},
        {"truncated png", true, pngSignature + std::string("\0\0\0\rIHDR\0\0", 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StagedGame game;
        game.binary = test_support::stageProgramIn(BRICKFALL_GAME_BINARY, game.directory, false);
        if (c.hasSheet) {
            const auto folder = std::filesystem::path(game.directory) / "Resources" / "IMG";
            std::filesystem::create_directories(folder);
            std::ofstream(folder / "Main.png", std::ios::binary) << c.bytes;
        }
        const auto result =
            test_support::runProcess({game.binary}, test_support::kHeadlessEnvironment, 30.0);
        EXPECT_FALSE(result.timedOut);
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_NE(result.standardError.find(message), std::string::npos) << result.standardError;
        EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
    }
}
#endif
