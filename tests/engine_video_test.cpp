#include "engine_video.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "game_scene_manager.hpp"
#include "render_support.hpp"
#include "scene_menu.hpp"
#include "scene_stage1.hpp"
#include "test_support.hpp"

namespace {
struct LayoutCase {
    int displayWidth;
    int displayHeight;
    int windowMode;
    int scaleType;
    int rotation;
    Rectangle rectangle;
    float windowWidth;
    float windowHeight;
};

void expectLayout(const LayoutCase& c) {
    const VideoLayout layout = computeVideoLayout(c.displayWidth, c.displayHeight, 240, 320,
                                                  c.windowMode, c.scaleType, c.rotation);
    const Rectangle& r = layout.scaleRectangle;
    SCOPED_TRACE(::testing::Message()
                 << c.displayWidth << "x" << c.displayHeight << " mode " << c.windowMode
                 << " scale " << c.scaleType << " rotation " << c.rotation);
    EXPECT_EQ(r.x, c.rectangle.x);
    EXPECT_EQ(r.y, c.rectangle.y);
    EXPECT_EQ(r.w, c.rectangle.w);
    EXPECT_EQ(r.h, c.rectangle.h);
    EXPECT_EQ(layout.windowSize.x, c.windowWidth);
    EXPECT_EQ(layout.windowSize.y, c.windowHeight);
    EXPECT_EQ(layout.textureRotation, c.rotation * 90);
}

std::uint32_t windowPixel(SDL_Window* window, int x, int y) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
    const auto* row = static_cast<const std::uint8_t*>(converted->pixels) + y * converted->pitch;
    const std::uint32_t pixel = reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFFu;
    SDL_FreeSurface(converted);
    return pixel;
}
// A red mark in the play field's top-left corner shows where the field lands in the window.
void presentRedCorner() {
    preRender();
    SDL_SetRenderDrawColor(getRenderer(), 255, 0, 0, 255);
    const SDL_Rect mark = {0, 0, 10, 10};
    SDL_RenderFillRect(getRenderer(), &mark);
    SDL_SetRenderDrawColor(getRenderer(), 0, 0, 0, 255);
    markPictureChanged();
    renderVideo();
}

std::vector<std::uint32_t> windowPixels() {
    SDL_Surface* surface = SDL_GetWindowSurface(getWindow());
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < surface->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < surface->w; ++x) {
            pixels.push_back(row[x] & 0xFFFFFFu);
        }
    }
    return pixels;
}

// The window as SDL's own scaled, turned copy of the play field draws it; it leaves that
// picture in the window.
std::vector<std::uint32_t> windowDrawnBySdl() {
    SDL_SetRenderTarget(getRenderer(), nullptr);
    SDL_RenderClear(getRenderer());
    const VideoLayout layout = getVideoLayout();
    const SDL_Rect destination = {layout.scaleRectangle.x, layout.scaleRectangle.y,
                                  layout.scaleRectangle.w, layout.scaleRectangle.h};
    SDL_RenderCopyEx(getRenderer(), getPlayField(), nullptr, &destination,
                     static_cast<double>(layout.textureRotation), nullptr, SDL_FLIP_NONE);
    SDL_RenderFlush(getRenderer());
    return windowPixels();
}

int differingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    int differing = 0;
    for (std::size_t at = 0; at < a.size(); ++at) {
        differing += a[at] != b[at] ? 1 : 0;
    }
    return differing;
}

int litPixels(const std::vector<std::uint32_t>& pixels) {
    int lit = 0;
    for (std::uint32_t pixel : pixels) {
        lit += pixel != 0 ? 1 : 0;
    }
    return lit;
}

void pressAndRelease(InputAction action) {
    test_support::pushActionKey(action, true);
    runFramePass();
    test_support::pushActionKey(action, false);
    runFramePass();
}

long long picturesOver(int passes) {
    const long long before = getPicturesPresented();
    for (int pass = 0; pass < passes; ++pass) {
        runFramePass();
    }
    return getPicturesPresented() - before;
}
}  // namespace

