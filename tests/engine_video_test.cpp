#include "engine_video.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <iterator>

#include "game_constants.hpp"
#include "video_presenting.hpp"

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
    const VideoLayout layout =
        computeVideoLayout(c.displayWidth, c.displayHeight, kPlayFieldWidth, kPlayFieldHeight,
                           static_cast<WindowMode>(c.windowMode),
                           static_cast<ScaleType>(c.scaleType), static_cast<Rotation>(c.rotation));
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
    // Aspect fit at 767 over the field's width: it is 1022.67 high, so y is -127.83, truncated to
    // -127.
    expectLayout({1365, 767, 1, 1, 1, {299, -127, 767, 1022}, 1022, 767});
}

// A quarter turn either way puts the field in the same place in a window of the same size; a
// flip keeps the upright rectangle. Only the angle differs.
TEST(VideoLayout, TurnsDifferOnlyInTheirAngle) {
    const auto placement = [](const VideoLayout& layout) {
        const Rectangle& r = layout.scaleRectangle;
        return std::array<double, 6>{double(r.x), double(r.y),         double(r.w),
                                     double(r.h), layout.windowSize.x, layout.windowSize.y};
    };
    const int displays[][2] = {{1920, 1080}, {1366, 768}, {1365, 767}, {800, 600}, {200, 300}};
    for (int each = 0; each < int(std::size(displays)) * kWindowModeCount * kScaleTypeCount;
         ++each) {
        const int* display = displays[each / (kWindowModeCount * kScaleTypeCount)];
        const auto mode = static_cast<WindowMode>(each / kScaleTypeCount % kWindowModeCount);
        const auto scale = static_cast<ScaleType>(each % kScaleTypeCount);
        SCOPED_TRACE(::testing::Message() << display[0] << "x" << display[1] << " mode "
                                          << int(mode) << " scale " << int(scale));
        VideoLayout turned[kRotationCount];
        for (int rotation = 0; rotation < kRotationCount; ++rotation) {
            turned[rotation] =
                computeVideoLayout(display[0], display[1], kPlayFieldWidth, kPlayFieldHeight, mode,
                                   scale, static_cast<Rotation>(rotation));
        }
        EXPECT_EQ(placement(turned[2]), placement(turned[0])) << "a flip";
        EXPECT_EQ(placement(turned[3]), placement(turned[1])) << "a quarter turn either way";
        EXPECT_EQ((std::array{turned[0].textureRotation, turned[1].textureRotation,
                              turned[2].textureRotation, turned[3].textureRotation}),
                  (std::array{0, 90, 180, 270}));
    }
}

TEST(VideoLayout, IntegerScalingNeverDropsBelowOne) {
    constexpr int kW = kPlayFieldWidth;
    constexpr int kH = kPlayFieldHeight;
    const LayoutCase cases[] = {
        // The field alone, upright or turned, when the display is smaller than it.
        {200, 300, 0, 0, 0, {0, 0, kW, kH}, kW, kH},
        {200, 300, 1, 0, 0, {-20, -10, kW, kH}, kW, kH},
        {300, 200, 0, 0, 1, {40, -40, kW, kH}, kH, kW},
    };
    for (const LayoutCase& c : cases) {
        expectLayout(c);
    }
}

TEST(Video, OpensAWindowAtTheIntegerScaleAndPresentsThePlayField) {
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getWindow(), nullptr);
    ASSERT_NE(getRenderer(), nullptr);
    SDL_DisplayMode mode = {};
    SDL_GetCurrentDisplayMode(0, &mode);
    const VideoLayout expected =
        computeVideoLayout(mode.w, mode.h, kPlayFieldWidth, kPlayFieldHeight, WindowMode::Windowed,
                           ScaleType::Integer, Rotation::None);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(getWindow(), &width, &height);
    EXPECT_EQ(width, expected.scaleRectangle.w);
    EXPECT_EQ(height, expected.scaleRectangle.h);
    EXPECT_STREQ(SDL_GetWindowTitle(getWindow()), "Title Here");

    const int scale = expected.scaleRectangle.w / kPlayFieldWidth;
    presentRedCorner();
    EXPECT_EQ(windowPixel(getWindow(), 2, 2), 0xFF0000u);
    EXPECT_EQ(windowPixel(getWindow(), 10 * scale + 2, 2), 0x000000u);

    // A quarter turn to the right puts the field's top-left corner at the window's top-right.
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::Right);
    SDL_GetWindowSize(getWindow(), &width, &height);
    EXPECT_EQ(width, static_cast<int>(getVideoLayout().windowSize.x));
    EXPECT_EQ(height, static_cast<int>(getVideoLayout().windowSize.y));
    EXPECT_GT(width, height);
    presentRedCorner();
    EXPECT_EQ(windowPixel(getWindow(), width - 3, 2), 0xFF0000u);
    EXPECT_EQ(windowPixel(getWindow(), 2, 2), 0x000000u);
    quitVideo();
}

// A page's canvas is wiped whenever it is sized, so a room that leaves the fit as it was must not
// size the window again: its picture stays, not marked for redrawing.
TEST(Video, ARoomThatLeavesTheFitAsItWasLeavesTheWindowAlone) {
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    for (const Rotation rotation : {Rotation::None, Rotation::Right}) {
        changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, rotation);
        presentRedCorner();
        ASSERT_FALSE(isPictureStale());
        SDL_PumpEvents();
        SDL_FlushEvent(SDL_WINDOWEVENT);
        const VideoLayout before = getVideoLayout();
        fitWindowToRoom();
        EXPECT_FALSE(isPictureStale()) << "turn " << static_cast<int>(rotation);
        SDL_PumpEvents();
        EXPECT_FALSE(SDL_HasEvent(SDL_WINDOWEVENT)) << "turn " << static_cast<int>(rotation);
        EXPECT_EQ(getVideoLayout().scaleRectangle.w, before.scaleRectangle.w);
        EXPECT_EQ(getVideoLayout().textureRotation, before.textureRotation);
    }
    quitVideo();
}

// With draw batching off SDL runs every clear at once: a window cleared after presenting would
// lose its picture before anyone could see or read it.
TEST(Video, ThePresentedPictureStaysInTheWindowWithoutDrawBatching) {
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "0");
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    presentRedCorner();
    EXPECT_EQ(windowPixel(getWindow(), 2, 2), 0xFF0000u);
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::Left);
    presentRedCorner();
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(getWindow(), &width, &height);
    // A quarter turn to the left puts the field's top-left corner at the window's bottom-left.
    EXPECT_EQ(windowPixel(getWindow(), 2, height - 3), 0xFF0000u);
    quitVideo();
}
