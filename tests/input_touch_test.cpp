#include "input_touch.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine_input.hpp"
#include "engine_video.hpp"
#include "entity_paddle.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "test_support.hpp"

namespace {
using A = InputAction;

void pushFinger(std::uint32_t type, SDL_FingerID finger, float x, float y) {
    SDL_Event event = {};
    event.type = type;
    event.tfinger.touchId = 1;
    event.tfinger.fingerId = finger;
    event.tfinger.x = x;
    event.tfinger.y = y;
    event.tfinger.pressure = 1.0f;
    SDL_PushEvent(&event);
}

bool held(A action) {
    return getPassInput().held[static_cast<std::size_t>(action)];
}

// One pass of the devices and the paddle, as the stage runs them.
void pass() {
    test_support::updateFromDevices();
    updatePaddle();
}

// The real window on SDL's dummy display (1024 by 768), the devices, and a stage running, its
// paddle centred at 120.
class Touch : public ::testing::Test {
  protected:
    void SetUp() override {
        initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
        ASSERT_NE(getRenderer(), nullptr) << SDL_GetError();
        initializeInput();
        changeScene(kStageScene);
        ASSERT_EQ(getPaddlePosition().x, 120.0f);
        // The new window's own events, a size change among them, are taken in first.
        pollDevices();
    }
    void TearDown() override {
        quitInput();
        quitVideo();
    }
};

// Where on the window, as SDL's fraction of it, the field's points (60, 160) and (180, 160) are
// drawn: at 2x upright in a 480 by 640 window, at 3x turned in a 960 by 720 one.
struct TurnCase {
    Rotation rotation;
    float x60;
    float y60;
    float x180;
    float y180;
};
constexpr std::array<TurnCase, 4> kFieldPoints = {{
    {Rotation::None, 0.25f, 0.5f, 0.75f, 0.5f},
    {Rotation::Right, 0.5f, 0.25f, 0.5f, 0.75f},
    {Rotation::Flip, 0.75f, 0.5f, 0.25f, 0.5f},
    {Rotation::Left, 0.5f, 0.75f, 0.5f, 0.25f},
}};

TEST_F(Touch, AFingerOnTheFieldSteersThePaddleUnderItAtEveryTurn) {
    for (const TurnCase& c : kFieldPoints) {
        SCOPED_TRACE(static_cast<int>(c.rotation));
        changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, c.rotation);
        setPaddle();
        pushFinger(SDL_FINGERDOWN, 7, c.x60, c.y60);
        pass();
        EXPECT_TRUE(held(A::Left));
        EXPECT_FALSE(held(A::Right));
        // 2 a pass from 120 towards 60, still once within 2 of it: 28 more moves to 62.
        for (int i = 0; i < 40; ++i) {
            pass();
        }
        EXPECT_EQ(getPaddlePosition().x, 62.0f);
        EXPECT_FALSE(held(A::Left));
        EXPECT_FALSE(held(A::Right));
        // Slid across to the field's point (180, 160): still once within 2 of it, at 178.
        pushFinger(SDL_FINGERMOTION, 7, c.x180, c.y180);
        pass();
        EXPECT_TRUE(held(A::Right));
        for (int i = 0; i < 80; ++i) {
            pass();
        }
        EXPECT_EQ(getPaddlePosition().x, 178.0f);
        pushFinger(SDL_FINGERUP, 7, c.x180, c.y180);
        pass();
        EXPECT_EQ(getPassInput(), PassInput{});
    }
}

TEST_F(Touch, AFingerStartsItsPassAtOnceOnlyWhenItChangesTheCommand) {
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::None);
    pushFinger(SDL_FINGERDOWN, 1, 0.25f, 0.5f);
    EXPECT_TRUE(pollDevices());
    pushFinger(SDL_FINGERMOTION, 1, 0.24f, 0.5f);
    EXPECT_FALSE(pollDevices());
    // Right under the paddle's centre: it holds still.
    pushFinger(SDL_FINGERMOTION, 1, 0.5f, 0.5f);
    EXPECT_TRUE(pollDevices());
}

