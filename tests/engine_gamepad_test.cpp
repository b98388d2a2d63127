#include "engine_gamepad.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_snapshot.hpp"
#include "game_trace.hpp"
#include "gamepad_support.hpp"
#include "input_devices.hpp"
#include "input_script.hpp"
#include "play_session.hpp"
#include "scene_stage1.hpp"
#include "stage_support.hpp"
#include "test_support.hpp"

using gamepad_support::VirtualPad;
using A = InputAction;

namespace {
// The action's hold timer, read through inputHeld: the timer is above f for each f below it.
int timerOf(InputAction action) {
    int timer = 0;
    while (timer <= kInputTimerCap && inputHeld(action, timer) != 0) {
        ++timer;
    }
    return timer;
}

std::vector<InputAction> actionsDown() {
    std::vector<InputAction> down;
    for (std::int32_t action = 0; action < kInputActionCount; ++action) {
        if (inputDown(static_cast<InputAction>(action)) != 0) {
            down.push_back(static_cast<InputAction>(action));
        }
    }
    return down;
}

using Gamepads = test_support::InputFixture;
}  // namespace

TEST(StickDeadZone, HoldsFromHalfDeflectionAndLetsGoBelowThreeEighths) {
    const struct {
        bool held;
        std::int32_t lean;
        bool holds;
    } cases[] = {
        {false, 0, false},     {false, 12288, false}, {false, 16383, false},  {false, 16384, true},
        {false, 32767, true},  {false, 32768, true},  {false, -32768, false}, {true, 32767, true},
        {true, 16384, true},   {true, 12288, true},   {true, 12287, false},   {true, 0, false},
        {true, -20000, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stickHolds(c.held, c.lean), c.holds)
            << (c.held ? "held" : "at rest") << ", leaning " << c.lean;
    }
}

