#include "frame_host.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <ostream>
#include <utility>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_timer.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "game_snapshot.hpp"
#include "input_devices.hpp"
#include "sim_monkey.hpp"
#include "test_support.hpp"
#include "video_presenting.hpp"

using test_support::holding;
using A = InputAction;

namespace {
// A producer that plays a fixed list of commands, then nothing.
class ListedCommands final : public InputProducer {
  public:
    explicit ListedCommands(std::vector<PassInput> commands) : commands_(std::move(commands)) {}
    PassInput next() override {
        return given_ < commands_.size() ? commands_[given_++] : PassInput{};
    }

  private:
    std::vector<PassInput> commands_;
    std::size_t given_ = 0;
};

using FrameHost = test_support::GameFixture;

}  // namespace

// How a display frame ended, by name in failure messages.
void PrintTo(HostFrame ended, std::ostream* out) {
    constexpr const char* kNames[] = {"Idle", "Drawn", "Minimized", "Quit"};
    *out << kNames[static_cast<int>(ended)];
}

namespace {
// A clock that moves only when a test steps it, in the ticks of SDL's performance frequency.
std::uint64_t steppedTicks = 0;
std::uint64_t steppedClock() {
    return steppedTicks;
}

// The frame host on the stepped clock, its cadence starting at kCadenceStart.
class SteppedFrameHost : public FrameHost {
  protected:
    void SetUp() override {
        FrameHost::SetUp();
        period = frame_timer::periodTicks(SDL_GetPerformanceFrequency(), kFramePeriodSeconds);
        steppedTicks = kCadenceStart;
        frame_timer::setTickSource(steppedClock);
        frame_timer::restartCadence();
    }
    void TearDown() override {
        frame_timer::setTickSource(nullptr);
        FrameHost::TearDown();
    }
    // The clock `quarters` quarter periods after the cadence began.
    void atQuarter(std::uint64_t quarters) const {
        steppedTicks = kCadenceStart + period * quarters / 4;
    }
    // One display frame: the passes it ran and how it ended.
    static std::pair<long long, HostFrame> displayFrame() {
        const long long before = getFramesRun();
        const HostFrame ended = runDueFrames();
        return {getFramesRun() - before, ended};
    }

    static constexpr std::uint64_t kCadenceStart = 1'000'000'000;
    std::uint64_t period = 0;
};

// The random player filling each pass's command, as brickfall-sim's monkey does.
class RandomPlayer final : public InputProducer {
  public:
    PassInput next() override {
        readGameState(state_);
        return {monkey_.next(state_), false, false};
    }

  private:
    Monkey monkey_{7};
    GameState state_;
};
}  // namespace

// A paddle kept moving, so that every pass changes the picture and every drawing counts.
TEST_F(SteppedFrameHost, OneDisplayFrameCatchesUpAtMostTheTimersLimitPlusThePassDueAndDrawsOnce) {
    const long long limit = static_cast<long long>(frame_timer::kCatchUpLimitPeriods);
    const struct {
        long long periodsLate;
        long long passes;
    } cases[] = {
        {0, 1},
        {1, 2},
        {limit - 1, limit},
        {limit, limit + 1},
        // Beyond the limit the backlog is dropped: only the pass due now runs.
        {limit + 1, 1},
        {10 * limit, 1},
    };
    test_support::holdInPasses(holding({A::Right}));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.periodsLate) + " periods late");
        changeScene(kStageScene);
        frame_timer::restartCadence();
        steppedTicks += period * static_cast<std::uint64_t>(c.periodsLate);
        markPictureChanged();
        const float paddleBefore = getPaddlePosition().x;
        const long long drawnBefore = getFieldsDrawn();
        const long long presentedBefore = getPicturesPresented();
        EXPECT_EQ(displayFrame(), std::make_pair(c.passes, HostFrame::Drawn));
        ASSERT_EQ(getPaddlePosition().x, paddleBefore + 2.0f * static_cast<float>(c.passes))
            << "every pass moved the paddle";
        EXPECT_EQ(getFieldsDrawn() - drawnBefore, 1);
        EXPECT_EQ(getPicturesPresented() - presentedBefore, 1);
        EXPECT_EQ(displayFrame(), std::make_pair(0LL, HostFrame::Idle)) << "nothing more is due";
    }
}

// A pass runs early only while a key's change waits for it, and only the pass due within the
// coming period; the passes after it run on their own ticks again.
TEST_F(SteppedFrameHost, AKeysPassRunsEarlyOnceAndThePassesAfterItKeepTheirTicks) {
    const struct {
        std::uint64_t quarter;
        bool keyChanges;
        long long passes;
    } steps[] = {
        {0, false, 1},   // due: the next is due at 4
        {2, true, 1},    // the key's pass, due at 4, runs now: the next is due at 8
        {4, false, 0},   // the early pass's own tick
        {6, false, 0},   //
        {8, false, 1},   // due
        {9, true, 1},    // the key's pass, due at 12: the next is due at 16
        {10, true, 0},   // more than a period before 16: this key waits
        {12, false, 1},  // now within a period, its pass runs: the next is due at 20
        {14, false, 0},  //
        {16, false, 0},  // the early pass's own tick
        {20, false, 1},  // due
    };
    bool leftDown = false;
    for (const auto& step : steps) {
        SCOPED_TRACE("at " + std::to_string(step.quarter) + " quarter periods");
        atQuarter(step.quarter);
        if (step.keyChanges) {
            leftDown = !leftDown;
            test_support::pushActionKey(A::Left, leftDown);
            noteInputChanged();
        }
        EXPECT_EQ(displayFrame(), std::make_pair(step.passes, step.passes > 0 ? HostFrame::Drawn
                                                                              : HostFrame::Idle));
    }
}

