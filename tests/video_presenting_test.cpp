#include "video_presenting.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine_audio.hpp"
#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_video.hpp"
#include "entity_paddle.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "render_support.hpp"
#include "scene_menu.hpp"
#include "scene_stage1.hpp"
#include "test_support.hpp"

using render_support::differingPixels;
using render_support::picturesOver;
using render_support::pressAndRelease;
using render_support::windowDrawnBySdl;
using render_support::windowPixels;

TEST(Presenting, NoMorePicturesThanTheDisplayRefreshes) {
    struct Case {
        std::int32_t refreshRate;
        double framePeriod;
        std::int32_t frames;
    };
    const Case cases[] = {
        {60, kFramePeriodSeconds, 2},  {59, kFramePeriodSeconds, 2},
        {0, kFramePeriodSeconds, 2},   {75, kFramePeriodSeconds, 2},
        {50, kFramePeriodSeconds, 3},  {30, kFramePeriodSeconds, 4},
        {120, kFramePeriodSeconds, 1}, {144, kFramePeriodSeconds, 1},
        {240, kFramePeriodSeconds, 1}, {60, 0.0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(framesPerPicture(c.refreshRate, c.framePeriod), c.frames)
            << c.refreshRate << " Hz, frame period " << c.framePeriod;
    }
}

TEST(Presenting, AStillMenuSendsOnePictureUntilTheWindowNeedsItAgain) {
    startUp();
    ASSERT_FALSE(getQuit());
    const long long still = picturesOver(300);
    EXPECT_GE(still, 1);
    EXPECT_LE(still, 2);
    const int needs[] = {SDL_WINDOWEVENT_EXPOSED,      SDL_WINDOWEVENT_SHOWN,
                         SDL_WINDOWEVENT_RESTORED,     SDL_WINDOWEVENT_MAXIMIZED,
                         SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_DISPLAY_CHANGED};
    for (int need : needs) {
        test_support::pushWindowEvent(need);
        EXPECT_EQ(picturesOver(1), 1) << "window event " << need;
        EXPECT_EQ(picturesOver(100), 0) << "window event " << need;
    }
    // Moving the cursor is a new picture; applying settings redraws the window.
    pressAndRelease(InputAction::Down);
    EXPECT_EQ(picturesOver(100), 0);
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::None);
    EXPECT_EQ(picturesOver(100), 1);
    shutDown();
}

namespace {
long long fieldsDrawnOver(int passes) {
    const long long before = getFieldsDrawn();
    for (int pass = 0; pass < passes; ++pass) {
        runFramePass();
    }
    return getFieldsDrawn() - before;
}

// Whether the play field holds, pixel for pixel, what the current scene draws into it afresh.
bool fieldHoldsTheScenesPicture() {
    SDL_SetRenderTarget(getRenderer(), getPlayField());
    const render_support::Readback held = render_support::readTarget();
    preRender();
    renderCurrentScene();
    const render_support::Readback fresh = render_support::readTarget();
    SDL_SetRenderTarget(getRenderer(), nullptr);
    if (held.pixels.empty() || held.pixels.size() != fresh.pixels.size()) {
        return false;
    }
    for (std::size_t i = 0; i < held.pixels.size(); ++i) {
        const render_support::Pixel a = held.pixels[i];
        const render_support::Pixel b = fresh.pixels[i];
        if (a.r != b.r || a.g != b.g || a.b != b.b) {
            return false;
        }
    }
    return true;
}
}  // namespace

TEST(Presenting, AStillFieldIsDrawnOnceAndHoldsWhatTheSceneDraws) {
    startUp();
    ASSERT_FALSE(getQuit());
    EXPECT_EQ(fieldsDrawnOver(1), 1) << "the first frame is drawn";
    EXPECT_EQ(fieldsDrawnOver(200), 0) << "a still menu is not drawn again";
    EXPECT_TRUE(fieldHoldsTheScenesPicture());
    // The check above drew into the field outside the frame pass, so the next pass draws it.
    EXPECT_EQ(fieldsDrawnOver(1), 1);
    test_support::pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    EXPECT_EQ(fieldsDrawnOver(1), 1) << "an uncovered window gets a freshly drawn field";
    pressAndRelease(InputAction::Down);
    EXPECT_EQ(getMenuCursor(), 1);
    EXPECT_TRUE(fieldHoldsTheScenesPicture()) << "the moved cursor is drawn";

    changeScene(kStageScene);
    const long long moving = fieldsDrawnOver(240);
    EXPECT_GE(moving, 120) << "a served ball moves the picture on";
    EXPECT_TRUE(fieldHoldsTheScenesPicture());
    pressAndRelease(InputAction::Pause);
    ASSERT_TRUE(isPaused());
    fieldsDrawnOver(2);
    EXPECT_EQ(fieldsDrawnOver(200), 0) << "a paused stage is not drawn again";
    EXPECT_TRUE(fieldHoldsTheScenesPicture()) << "the paused picture, with its \"Paused\"";
    quitGame();
    shutDown();
}

