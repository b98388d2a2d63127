#include "engine_input.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "test_support.hpp"

using test_support::holding;
using A = InputAction;

namespace {
// The rules' side: commands set directly, no events.
class InputCommand : public test_support::InputFixture {
  protected:
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