TEST(VideoLayout, FullHdDisplay) {
    const LayoutCase cases[] = {
        // windowed, upright
        {1920, 1080, 0, 0, 0, {0, 0, 720, 960}, 720, 960},
        {1920, 1080, 0, 1, 0, {0, 0, 810, 1080}, 810, 1080},
        {1920, 1080, 0, 2, 0, {0, 0, 1920, 1080}, 1920, 1080},
        // windowed, quarter turn: the window is the rotated rectangle
        {1920, 1080, 0, 0, 1, {160, -160, 960, 1280}, 1280, 960},
        {1920, 1080, 0, 1, 3, {180, -180, 1080, 1440}, 1440, 1080},
        {1920, 1080, 0, 2, 1, {420, -420, 1080, 1920}, 1920, 1080},
        // full screen and desktop full screen centre on the display
        {1920, 1080, 1, 0, 0, {600, 60, 720, 960}, 720, 960},
        {1920, 1080, 2, 1, 0, {555, 0, 810, 1080}, 810, 1080},
        {1920, 1080, 1, 2, 2, {0, 0, 1920, 1080}, 1920, 1080},
        {1920, 1080, 2, 0, 1, {480, -100, 960, 1280}, 1280, 960},
        {1920, 1080, 1, 1, 3, {420, -180, 1080, 1440}, 1440, 1080},
        {1920, 1080, 2, 2, 1, {420, -420, 1080, 1920}, 1920, 1080},
        // flip keeps the upright rectangle
        {1920, 1080, 0, 0, 2, {0, 0, 720, 960}, 720, 960},
    };
    for (const LayoutCase& c : cases) {
        expectLayout(c);
    }
}

TEST(VideoLayout, LaptopDisplayTruncatesTowardZero) {
    const LayoutCase cases[] = {
        {1366, 768, 1, 1, 0, {395, 0, 576, 768}, 576, 768},
        {1366, 768, 1, 1, 1, {299, -128, 768, 1024}, 1024, 768},
        {1366, 768, 0, 1, 1, {128, -128, 768, 1024}, 1024, 768},
        {1366, 768, 2, 0, 3, {323, -96, 720, 960}, 960, 720},
    };
    for (const LayoutCase& c : cases) {
        expectLayout(c);
    }
    // Aspect fit at 767 / 240: the field is 1022.67 high, so y is -127.83, truncated to -127.
    expectLayout({1365, 767, 1, 1, 1, {299, -127, 767, 1022}, 1022, 767});
}

TEST(VideoLayout, IntegerScalingNeverDropsBelowOne) {
    const LayoutCase cases[] = {
        {200, 300, 0, 0, 0, {0, 0, 240, 320}, 240, 320},
        {200, 300, 1, 0, 0, {-20, -10, 240, 320}, 240, 320},
        {300, 200, 0, 0, 1, {40, -40, 240, 320}, 320, 240},
    };
    for (const LayoutCase& c : cases) {
        expectLayout(c);
    }
}

TEST(Video, OpensAWindowAtTheIntegerScaleAndPresentsThePlayField) {
    initializeVideo(240, 320);
    ASSERT_NE(getWindow(), nullptr);
    ASSERT_NE(getRenderer(), nullptr);
    SDL_DisplayMode mode = {};
    SDL_GetCurrentDisplayMode(0, &mode);
    const VideoLayout expected = computeVideoLayout(mode.w, mode.h, 240, 320, 0, 0, 0);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(getWindow(), &width, &height);
    EXPECT_EQ(width, expected.scaleRectangle.w);
    EXPECT_EQ(height, expected.scaleRectangle.h);
    EXPECT_STREQ(SDL_GetWindowTitle(getWindow()), "Title Here");

    const int scale = expected.scaleRectangle.w / 240;
    presentRedCorner();
    EXPECT_EQ(windowPixel(getWindow(), 2, 2), 0xFF0000u);
    EXPECT_EQ(windowPixel(getWindow(), 10 * scale + 2, 2), 0x000000u);

    // A quarter turn to the right puts the field's top-left corner at the window's top-right.
    changeVideoSettings(0, 0, 1);
    SDL_GetWindowSize(getWindow(), &width, &height);
    EXPECT_EQ(width, static_cast<int>(getVideoLayout().windowSize.x));
    EXPECT_EQ(height, static_cast<int>(getVideoLayout().windowSize.y));
    EXPECT_GT(width, height);
    presentRedCorner();
    EXPECT_EQ(windowPixel(getWindow(), width - 3, 2), 0xFF0000u);
    EXPECT_EQ(windowPixel(getWindow(), 2, 2), 0x000000u);
    quitVideo();
}

