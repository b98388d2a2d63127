#include "engine_input.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine_game_manager.hpp"
#include "input_bindings.hpp"
#include "input_devices.hpp"
#include "test_support.hpp"

using test_support::holding;
using test_support::pushActionKey;
using A = InputAction;

namespace {
// The rules' side: commands set directly, no events.
class InputCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        initializeInput();
    }
    void TearDown() override {
        quitInput();
        SDL_Quit();
    }

    static void hold(std::initializer_list<A> held) { updateInputs({holding(held), false, false}); }

    // Holds the action for `frames` updates, counting the updates on which it reads as pressed.
    static int countPressesWhileHolding(A action, int frames) {
        int presses = 0;
        for (int frame = 0; frame < frames; ++frame) {
            hold({action});
            presses += inputPressed(action);
        }
        return presses;
    }
};

// The player's side: key and window events through SDL's queue, drained as a pass does.
using Devices = InputCommand;
}  // namespace

TEST_F(InputCommand, HoldTimerCapsAt501AndPressesOnlyOnce) {
    EXPECT_EQ(countPressesWhileHolding(A::Up, 600), 1);
    EXPECT_EQ(inputHeld(A::Up, 500), 1);
    EXPECT_EQ(inputHeld(A::Up, 501), 0) << "the cap is 501";
    hold({});
    EXPECT_EQ(inputHeld(A::Up, 0), 0);
    EXPECT_EQ(countPressesWhileHolding(A::Up, 3), 1) << "a new press after release";
}

TEST_F(InputCommand, HeldThresholds) {
    for (int frame = 1; frame <= 502; ++frame) {
        hold({A::Down});
        EXPECT_EQ(inputHeld(A::Down, 0), 1) << frame;
        EXPECT_EQ(inputHeld(A::Down, 500), frame >= 501 ? 1 : 0) << frame;
        EXPECT_EQ(inputHeld(A::Down, 501), 0) << frame;
    }
}

TEST_F(InputCommand, PressedAndHeldRepeatsAfterSixtyFrames) {
    for (int frame = 1; frame <= 70; ++frame) {
        hold({A::Right});
        const int expected = (frame == 1 || frame > 60) ? 1 : 0;
        EXPECT_EQ(inputPressedAndHeld(A::Right, 60), expected) << "frame " << frame;
    }
}