// The audio page's volume stepping from 64 to 65 changes one glyph and nothing else: the same
// sprite, the same place, the same size, only another cell of the font.
TEST(Presenting, AStageDrawnFromItsSketchIsTheScenesOwnPictureEveryPass) {
    startUp();
    ASSERT_FALSE(getQuit());
    changeScene(kStageScene);
    // The paddle goes left, then right: each pass that moves it draws the field anew.
    int checked = 0;
    for (int pass = 0; pass < 200; ++pass) {
        const InputAction way = pass < 100 ? InputAction::Left : InputAction::Right;
        test_support::holdInPasses(test_support::holding({way}));
        const long long drawn = getFieldsDrawn();
        const float paddleBefore = getPaddlePosition().x;
        runFramePass();
        if (getPaddlePosition().x != paddleBefore && pass % 10 == 0) {
            ASSERT_EQ(getFieldsDrawn() - drawn, 1) << "pass " << pass;
            ASSERT_TRUE(fieldHoldsTheScenesPicture()) << "pass " << pass;
            ++checked;
        }
    }
    EXPECT_GE(checked, 8);
    shutDown();
}

TEST(Presenting, APictureTheDisplayWouldNotShowIsLeftUndrawnUnlessItAnswersAKey) {
    startUp();
    ASSERT_FALSE(getQuit());
    // The dummy display names no refresh rate: 60 Hz is assumed, a picture every other frame.
    ASSERT_EQ(framesPerPicture(0, kFramePeriodSeconds), 2);
    EXPECT_TRUE(pictureWouldGoOut()) << "the first picture is due at once";
    runFramePass();
    ASSERT_EQ(getPicturesPresented(), 1);
    const struct {
        const char* name;
        void (*before)();
        bool goesOut;
    } steps[] = {
        {"the frame after a picture", [] {}, false},
        {"the frame after that", [] { skipPicture(); }, true},
        {"still due until a picture goes", [] {}, true},
        {"after a picture, a key's",
         [] {
             markPictureChanged();
             runFramePass();
             presentNextPictureAtOnce();
         },
         true},
        {"a lost window's",
         [] {
             runFramePass();
             markPictureChanged();
         },
         true},
    };
    for (const auto& step : steps) {
        step.before();
        EXPECT_EQ(pictureWouldGoOut(), step.goesOut) << step.name;
    }
    shutDown();
}

namespace {
// Sketches `draws` draws of one cell and says whether the sketch was replayed into the field.
bool sketchReplayed(std::size_t draws) {
    const DrawCall call = {nullptr, {0, 0, 1, 1}, {0, 0, 1, 1}, 0, kUnmodulated};
    beginSketch();
    for (std::size_t i = 0; i < draws; ++i) {
        noteDrawCall(call);
    }
    endSketch();
    SDL_SetRenderTarget(getRenderer(), getPlayField());
    return replaySketch();
}
}  // namespace