TEST_F(Touch, InTheMenuAFingerHoldsNothing) {
    changeScene(kMenuScene);
    pushFinger(SDL_FINGERDOWN, 1, 0.1f, 0.5f);
    EXPECT_FALSE(pollDevices());
    test_support::updateFromDevices();
    EXPECT_EQ(getPassInput(), PassInput{});
}

TEST_F(Touch, TheLatestFingerPutDownOnTheFieldSteersAndOthersAreIgnored) {
    changeVideoSettings(WindowMode::FullScreen, ScaleType::Integer, Rotation::None);
    // Full screen at 2x: the field spans x 272 to 752 of the display's 1024, so 0.1 is beside it.
    struct Step {
        std::uint32_t type;
        SDL_FingerID finger;
        float x;
        bool left;
        bool right;
    };
    const std::array<Step, 7> steps = {{
        {SDL_FINGERDOWN, 1, 0.1f, false, false},
        {SDL_FINGERDOWN, 2, 0.3f, true, false},
        {SDL_FINGERDOWN, 3, 0.7f, false, true},
        {SDL_FINGERUP, 2, 0.3f, false, true},
        {SDL_FINGERMOTION, 2, 0.3f, false, true},
        {SDL_FINGERMOTION, 1, 0.35f, false, true},
        {SDL_FINGERUP, 3, 0.7f, false, false},
    }};
    int step = 0;
    for (const Step& s : steps) {
        pushFinger(s.type, s.finger, s.x, 0.5f);
        test_support::updateFromDevices();
        EXPECT_EQ(held(A::Left), s.left) << "step " << step;
        EXPECT_EQ(held(A::Right), s.right) << "step " << step;
        ++step;
    }
}

TEST_F(Touch, ButtonsHoldTheirActionsTogetherWithTheKeysAndLetGoSeparately) {
    EXPECT_TRUE(holdTouchButton(A::Confirm, true));
    EXPECT_FALSE(holdTouchButton(A::Confirm, true));
    EXPECT_TRUE(holdTouchButton(A::Pause, true));
    test_support::pushActionKey(A::Pause, true);
    EXPECT_FALSE(pollDevices());
    test_support::updateFromDevices();
    EXPECT_TRUE(held(A::Confirm));
    EXPECT_TRUE(held(A::Pause));
    // The key still holds Pause when its button lets go.
    EXPECT_FALSE(holdTouchButton(A::Pause, false));
    EXPECT_TRUE(holdTouchButton(A::Confirm, false));
    test_support::updateFromDevices();
    EXPECT_FALSE(held(A::Confirm));
    EXPECT_TRUE(held(A::Pause));
}

// Every way a touch can end without its own lift lets go of the buttons and the steering finger.
TEST_F(Touch, EveryWayATouchCanEndWithoutItsLiftLetsGoOfEverything) {
    struct Ending {
        const char* name;
        int windowEvent;  // 0: the page lets go of its controls itself
    };
    const std::array<Ending, 5> endings = {{
        {"hidden", SDL_WINDOWEVENT_HIDDEN},
        {"minimised", SDL_WINDOWEVENT_MINIMIZED},
        {"resized", SDL_WINDOWEVENT_RESIZED},
        {"size changed", SDL_WINDOWEVENT_SIZE_CHANGED},
        {"controls let go", 0},
    }};
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::None);
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        holdTouchButton(A::Up, true);
        pushFinger(SDL_FINGERDOWN, 4, 0.1f, 0.5f);
        test_support::updateFromDevices();
        ASSERT_TRUE(held(A::Up));
        ASSERT_TRUE(held(A::Left));
        if (e.windowEvent != 0) {
            test_support::pushWindowEvent(e.windowEvent);
            EXPECT_TRUE(pollDevices());
        } else {
            EXPECT_TRUE(releaseTouchControls());
        }
        test_support::updateFromDevices();
        EXPECT_FALSE(held(A::Up));
        EXPECT_FALSE(held(A::Left));
        test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
        test_support::updateFromDevices();
    }
}

TEST_F(Touch, AFingerPutDownWhileMinimisedSteersNothingOnceBack) {
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::None);
    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    test_support::updateFromDevices();
    pushFinger(SDL_FINGERDOWN, 5, 0.1f, 0.5f);
    test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    test_support::updateFromDevices();
    EXPECT_EQ(getPassInput(), PassInput{});
}
}  // namespace