TEST_F(SteppedFrameHost, AScriptsOrTheRandomPlayersPassesNeverRunEarly) {
    ListedCommands script({});
    RandomPlayer randomPlayer;
    const struct {
        const char* name;
        InputProducer* producer;
        long long earlyPasses;
    } cases[] = {
        {"the keyboard and controllers", nullptr, 1},
        {"a script", &script, 0},
        {"the random player", &randomPlayer, 0},
    };
    std::uint64_t quarter = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setInputProducer(c.producer);
        atQuarter(quarter);
        frame_timer::restartCadence();
        ASSERT_EQ(displayFrame().first, 1) << "the pass due";
        // Half a period on, every kind of device event arrives.
        atQuarter(quarter + 2);
        test_support::pushActionKey(A::Right, true);
        test_support::pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
        noteInputChanged();
        EXPECT_EQ(displayFrame().first, c.earlyPasses);
        // The next pass's tick: a producer's pass runs on it, the devices' already ran.
        atQuarter(quarter + 4);
        EXPECT_EQ(displayFrame().first, 1 - c.earlyPasses);
        test_support::pushActionKey(A::Right, false);
        quarter += 8;
    }
}

// The display shows every other picture here. A picture it would not show is neither drawn
// nor sent, but it is counted, so the next one goes out.
TEST_F(SteppedFrameHost, APictureTheDisplayWouldNotShowIsCountedSoTheNextGoesOut) {
    ASSERT_EQ(framesPerPicture(0, kFramePeriodSeconds), 2) << "the dummy display's rate";
    changeScene(kStageScene);
    test_support::holdInPasses(holding({A::Right}));
    markPictureChanged();
    ASSERT_EQ(displayFrame().first, 1);
    std::vector<bool> wentOut;
    std::vector<bool> drawn;
    for (std::uint64_t quarter = 4; quarter <= 24; quarter += 4) {
        atQuarter(quarter);
        const long long presentedBefore = getPicturesPresented();
        const long long drawnBefore = getFieldsDrawn();
        ASSERT_EQ(displayFrame().first, 1) << "a pass a period";
        wentOut.push_back(getPicturesPresented() > presentedBefore);
        drawn.push_back(getFieldsDrawn() > drawnBefore);
    }
    const std::vector<bool> everyOther = {false, true, false, true, false, true};
    EXPECT_EQ(wentOut, everyOther);
    EXPECT_EQ(drawn, everyOther);
}

TEST_F(FrameHost, TheProducersCommandIsThePassesOnlyInputButACloseStillQuits) {
    ListedCommands script({{holding({A::Right}), false, false}, {{}, true, false}, {}});
    setInputProducer(&script);
    // The player's keys, window and controllers move nothing while a producer fills the commands.
    test_support::pushActionKey(A::Left, true);
    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getPassInput(), (PassInput{holding({A::Right}), false, false}));
    test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_FALSE(runFramePass()) << "the script's minimised pass runs no frame";
    EXPECT_EQ(getPassInput(), (PassInput{{}, true, false}));
    test_support::pushQuit();
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getPassInput(), PassInput{});
    EXPECT_TRUE(getQuit()) << "closing the window still ends a demo";

    // Without a producer the devices fill the command again, and Left is still held there.
    setInputProducer(nullptr);
    runFramePass();
    EXPECT_EQ(getPassInput(), (PassInput{holding({A::Left}), false, false}));
}

TEST_F(FrameHost, AHeldKeyAcrossAStallCountsEveryPassOfTheCatchUpAndIsDrawnOnce) {
    test_support::pushActionKey(A::Right, true);
    // However long start-up took, the stall below starts on a fresh cadence.
    frame_timer::restartCadence();
    const long long drawnBefore = getFieldsDrawn();
    SDL_Delay(60);  // about seven periods behind
    EXPECT_EQ(runDueFrames(), HostFrame::Drawn);
    const long long caughtUp = getFramesRun();
    EXPECT_GE(caughtUp, 7);
    EXPECT_LE(caughtUp, static_cast<long long>(frame_timer::kCatchUpLimitPeriods) + 1);
    const auto held = static_cast<std::int32_t>(caughtUp);
    EXPECT_EQ(inputHeld(A::Right, held - 1), 1) << "the timer counted every pass of the catch-up";
    EXPECT_EQ(inputHeld(A::Right, held), 0) << "and no more";
    EXPECT_LE(getFieldsDrawn() - drawnBefore, 1) << "the passes of one call are drawn once";
}