TEST(Presenting, ASketchBeyondTheListsCapacityIsNotReplayed) {
    startUp();
    ASSERT_FALSE(getQuit());
    const struct {
        std::size_t draws;
        bool replayed;
    } cases[] = {{0, true}, {1, true}, {kDrawListCapacity, true}, {kDrawListCapacity + 1, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(sketchReplayed(c.draws), c.replayed) << c.draws << " draws";
    }
    shutDown();
}

// Each sketch is judged on its own draws: one that overflowed the list does not stop the next
// that fits from being replayed.
TEST(Presenting, AfterAnOverflowingSketchTheNextThatFitsIsReplayed) {
    startUp();
    ASSERT_FALSE(getQuit());
    const struct {
        std::size_t draws;
        bool replayed;
    } sketches[] = {
        {kDrawListCapacity + 1, false}, {1, true},  {kDrawListCapacity + 1, false},
        {kDrawListCapacity, true},      {0, true},  {2 * kDrawListCapacity, false},
        {kDrawListCapacity + 1, false}, {10, true},
    };
    int sketch = 0;
    for (const auto& s : sketches) {
        ++sketch;
        EXPECT_EQ(sketchReplayed(s.draws), s.replayed)
            << "sketch " << sketch << ", " << s.draws << " draws";
    }
    shutDown();
}

// A picture that answers a key goes out at once; the changed pictures after it keep to the
// display's rhythm, every other frame here.
TEST(Presenting, OnlyThePictureAskedForAtOnceSkipsTheDisplaysRhythm) {
    startUp();
    ASSERT_FALSE(getQuit());
    ASSERT_EQ(framesPerPicture(0, kFramePeriodSeconds), 2) << "the dummy display's rate";
    changeScene(kStageScene);
    // The paddle moves every pass, so every picture differs from the one before.
    test_support::holdInPasses(test_support::holding({InputAction::Right}));
    markPictureChanged();
    ASSERT_EQ(picturesOver(1), 1);
    const struct {
        bool atOnce;
        long long sent;
    } frames[] = {
        {true, 1}, {false, 0}, {false, 1}, {false, 0}, {false, 1},
        {true, 1}, {true, 1},  {false, 0}, {false, 1}, {false, 0},
    };
    int frame = 0;
    for (const auto& f : frames) {
        ++frame;
        if (f.atOnce) {
            presentNextPictureAtOnce();
        }
        EXPECT_EQ(picturesOver(1), f.sent) << "frame " << frame;
    }
    shutDown();
}

TEST(Presenting, AStillFieldInWhichOnlyOneGlyphChangesIsPresentedAgain) {
    startUp();
    ASSERT_FALSE(getQuit());
    for (const InputAction step :
         {InputAction::Down, InputAction::Confirm, InputAction::Down, InputAction::Confirm}) {
        pressAndRelease(step);
    }
    ASSERT_EQ(getMenuPage(), kAudioPage);
    ASSERT_EQ(getMenuCursor(), 0) << "on the music row";
    changeMusicVolume(64 - getMusicVolume());
    ASSERT_EQ(getMusicVolume(), 64);
    fieldsDrawnOver(10);
    ASSERT_EQ(fieldsDrawnOver(100), 0) << "the page showing 64 is still";
    ASSERT_EQ(picturesOver(100), 0);

    const long long fieldsBefore = getFieldsDrawn();
    const long long picturesBefore = getPicturesPresented();
    pressAndRelease(InputAction::Right);
    ASSERT_EQ(getMusicVolume(), 65);
    picturesOver(4);
    EXPECT_EQ(getFieldsDrawn() - fieldsBefore, 1) << "the field is drawn again with 65";
    EXPECT_EQ(getPicturesPresented() - picturesBefore, 1) << "and 65 goes to the window";
    EXPECT_TRUE(fieldHoldsTheScenesPicture());
    shutDown();
}

TEST(Presenting, AChangingStageSendsEveryOtherFrameAndItsLastPicture) {
    startUp();
    changeScene(kStageScene);
    picturesOver(10);
    // The ball moves on; a 60 Hz display shows at most every other frame.
    long long moving = 0;
    int backToBack = 0;
    long long previous = 0;
    for (int pass = 0; pass < 240; ++pass) {
        const long long sent = picturesOver(1);
        backToBack += sent == 1 && previous == 1 ? 1 : 0;
        moving += sent;
        previous = sent;
    }
    EXPECT_GE(moving, 30);
    EXPECT_EQ(backToBack, 0);
    pressAndRelease(InputAction::Pause);
    ASSERT_TRUE(isPaused());
    picturesOver(4);
    EXPECT_EQ(differingPixels(windowPixels(), windowDrawnBySdl()), 0)
        << "the window does not show the paused picture";
    EXPECT_EQ(picturesOver(200), 0);
    shutDown();
}
