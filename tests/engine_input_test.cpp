#include "engine_input.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include "engine_game_manager.hpp"
#include "test_support.hpp"

using test_support::pushActionKey;

namespace {
class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        initializeInput();
    }
    void TearDown() override { SDL_Quit(); }

    // Holds the action's key for `frames` updates, recording inputPressed each time.
    static int countPressesWhileHolding(InputAction action, int frames) {
        pushActionKey(action, true);
        int presses = 0;
        for (int frame = 0; frame < frames; ++frame) {
            test_support::updateFromDevices();
            presses += inputPressed(action);
        }
        return presses;
    }
};
}  // namespace

TEST_F(InputTest, PressAndReleaseInsideOneUpdateLeaveNoTrace) {
    pushActionKey(InputAction::Left, true);
    pushActionKey(InputAction::Left, false);
    test_support::updateFromDevices();
    EXPECT_EQ(inputDown(InputAction::Left), 0);
    EXPECT_EQ(inputPressed(InputAction::Left), 0);
    EXPECT_EQ(inputHeld(InputAction::Left, 0), 0);
}

TEST_F(InputTest, ReleaseAndPressInsideOneUpdateCountAsHeld) {
    pushActionKey(InputAction::Right, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(InputAction::Right), 1);
    pushActionKey(InputAction::Right, false);
    pushActionKey(InputAction::Right, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(InputAction::Right), 0);
    EXPECT_EQ(inputHeld(InputAction::Right, 1), 1) << "the timer kept counting";
}

TEST_F(InputTest, HoldTimerCapsAt501AndPressesOnlyOnce) {
    EXPECT_EQ(countPressesWhileHolding(InputAction::Up, 600), 1);
    EXPECT_EQ(inputHeld(InputAction::Up, 500), 1);
    EXPECT_EQ(inputHeld(InputAction::Up, 501), 0) << "the cap is 501";
    pushActionKey(InputAction::Up, false);
    test_support::updateFromDevices();
    EXPECT_EQ(inputHeld(InputAction::Up, 0), 0);
    EXPECT_EQ(countPressesWhileHolding(InputAction::Up, 3), 1) << "a new press after release";
}

TEST_F(InputTest, HeldThresholds) {
    pushActionKey(InputAction::Down, true);
    for (int frame = 1; frame <= 502; ++frame) {
        test_support::updateFromDevices();
        EXPECT_EQ(inputHeld(InputAction::Down, 0), 1) << frame;
        EXPECT_EQ(inputHeld(InputAction::Down, 500), frame >= 501 ? 1 : 0) << frame;
        EXPECT_EQ(inputHeld(InputAction::Down, 501), 0) << frame;
    }
}

TEST_F(InputTest, PressedAndHeldRepeatsAfterSixtyFrames) {
    pushActionKey(InputAction::Right, true);
    for (int frame = 1; frame <= 70; ++frame) {
        test_support::updateFromDevices();
        const int expected = (frame == 1 || frame > 60) ? 1 : 0;
        EXPECT_EQ(inputPressedAndHeld(InputAction::Right, 60), expected) << "frame " << frame;
    }
}

TEST_F(InputTest, ReturnDrivesConfirmAndSelectTogether) {
    pushActionKey(InputAction::Confirm, true);
    for (int frame = 0; frame < 5; ++frame) {
        test_support::updateFromDevices();
        EXPECT_EQ(inputPressed(InputAction::Confirm), inputPressed(InputAction::Select));
        EXPECT_EQ(inputHeld(InputAction::Select, frame), 1);
        EXPECT_EQ(inputHeld(InputAction::Confirm, frame), 1);
    }
    EXPECT_EQ(inputDown(InputAction::Back), 0);
}

TEST_F(InputTest, AutoRepeatKeyDownsDoNotRestartTheTimer) {
    pushActionKey(InputAction::Pause, true);
    test_support::updateFromDevices();
    test_support::updateFromDevices();
    pushActionKey(InputAction::Pause, true);
    test_support::updateFromDevices();
    EXPECT_EQ(inputPressed(InputAction::Pause), 0);
    EXPECT_EQ(inputHeld(InputAction::Pause, 2), 1);
}

TEST_F(InputTest, CloseRequestQuitsAndTimersStillAdvance) {
    pushActionKey(InputAction::Back, true);
    test_support::pushQuit();
    ASSERT_FALSE(getQuit());
    test_support::updateFromDevices();
    EXPECT_TRUE(getQuit());
    EXPECT_EQ(inputPressed(InputAction::Back), 1);
}

TEST_F(InputTest, EveryWayBackFromMinimisedResumes) {
    const int resumingEvents[] = {SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_SHOWN,
                                  SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_MAXIMIZED};
    for (int resume : resumingEvents) {
        test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
        test_support::updateFromDevices();
        EXPECT_EQ(isMinimized(), 1);
        test_support::pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
        test_support::updateFromDevices();
        EXPECT_EQ(isMinimized(), 1) << "unrelated window events keep it minimised";
        test_support::pushWindowEvent(resume);
        test_support::updateFromDevices();
        EXPECT_EQ(isMinimized(), 0) << "window event " << resume;
    }
}

TEST_F(InputTest, ScancodesBeyondTheKeyTableAreIgnored) {
    pushKeyEvent(SDL_NUM_SCANCODES - 1, true);
    pushKeyEvent(256, true);
    pushKeyEvent(300, false);
    test_support::updateFromDevices();
    for (int action = 0; action < kInputActionCount; ++action) {
        EXPECT_EQ(inputDown(static_cast<InputAction>(action)), 0) << action;
        EXPECT_EQ(inputHeld(static_cast<InputAction>(action), 0), 0) << action;
    }
}
