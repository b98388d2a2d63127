#include "input_devices.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "engine_game_manager.hpp"
#include "gamepad_support.hpp"
#include "input_bindings.hpp"
#include "test_support.hpp"

using test_support::holding;
using test_support::pushActionKey;
using A = InputAction;

namespace {
// The player's side: key and window events through SDL's queue, drained as a pass does.
using Devices = test_support::InputFixture;
}  // namespace

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

// A stage pauses for a controller's removal, so a drain that took one in has changed the
// command, even when that controller held nothing.
TEST_F(Devices, AControllersRemovalChangesTheCommandEvenWhenItHeldNothing) {
    std::optional<gamepad_support::VirtualPad> first(std::in_place);
    std::optional<gamepad_support::VirtualPad> second(std::in_place);
    ASSERT_TRUE(first->plugged() && second->plugged()) << SDL_GetError();
    const struct {
        const char* name;
        std::function<void()> act;
        bool changed;
    } steps[] = {
        {"two plugged in, holding nothing", [] {}, false},
        {"a button pressed", [&] { first->press(SDL_CONTROLLER_BUTTON_A, true); }, true},
        {"and let go", [&] { first->press(SDL_CONTROLLER_BUTTON_A, false); }, true},
        {"one unplugged, holding nothing", [&] { first.reset(); }, true},
        {"nothing more", [] {}, false},
        {"the other unplugged with a button held",
         [&] {
             second->press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
             test_support::updateFromDevices();
             second.reset();
         },
         true},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(pollDevices(), step.changed) << step.name;
        updateInputs(readDevices());
    }
}

// A page's on-screen buttons give way once a controller changes what is held. SDL sends other
// events too, a pad's arrival and a mouse's motion for every touch among them, and none of
// those may hide the buttons; each use is told once.
TEST_F(Devices, OnlyAControllerChangingWhatIsHeldCountsAsUsedAndOnce) {
    std::optional<gamepad_support::VirtualPad> pad;
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    const struct {
        const char* name;
        std::function<void()> act;
        bool used;
    } steps[] = {
        {"a pad plugged in", [&] { pad.emplace(); }, false},
        {"the mouse moves", [&] { SDL_PushEvent(&motion); }, false},
        {"button A pressed", [&] { pad->press(SDL_CONTROLLER_BUTTON_A, true); }, true},
        {"nothing since the last take", [] {}, false},
    };
    for (const auto& step : steps) {
        step.act();
        ASSERT_TRUE(pad.has_value() && pad->plugged()) << SDL_GetError();
        pollDevices();
        EXPECT_EQ(takeControllerUsed(), step.used) << step.name;
    }
}