TEST_F(FrameHost, AMinimisedPassEndsTheCallAndTheTimeAwayIsNotMadeUp) {
    // A minimised window stops the call at the pass that finds it so.
    ListedCommands script({{}, {}, {{}, true, false}, {}, {}});
    setInputProducer(&script);
    frame_timer::restartCadence();
    SDL_Delay(60);
    EXPECT_EQ(runDueFrames(), HostFrame::Minimized);
    EXPECT_EQ(getFramesRun(), 2);
    // The next call starts a new cadence, so the 24 periods spent minimised are not made up.
    SDL_Delay(200);
    EXPECT_EQ(runDueFrames(), HostFrame::Drawn);
    const long long afterReturn = getFramesRun();
    EXPECT_GE(afterReturn, 3);
    EXPECT_LT(afterReturn, 2 + 12) << "not the periods waited";
    quitGame();
    EXPECT_EQ(runDueFrames(), HostFrame::Quit);
    EXPECT_EQ(getFramesRun(), afterReturn) << "no pass runs once the game has ended";
}

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

namespace {
// What one call did to the window's picture.
struct Seen {
    bool fieldDrawn;
    bool presented;
    bool still;
    bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& seen, std::ostream* out) {
    *out << (seen.fieldDrawn ? "drawn" : "not drawn") << ", "
         << (seen.presented ? "presented" : "not presented") << ", "
         << (seen.still ? "still" : "not still");
}
constexpr Seen kStill = {false, false, true};
constexpr Seen kShown = {true, true, false};
constexpr Seen kSkipped = {false, false, false};

enum class DownKey { Untouched, Pressed, Released, ReleasedAndAnsweredAtOnce };
}  // namespace

// A page asks for display frames only while the pictures change, so the host must say when a
// call left the window showing the same field: never after the field was drawn again, nor
// after a picture was skipped.
TEST_F(SteppedFrameHost, APictureStandsStillOnlyWhenTheCallLeftTheWindowShowingAnUnchangedField) {
    struct Call {
        std::uint64_t quarter;  // of a period, from the call after the title stood still
        DownKey down;
        Seen seen;
    };
    const struct {
        const char* name;
        std::int32_t passesPerSecond;
        std::int32_t passesPerPicture;  // on the dummy display, taken as 60 Hz
        std::vector<Call> calls;
    } cases[] = {
        // On the title, Down moves the cursor once and the field is drawn again. The call after
        // comes too soon for the display, so its picture is skipped, unseen; the one after finds
        // the window showing the unchanged field.
        {"one picture in two",
         kFramesPerSecond,
         2,
         {{0, DownKey::Untouched, kStill},
          {4, DownKey::Untouched, kStill},
          {8, DownKey::Pressed, kShown},
          {12, DownKey::Released, kSkipped},
          {16, DownKey::Untouched, kStill},
          {20, DownKey::Untouched, kStill}}},
        // The release, answered at once, changes nothing on the field: still. The two calls
        // after it come too soon for the display, and a skipped picture is never still, whatever
        // the call before it was.
        {"one picture in four",
         2 * kFramesPerSecond,
         4,
         {{0, DownKey::Untouched, kStill},
          {4, DownKey::Pressed, kShown},
          {6, DownKey::ReleasedAndAnsweredAtOnce, kStill},
          {12, DownKey::Untouched, kSkipped},
          {16, DownKey::Untouched, kSkipped},
          {20, DownKey::Untouched, kStill}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double framePeriod = framePeriodSeconds(c.passesPerSecond);
        ASSERT_EQ(framesPerPicture(0, framePeriod), c.passesPerPicture) << "the dummy display";
        frame_timer::initializeTimer(c.passesPerSecond);
        period = frame_timer::periodTicks(SDL_GetPerformanceFrequency(), framePeriod);
        changeScene(kMenuScene);
        // The next picture goes out whatever it holds, and the display's pace is chosen anew.
        markPictureChanged();
        // A pass a period until the title's picture settles, within a few calls.
        int settling = 0;
        do {
            ASSERT_EQ(displayFrame().first, 1);
            steppedTicks += period;
        } while (!isPictureStill() && ++settling < 10);
        ASSERT_TRUE(isPictureStill()) << "the still title";
        const std::uint64_t start = steppedTicks;
        for (const Call& call : c.calls) {
            SCOPED_TRACE("at " + std::to_string(call.quarter) + " quarter periods");
            steppedTicks = start + period * call.quarter / 4;
            if (call.down != DownKey::Untouched) {
                test_support::pushActionKey(A::Down, call.down == DownKey::Pressed);
            }
            if (call.down == DownKey::ReleasedAndAnsweredAtOnce) {
                noteInputChanged();
            }
            const long long drawnBefore = getFieldsDrawn();
            const long long presentedBefore = getPicturesPresented();
            ASSERT_EQ(displayFrame(), std::make_pair(1LL, HostFrame::Drawn));
            EXPECT_EQ((Seen{getFieldsDrawn() > drawnBefore,
                            getPicturesPresented() > presentedBefore, isPictureStill()}),
                      call.seen);
        }
    }
}