TEST_F(InputCommand, ActionsBoundToOneKeyAreHeldTogetherWhoeverFillsTheCommand) {
    const struct {
        std::vector<A> named;
        std::vector<A> down;
    } cases[] = {
        {{A::Confirm}, {A::Confirm, A::Select}},
        {{A::Select}, {A::Confirm, A::Select}},
        {{A::Confirm, A::Select}, {A::Confirm, A::Select}},
        {{A::Left, A::Pause}, {A::Left, A::Pause}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        PassInput command;
        for (const A action : c.named) {
            command.held[static_cast<std::size_t>(action)] = true;
        }
        updateInputs(command);
        PassInput expected;
        for (const A action : c.down) {
            expected.held[static_cast<std::size_t>(action)] = true;
        }
        EXPECT_EQ(getPassInput(), expected) << "the command the rules saw";
        for (int action = 0; action < kInputActionCount; ++action) {
            EXPECT_EQ(inputDown(static_cast<A>(action)),
                      expected.held[static_cast<std::size_t>(action)] ? 1 : 0)
                << action;
        }
        EXPECT_EQ(inputHeld(A::Confirm, 0), inputHeld(A::Select, 0)) << "one timer value";
        hold({});
    }
}

TEST_F(InputCommand, ARemovalOnAMinimisedPassCountsOnTheFirstPassThatRuns) {
    struct Pass {
        bool minimized;
        bool unplugged;
        bool removedSeen;
    };
    const struct {
        const char* name;
        std::vector<Pass> passes;
    } cases[] = {
        {"on a running pass, for that pass only", {{false, true, true}, {false, false, false}}},
        {"while minimised, kept until the window is back",
         {{true, true, true}, {true, false, true}, {false, false, true}, {false, false, false}}},
        {"twice while minimised, still once when back",
         {{true, true, true}, {true, true, true}, {false, false, true}, {false, false, false}}},
        {"none", {{true, false, false}, {false, false, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int pass = 0;
        for (const Pass& p : c.passes) {
            updateInputs({{}, p.minimized, p.unplugged});
            EXPECT_EQ(controllerRemoved(), p.removedSeen) << "pass " << ++pass;
            EXPECT_EQ(isMinimized(), p.minimized ? 1 : 0);
        }
    }
}

TEST_F(Devices, ATapBetweenTwoPassesLeavesNoTrace) {
    pushActionKey(A::Left, true);
    pushActionKey(A::Left, false);
    test_support::updateFromDevices();
    EXPECT_EQ(getPassInput(), PassInput{});
    EXPECT_EQ(inputPressed(A::Left), 0);
    EXPECT_EQ(inputHeld(A::Left, 0), 0);
}

TEST_F(Devices, ReleaseAndPressBetweenTwoPassesCountAsHeld) {
    pushActionKey(A::Right, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(A::Right), 1);
    pushActionKey(A::Right, false);
    pushActionKey(A::Right, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(A::Right), 0);
    EXPECT_EQ(inputHeld(A::Right, 1), 1) << "the timer kept counting";
}

TEST_F(Devices, ReturnGivesConfirmAndSelectTogether) {
    pushActionKey(A::Confirm, true);
    for (int frame = 0; frame < 5; ++frame) {
        test_support::updateFromDevices();
        EXPECT_EQ(getPassInput(), (PassInput{holding({A::Confirm, A::Select}), false, false}));
        EXPECT_EQ(inputHeld(A::Select, frame), 1);
        EXPECT_EQ(inputHeld(A::Confirm, frame), 1);
    }
}

TEST_F(Devices, AutoRepeatKeyDownsDoNotRestartTheTimer) {
    pushActionKey(A::Pause, true);
    test_support::updateFromDevices();
    test_support::updateFromDevices();
    pushActionKey(A::Pause, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(A::Pause), 0);
    EXPECT_EQ(inputHeld(A::Pause, 2), 1);
}

TEST_F(Devices, CloseRequestQuitsAndTimersStillAdvance) {
    pushActionKey(A::Back, true);
    test_support::pushQuit();
    ASSERT_FALSE(getQuit());
    test_support::updateFromDevices();
    EXPECT_TRUE(getQuit());
    EXPECT_EQ(inputPressed(A::Back), 1);
}

// Minimised, or hidden as a page's tab out of sight is, the window shows nothing: passes stop.
TEST_F(Devices, EveryWayOutOfSightMinimisesAndEveryWayBackResumes) {
    const int minimisingEvents[] = {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_HIDDEN};
    const int resumingEvents[] = {SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_SHOWN,
                                  SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_MAXIMIZED};
    for (int minimise : minimisingEvents) {
        for (int resume : resumingEvents) {
            test_support::pushWindowEvent(minimise);
            test_support::updateFromDevices();
            EXPECT_EQ(isMinimized(), 1) << "window event " << minimise;
            test_support::pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
            test_support::updateFromDevices();
            EXPECT_EQ(isMinimized(), 1) << "unrelated window events keep it minimised";
            test_support::pushWindowEvent(resume);
            test_support::updateFromDevices();
            EXPECT_EQ(isMinimized(), 0) << "window event " << resume << " after " << minimise;
        }
    }
}

// A page runs the due pass at once when a drain took in an event that changed the command.
TEST_F(Devices, ADrainSaysWhetherAnyOfItsEventsChangedTheCommand) {
    const int left = bindingOf(A::Left).scancode;
    const struct {
        const char* name;
        std::vector<std::pair<int, bool>> keys;
        bool changed;
    } cases[] = {
        {"no event", {}, false},
        {"an unbound key", {{SDL_SCANCODE_Z, true}, {SDL_SCANCODE_Z, false}}, false},
        {"a bound key's press", {{left, true}}, true},
        {"its auto-repeat", {{left, true}}, false},
        {"its release", {{left, false}}, true},
        {"a tap, pressed and released", {{left, true}, {left, false}}, true},
    };
    for (const auto& c : cases) {
        for (const auto& [scancode, down] : c.keys) {
            pushKeyEvent(scancode, down);
        }
        EXPECT_EQ(pollDevices(), c.changed) << c.name;
    }
}

TEST_F(Devices, ScancodesBeyondTheKeyTableAreIgnored) {
    pushKeyEvent(SDL_NUM_SCANCODES - 1, true);
    pushKeyEvent(256, true);
    pushKeyEvent(300, false);
    test_support::updateFromDevices();
    EXPECT_EQ(getPassInput(), PassInput{});
}

TEST_F(Devices, AnEventSaysWhetherItChangesTheCommand) {
    const auto key = [](int scancode, bool down) {
        SDL_Event event = {};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
        return event;
    };
    const auto window = [](int id) {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.event = static_cast<Uint8>(id);
        return event;
    };
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    const int left = bindingOf(A::Left).scancode;
    const struct {
        const char* name;
        SDL_Event event;
        bool changes;
    } cases[] = {
        {"a bound key goes down", key(left, true), true},
        {"its auto-repeat", key(left, true), false},
        {"an unbound key", key(SDL_SCANCODE_Z, true), false},
        {"the bound key goes up", key(left, false), true},
        {"the mouse moves", motion, false},
        {"the window is uncovered", window(SDL_WINDOWEVENT_EXPOSED), false},
        {"the window is minimised", window(SDL_WINDOWEVENT_MINIMIZED), true},
        {"and restored", window(SDL_WINDOWEVENT_RESTORED), true},
        {"the window is hidden", window(SDL_WINDOWEVENT_HIDDEN), true},
        {"and shown", window(SDL_WINDOWEVENT_SHOWN), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(handleDeviceEvent(c.event), c.changes) << c.name;
    }
}