TEST_F(Gamepads, EveryButtonAndStickDirectionHoldsItsActions) {
    VirtualPad pad;
    ASSERT_TRUE(pad.plugged()) << SDL_GetError();
    test_support::updateFromDevices();
    constexpr int kNoButton = -1;
    const struct {
        const char* name;
        int button;  // or kNoButton, and the axis leant to `lean`
        int axis;
        int lean;
        std::vector<InputAction> actions;
    } cases[] = {
        {"d-pad up", SDL_CONTROLLER_BUTTON_DPAD_UP, 0, 0, {A::Up}},
        {"d-pad down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, 0, {A::Down}},
        {"d-pad left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, 0, {A::Left}},
        {"d-pad right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, 0, {A::Right}},
        {"South, as Return", SDL_CONTROLLER_BUTTON_A, 0, 0, {A::Confirm, A::Select}},
        {"East, as P", SDL_CONTROLLER_BUTTON_B, 0, 0, {A::Back}},
        {"Back, as P", SDL_CONTROLLER_BUTTON_BACK, 0, 0, {A::Back}},
        {"Start, as Backspace", SDL_CONTROLLER_BUTTON_START, 0, 0, {A::Pause}},
        {"left shoulder, as C", SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0, 0, {A::Special}},
        {"right shoulder, as C", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0, 0, {A::Special}},
        {"West", SDL_CONTROLLER_BUTTON_X, 0, 0, {}},
        {"North", SDL_CONTROLLER_BUTTON_Y, 0, 0, {}},
        {"Guide", SDL_CONTROLLER_BUTTON_GUIDE, 0, 0, {}},
        {"left stick click", SDL_CONTROLLER_BUTTON_LEFTSTICK, 0, 0, {}},
        {"paddle 4", SDL_CONTROLLER_BUTTON_PADDLE4, 0, 0, {}},
        {"left stick left", kNoButton, SDL_CONTROLLER_AXIS_LEFTX, -32768, {A::Left}},
        {"left stick right", kNoButton, SDL_CONTROLLER_AXIS_LEFTX, 32767, {A::Right}},
        {"left stick up", kNoButton, SDL_CONTROLLER_AXIS_LEFTY, -32768, {A::Up}},
        {"left stick down", kNoButton, SDL_CONTROLLER_AXIS_LEFTY, 32767, {A::Down}},
        {"right stick right", kNoButton, SDL_CONTROLLER_AXIS_RIGHTX, 32767, {}},
        {"left trigger", kNoButton, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, {}},
    };
    for (const auto& c : cases) {
        const auto set = [&](bool on) {
            if (c.button != kNoButton) {
                pad.press(static_cast<SDL_GameControllerButton>(c.button), on);
            } else {
                pad.lean(static_cast<SDL_GameControllerAxis>(c.axis), on ? c.lean : 0);
            }
        };
        set(true);
        test_support::updateFromDevices();
        EXPECT_EQ(actionsDown(), c.actions) << c.name;
        for (InputAction action : c.actions) {
            EXPECT_EQ(inputPressed(action), 1) << c.name;
        }
        set(false);
        test_support::updateFromDevices();
        EXPECT_EQ(actionsDown(), std::vector<InputAction>{}) << c.name << ", let go";
    }
}

TEST_F(Gamepads, AKeyAndControllersMakeOneActionPressedOnceAndHeldWhileAnyHolds) {
    VirtualPad first;
    VirtualPad second;
    const struct {
        bool key;
        bool firstPad;   // its d-pad
        bool secondPad;  // its stick
        int timer;
    } steps[] = {
        {false, false, false, 0}, {true, false, false, 1}, {true, true, false, 2},
        {false, true, false, 3},  {false, true, true, 4},  {false, false, true, 5},
        {false, false, false, 0}, {false, true, false, 1}, {true, false, false, 2},
        {false, false, false, 0}, {true, true, true, 1},   {true, true, true, 2},
        {false, false, false, 0},
    };
    int step = 0;
    for (const auto& s : steps) {
        test_support::pushActionKey(A::Right, s.key);
        first.press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, s.firstPad);
        second.lean(SDL_CONTROLLER_AXIS_LEFTX, s.secondPad ? 32767 : 0);
        test_support::updateFromDevices();
        EXPECT_EQ(timerOf(A::Right), s.timer) << "step " << step;
        EXPECT_EQ(inputDown(A::Right), s.timer > 0 ? 1 : 0) << "step " << step;
        EXPECT_EQ(inputPressed(A::Right), s.timer == 1 ? 1 : 0) << "step " << step;
        ++step;
    }
}

TEST_F(Gamepads, APluggedControllerWorksAtOnceAndAnUnpluggedOneLetsGo) {
    for (int pass = 0; pass < 5; ++pass) {
        test_support::updateFromDevices();
    }
    // Held as it is plugged in: the drain that opens it already counts the press.
    std::optional<VirtualPad> first(std::in_place);
    first->press(SDL_CONTROLLER_BUTTON_A, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(A::Confirm), 1);
    EXPECT_FALSE(controllerRemoved());

    VirtualPad second;
    test_support::updateFromDevices();
    second.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    first->press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(A::Left), 1) << "the second controller works beside the first";

    first.reset();
    test_support::updateFromDevices();
    EXPECT_TRUE(controllerRemoved());
    EXPECT_EQ(inputDown(A::Confirm), 0) << "the removed controller's button let go";
    EXPECT_EQ(timerOf(A::Left), 2) << "the other controller still holds Left";
    test_support::updateFromDevices();
    EXPECT_FALSE(controllerRemoved()) << "a removal counts for the pass it happened in";

    second.unplug();
    test_support::updateFromDevices();
    EXPECT_TRUE(controllerRemoved());
    EXPECT_EQ(inputDown(A::Left), 0);
}

// A stick already leant as the controller is plugged in sends no motion of its own: what the
// plug-in reads must hold, from the drain that opens the controller on, with the dead zone's
// engage limit of half deflection.
TEST_F(Gamepads, AStickLeantAtPlugInHoldsItsDirectionFromTheFirstPass) {
    const struct {
        SDL_GameControllerAxis axis;
        int lean;
        std::vector<InputAction> actions;
    } cases[] = {
        {SDL_CONTROLLER_AXIS_LEFTX, -32768, {A::Left}},
        {SDL_CONTROLLER_AXIS_LEFTX, 32767, {A::Right}},
        {SDL_CONTROLLER_AXIS_LEFTY, -32768, {A::Up}},
        {SDL_CONTROLLER_AXIS_LEFTY, 32767, {A::Down}},
        {SDL_CONTROLLER_AXIS_LEFTX, kStickEngage, {A::Right}},
        {SDL_CONTROLLER_AXIS_LEFTY, -kStickEngage, {A::Up}},
        {SDL_CONTROLLER_AXIS_LEFTX, kStickEngage - 1, {}},
        {SDL_CONTROLLER_AXIS_LEFTY, -(kStickEngage - 1), {}},
        {SDL_CONTROLLER_AXIS_RIGHTX, 32767, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("axis " + std::to_string(c.axis) + " leant to " + std::to_string(c.lean));
        std::optional<VirtualPad> pad(std::in_place);
        ASSERT_TRUE(pad->plugged()) << SDL_GetError();
        pad->lean(c.axis, c.lean);
        test_support::updateFromDevices();
        EXPECT_EQ(actionsDown(), c.actions) << "on the pass that opens it";
        for (InputAction action : c.actions) {
            EXPECT_EQ(inputPressed(action), 1);
        }
        test_support::updateFromDevices();
        EXPECT_EQ(actionsDown(), c.actions) << "still held on the next pass";
        pad.reset();
        test_support::updateFromDevices();
        EXPECT_EQ(actionsDown(), std::vector<InputAction>{}) << "unplugged";
    }
}

namespace {
// The game's own start-up on SDL's dummy drivers, played through its real frame pass.
class GameWithGamepads : public ::testing::Test {
  protected:
    void SetUp() override {
        startUp();
        ASSERT_FALSE(getQuit());
    }
    void TearDown() override { shutDown(); }
    // The keys go through the devices, beside the controllers.
    static void pass(std::initializer_list<InputAction> keys = {}) {
        for (std::int32_t action = 0; action < kInputActionCount; ++action) {
            test_support::pushActionKey(static_cast<InputAction>(action), false);
        }
        for (const InputAction action : keys) {
            test_support::pushActionKey(action, true);
        }
        runFramePass();
    }
};
}  // namespace

TEST_F(GameWithGamepads, ARemovalPausesARunningStageAndLeavesAPausedOneSo) {
    const struct {
        const char* name;
        bool pausedFirst;
        bool pauseWithRemoval;
        bool minimisedAtRemoval;
        bool removed;
    } cases[] = {
        {"running", false, false, false, true},
        {"already paused", true, false, false, true},
        {"paused, Pause pressed in the removal's pass", true, true, false, true},
        {"running, Pause pressed in the removal's pass", false, true, false, true},
        {"minimised at the removal", false, false, true, true},
        {"nothing removed", false, false, false, false},
    };
    for (const auto& c : cases) {
        changeScene(kStageScene);
        std::optional<VirtualPad> pad(std::in_place);
        for (int i = 0; i < 3; ++i) {
            pass();
        }
        if (c.pausedFirst) {
            pass({A::Pause});
            pass();
            ASSERT_TRUE(isPaused()) << c.name;
        }
        if (c.minimisedAtRemoval) {
            test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
            pass();
        }
        if (c.removed) {
            pad.reset();
        }
        if (c.minimisedAtRemoval) {
            pass();
            test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
        }
        c.pauseWithRemoval ? pass({A::Pause}) : pass();
        ASSERT_EQ(getCurrentScene(), kStageScene) << c.name;
        EXPECT_EQ(isPaused(), c.removed) << c.name;
        for (int i = 0; i < 3; ++i) {
            pass();
        }
        EXPECT_EQ(isPaused(), c.removed) << c.name << ", passes later";
        // Unplugged here, so the next case's stage does not see it.
        pad.reset();
        pass();
    }

    // In the menu a removal does nothing, and the stage started after it runs.
    changeScene(kMenuScene);
    pass();
    std::optional<VirtualPad> pad(std::in_place);
    pass();
    pad.reset();
    pass();
    pass({A::Confirm});
    ASSERT_EQ(getCurrentScene(), kStageScene);
    pass();
    EXPECT_FALSE(isPaused());
}

#if BRICKFALL_TESTS_START_PROGRAMS
namespace {

enum class Do { Plug, Unplug, Press, Release, Lean, KeyDown, KeyUp, Minimise, Restore };
struct Event {
    int pass;
    Do what;
    int pad;
    int control;  // a button, an axis or an action
    int value;
};
constexpr int kSouth = SDL_CONTROLLER_BUTTON_A;
constexpr int kEast = SDL_CONTROLLER_BUTTON_B;
constexpr int kStart = SDL_CONTROLLER_BUTTON_START;
constexpr int kPadLeft = SDL_CONTROLLER_BUTTON_DPAD_LEFT;
constexpr int kPadRight = SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
constexpr int kStickX = SDL_CONTROLLER_AXIS_LEFTX;
constexpr int kLeftKey = static_cast<int>(A::Left);
// A stage played on controllers: the stick past its dead zone and resting near it, a key and
// a button together, a second and a third controller plugged in, pauses from either, removals
// mid-stage, mid-pause and while minimised; a chase on the stick follows from pass 310.
const std::vector<Event> kPlay = {
    {1, Do::Plug, 0, 0, 0},
    {2, Do::Press, 0, kSouth, 0},
    {4, Do::Release, 0, kSouth, 0},
    {10, Do::Lean, 0, kStickX, 20000},
    {30, Do::Lean, 0, kStickX, 14000},
    {50, Do::Lean, 0, kStickX, 0},
    {55, Do::Press, 0, kPadLeft, 0},
    {65, Do::KeyDown, 0, kLeftKey, 0},
    {75, Do::Release, 0, kPadLeft, 0},
    {85, Do::KeyUp, 0, kLeftKey, 0},
    {90, Do::Plug, 1, 0, 0},
    {92, Do::Press, 1, kPadRight, 0},
    {100, Do::Release, 1, kPadRight, 0},
    {110, Do::Press, 0, kStart, 0},
    {112, Do::Release, 0, kStart, 0},
    {130, Do::Press, 1, kStart, 0},
    {132, Do::Release, 1, kStart, 0},
    {150, Do::Unplug, 1, 0, 0},
    {170, Do::Press, 0, kStart, 0},
    {172, Do::Release, 0, kStart, 0},
    {200, Do::Press, 0, kStart, 0},
    {202, Do::Release, 0, kStart, 0},
    {220, Do::Unplug, 0, 0, 0},
    {230, Do::Plug, 2, 0, 0},
    {240, Do::Press, 2, kStart, 0},
    {242, Do::Release, 2, kStart, 0},
    {260, Do::Minimise, 0, 0, 0},
    {270, Do::Unplug, 2, 0, 0},
    {280, Do::Restore, 0, 0, 0},
    {290, Do::Plug, 0, 0, 0},
    {300, Do::Press, 0, kStart, 0},
    {302, Do::Release, 0, kStart, 0},
    {1000, Do::Press, 0, kEast, 0},
    {1001, Do::Release, 0, kEast, 0},
};
// From here on the first controller's stick follows the lowest falling ball.
constexpr int kChaseFrom = 310;
constexpr int kPasses = 1800;

}  // namespace

TEST(GamepadRecording, AControllerGameRecordsAndReplaysInTheSimulatorToTheSameTrace) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string recordingPath = directory + "/pad.script";
    const std::string gameTracePath = directory + "/game.trace";
    const std::string simTracePath = directory + "/sim.trace";
    // What the game's --record and --trace write.
    PlaySession session;
    SessionOptions options;
    options.program = "test";
    options.recordPath = recordingPath.c_str();
    options.tracePath = gameTracePath.c_str();
    ASSERT_EQ(session.open(options), SessionOpened::Ready);

    startUp();
    ASSERT_FALSE(getQuit());
    setPassObserver(&session);
    std::optional<VirtualPad> pads[3];
    std::size_t next = 0;
    for (int pass = 1; pass <= kPasses; ++pass) {
        for (; next < kPlay.size() && kPlay[next].pass == pass; ++next) {
            const Event& e = kPlay[next];
            std::optional<VirtualPad>& pad = pads[e.pad];
            switch (e.what) {
                case Do::Plug:
                    pad.emplace();
                    break;
                case Do::Unplug:
                    pad.reset();
                    break;
                case Do::Press:
                case Do::Release:
                    pad->press(static_cast<SDL_GameControllerButton>(e.control),
                               e.what == Do::Press);
                    break;
                case Do::Lean:
                    pad->lean(static_cast<SDL_GameControllerAxis>(e.control), e.value);
                    break;
                case Do::KeyDown:
                case Do::KeyUp:
                    test_support::pushActionKey(static_cast<InputAction>(e.control),
                                                e.what == Do::KeyDown);
                    break;
                case Do::Minimise:
                case Do::Restore:
                    test_support::pushWindowEvent(e.what == Do::Minimise
                                                      ? SDL_WINDOWEVENT_MINIMIZED
                                                      : SDL_WINDOWEVENT_RESTORED);
                    break;
            }
        }
        if (pass >= kChaseFrom && pads[0]) {
            pads[0]->lean(SDL_CONTROLLER_AXIS_LEFTX, stage_support::chasingDirection() * 32767);
        }
        runFramePass();
    }
    setPassObserver(nullptr);
    ASSERT_TRUE(session.finish(true));
    for (std::optional<VirtualPad>& pad : pads) {
        pad.reset();
    }
    shutDown();

    // The game did what the play says, the rules on removals included.
    std::map<int, std::string> traced;
    std::istringstream lines(test_support::readFile(gameTracePath));
    for (std::string line; std::getline(lines, line);) {
        traced[std::stoi(line.substr(line.find(':') + 1))] = line;
    }
    const auto paddleX = [&](int frame) {
        const std::string& line = traced.at(frame);
        return std::stof(line.substr(line.find("\"paddle\":[") + 10));
    };
    // Right for 40 passes, the last 20 with the stick resting just inside the dead zone; then
    // Left for 30, from the d-pad, the d-pad and the key together, then the key alone.
    EXPECT_EQ(paddleX(50), 120.0f + 2.0f * 40);
    EXPECT_EQ(paddleX(85), paddleX(54) - 2.0f * 30);
    const struct {
        int frame;
        bool paused;
    } pauses[] = {
        {109, false}, {110, true},  {129, true},  {130, false}, {149, false}, {150, true},
        {169, true},  {170, false}, {199, false}, {200, true},  {220, true},  {239, true},
        {240, false}, {259, false}, {280, true},  {299, true},  {300, false}, {kPasses, false},
    };
    for (const auto& p : pauses) {
        ASSERT_EQ(traced.count(p.frame), 1u) << "frame " << p.frame;
        EXPECT_NE(traced[p.frame].find(p.paused ? "\"paused\":true" : "\"paused\":false"),
                  std::string::npos)
            << traced[p.frame];
    }
    EXPECT_EQ(traced.count(270), 0u) << "a minimised pass runs no frame";
    EXPECT_NE(traced[kPasses].find("\"scene\":1"), std::string::npos) << "the chase kept it going";

    const std::string script = test_support::readFile(recordingPath);
    EXPECT_NE(script.find("Minimized,Unplugged\n"), std::string::npos) << script;
    EXPECT_NE(script.find("\n1 Unplugged\n"), std::string::npos) << script;

    const auto sim = test_support::runProcess(
        {BRICKFALL_SIM_BINARY, "--script", recordingPath, "--trace", simTracePath},
        test_support::kHeadlessEnvironment, 60.0);
    ASSERT_EQ(sim.exitStatus, 0) << sim.standardError;
    const std::string gameTrace = test_support::readFile(gameTracePath);
    const std::string simTrace = test_support::readFile(simTracePath);
    std::istringstream gameLines(gameTrace);
    std::istringstream simLines(simTrace);
    std::string gameLine;
    std::string simLine;
    while (std::getline(gameLines, gameLine)) {
        ASSERT_TRUE(std::getline(simLines, simLine)) << "the replay ends before " << gameLine;
        ASSERT_EQ(simLine, gameLine) << "the replay's trace departs from the game's";
    }
    EXPECT_FALSE(std::getline(simLines, simLine)) << "the replay goes on: " << simLine;
    EXPECT_TRUE(simTrace == gameTrace);
    test_support::removeDirectory(directory);
}
#endif