// With draw batching off SDL runs every clear at once: a window cleared after presenting would
// lose its picture before anyone could see or read it.
TEST(Video, ThePresentedPictureStaysInTheWindowWithoutDrawBatching) {
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "0");
    initializeVideo(240, 320);
    ASSERT_NE(getRenderer(), nullptr);
    presentRedCorner();
    EXPECT_EQ(windowPixel(getWindow(), 2, 2), 0xFF0000u);
    changeVideoSettings(kWindowed, kScaleInteger, 3);
    presentRedCorner();
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(getWindow(), &width, &height);
    // A quarter turn to the left puts the field's top-left corner at the window's bottom-left.
    EXPECT_EQ(windowPixel(getWindow(), 2, height - 3), 0xFF0000u);
    quitVideo();
}

TEST(Presenting, NoMorePicturesThanTheDisplayRefreshes) {
    struct Case {
        std::int32_t refreshRate;
        double framePeriod;
        std::int32_t frames;
    };
    const Case cases[] = {
        {60, 1.0 / 120, 2},  {59, 1.0 / 120, 2}, {0, 1.0 / 120, 2},   {75, 1.0 / 120, 2},
        {50, 1.0 / 120, 3},  {30, 1.0 / 120, 4}, {120, 1.0 / 120, 1}, {144, 1.0 / 120, 1},
        {240, 1.0 / 120, 1}, {60, 0.0, 1},
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
    changeVideoSettings(kWindowed, kScaleInteger, 0);
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

// Every layout, each after its own change: the window holds exactly what SDL's scaled, turned
// copy of the play field holds, and holds it again after an expose.
TEST(Presenting, TheWindowShowsThePlayFieldInEveryLayout) {
    startUp();
    struct Case {
        std::int32_t windowMode;
        std::int32_t scaleType;
        std::int32_t rotation;
    };
    const Case cases[] = {
        {kWindowed, kScaleInteger, 0},     {kWindowed, kScaleAspectFit, 0},
        {kWindowed, kScaleStretch, 0},     {kWindowed, kScaleInteger, 1},
        {kWindowed, kScaleAspectFit, 1},   {kWindowed, kScaleStretch, 1},
        {kWindowed, kScaleInteger, 2},     {kWindowed, kScaleAspectFit, 2},
        {kWindowed, kScaleStretch, 3},     {kWindowed, kScaleInteger, 3},
        {kFullScreen, kScaleAspectFit, 1}, {kDesktopFullScreen, kScaleStretch, 3},
        {kFullScreen, kScaleInteger, 2},   {kDesktopFullScreen, kScaleAspectFit, 0},
        {kWindowed, kScaleAspectFit, 3},   {kWindowed, kScaleInteger, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.windowMode << " scale " << c.scaleType
                                          << " rotation " << c.rotation);
        changeScene(kStageScene);
        changeVideoSettings(c.windowMode, c.scaleType, c.rotation);
        picturesOver(3);
        pressAndRelease(InputAction::Pause);
        ASSERT_TRUE(isPaused());
        picturesOver(4);
        const std::vector<std::uint32_t> shown = windowPixels();
        const std::vector<std::uint32_t> expected = windowDrawnBySdl();
        EXPECT_EQ(differingPixels(shown, expected), 0);
        EXPECT_GT(litPixels(shown), static_cast<int>(shown.size() / 50));

        SDL_Surface* surface = SDL_GetWindowSurface(getWindow());
        SDL_FillRect(surface, nullptr, 0);
        test_support::pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
        picturesOver(1);
        EXPECT_EQ(differingPixels(windowPixels(), expected), 0) << "after an expose";
    }
    shutDown();
}
