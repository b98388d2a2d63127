// engine_video -- the window, the renderer and the play-field render target, and the display
// settings that place the play field in the window.
#include "engine_video.hpp"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "engine_game_manager.hpp"
#include "platform_display.hpp"
#include "video_gl_probe.hpp"
#include "video_presenting.hpp"
#include "video_window_copy.hpp"

namespace {
std::int32_t gameWidth = 0;
std::int32_t gameHeight = 0;
SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* textureTarget = nullptr;
VideoLayout layout = {{0, 0, 0, 0}, {0.0f, 0.0f}, 0};
WindowMode appliedWindowMode = WindowMode::Windowed;
ScaleType appliedScaleType = ScaleType::Integer;
Rotation appliedRotation = Rotation::None;

std::int32_t trunc32(double value) {
    return static_cast<std::int32_t>(value);
}

bool isQuarterTurn(Rotation rotation) {
    return rotation == Rotation::Right || rotation == Rotation::Left;
}

double ratio(std::int32_t numerator, std::int32_t denominator) {
    return static_cast<double>(numerator) / static_cast<double>(denominator);
}

// Each quotient is rounded to a float and floored. A display smaller than the play field
// still gets a factor of 1, so the picture never vanishes.
double integerFactor(double widthQuotient, double heightQuotient) {
    const float factor = std::min(std::floor(static_cast<float>(heightQuotient)),
                                  std::floor(static_cast<float>(widthQuotient)));
    return std::max(static_cast<double>(factor), 1.0);
}

// The display's size, or for a window that is not full screen the room it has there.
void readDisplaySize(WindowMode windowMode, std::int32_t& displayWidth,
                     std::int32_t& displayHeight) {
    if (windowMode == WindowMode::Windowed && readWindowRoom(displayWidth, displayHeight)) {
        return;
    }
    SDL_DisplayMode mode = {};
    SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &mode);
    displayWidth = mode.w;
    displayHeight = mode.h;
}

bool sameLayout(const VideoLayout& a, const VideoLayout& b) {
    return a.scaleRectangle.x == b.scaleRectangle.x && a.scaleRectangle.y == b.scaleRectangle.y &&
           a.scaleRectangle.w == b.scaleRectangle.w && a.scaleRectangle.h == b.scaleRectangle.h &&
           a.windowSize.x == b.windowSize.x && a.windowSize.y == b.windowSize.y &&
           a.textureRotation == b.textureRotation;
}

void applyWindowedSize() {
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowSize(window, trunc32(layout.windowSize.x), trunc32(layout.windowSize.y));
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

// With no display SDL falls back to its offscreen driver: the game would run in a window no one
// can see and that nothing can close. That driver counts only when it was asked for.
bool onlyAnInvisibleDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return driver != nullptr && std::strcmp(driver, "offscreen") == 0 &&
           (requested == nullptr || std::strstr(requested, "offscreen") == nullptr);
}

void failVideo(const char* what) {
    const std::string text = std::string(what) + " could not be created: " + SDL_GetError();
    failGame("VIDEO ERROR", text.c_str());
}

void presentPicture() {
    if (!copyFieldThroughTables(layout.scaleRectangle, layout.textureRotation, isPictureStale())) {
        SDL_SetRenderTarget(renderer, nullptr);
        SDL_RenderClear(renderer);
        const SDL_Rect destination = {layout.scaleRectangle.x, layout.scaleRectangle.y,
                                      layout.scaleRectangle.w, layout.scaleRectangle.h};
        SDL_RenderCopyEx(renderer, textureTarget, nullptr, &destination,
                         static_cast<double>(layout.textureRotation), nullptr, SDL_FLIP_NONE);
    }
    SDL_RenderPresent(renderer);
}
}  // namespace

VideoLayout computeVideoLayout(std::int32_t displayWidth, std::int32_t displayHeight,
                               std::int32_t playWidth, std::int32_t playHeight,
                               WindowMode windowMode, ScaleType scaleType, Rotation rotation) {
    const bool quarterTurn = isQuarterTurn(rotation);
    // In a quarter turn the play field's width lies along the display's height.
    const std::int32_t alongWidth = quarterTurn ? displayHeight : displayWidth;
    const std::int32_t alongHeight = quarterTurn ? displayWidth : displayHeight;
    const double widthQuotient = ratio(alongWidth, playWidth);
    const double heightQuotient = ratio(alongHeight, playHeight);

    double factorX = 1.0;
    double factorY = 1.0;
    switch (scaleType) {
        case ScaleType::Integer:
            factorX = factorY = integerFactor(widthQuotient, heightQuotient);
            break;
        case ScaleType::AspectFit:
            factorX = factorY = std::min(heightQuotient, widthQuotient);
            break;
        default:
            factorX = widthQuotient;
            factorY = heightQuotient;
            break;
    }

    const double scaledWidth = playWidth * factorX;
    const double scaledHeight = playHeight * factorY;
    VideoLayout result = {};
    result.scaleRectangle.w = trunc32(scaledWidth);
    result.scaleRectangle.h = trunc32(scaledHeight);
    if (quarterTurn) {
        result.windowSize = {static_cast<float>(result.scaleRectangle.h),
                             static_cast<float>(result.scaleRectangle.w)};
    } else {
        result.windowSize = {static_cast<float>(result.scaleRectangle.w),
                             static_cast<float>(result.scaleRectangle.h)};
    }

    if (windowMode == WindowMode::FullScreen || windowMode == WindowMode::DesktopFullScreen) {
        result.scaleRectangle.x = trunc32(displayWidth * 0.5 - scaledWidth * 0.5);
        result.scaleRectangle.y = trunc32(displayHeight * 0.5 - scaledHeight * 0.5);
    } else if (quarterTurn) {
        // The window is the rotated rectangle's size; offset so the rotation stays centred.
        result.scaleRectangle.x = trunc32(scaledHeight * 0.5 - scaledWidth * 0.5);
        result.scaleRectangle.y = trunc32(scaledWidth * 0.5 - scaledHeight * 0.5);
    }
    result.textureRotation = static_cast<std::int32_t>(rotation) * 90;
    return result;
}

void initializeVideo(std::int32_t width, std::int32_t height) {
    gameWidth = width;
    gameHeight = height;
    // Before SDL opens the display: the probe's child must not share the game's connection.
    GlProbe probe = startGlProbe();
    const std::string glName = probe.name;
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    const bool invisible = onlyAnInvisibleDisplay();
    if (!invisible) {
        window = SDL_CreateWindow("Title Here", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 0,
                                  0, windowAsksForFinePixels() ? SDL_WINDOW_ALLOW_HIGHDPI : 0);
    }
    endGlProbe(probe);
    if (invisible) {
        failGame("VIDEO ERROR",
                 "No display was found. Start the game from a desktop session, or set "
                 "SDL_VIDEODRIVER=dummy to run it without a window.");
        return;
    }
    if (window == nullptr) {
        failVideo("The window");
        return;
    }
    renderer = createRenderer(window, glName);
    if (renderer == nullptr) {
        failVideo("The renderer");
        return;
    }
    reportRenderer(renderer, glName);
    textureTarget = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                      gameWidth, gameHeight);
    if (textureTarget == nullptr) {
        failVideo("The play field");
        return;
    }
    std::int32_t displayWidth = 0;
    std::int32_t displayHeight = 0;
    readDisplaySize(WindowMode::Windowed, displayWidth, displayHeight);
    appliedWindowMode = WindowMode::Windowed;
    appliedScaleType = ScaleType::Integer;
    appliedRotation = Rotation::None;
    layout = computeVideoLayout(displayWidth, displayHeight, gameWidth, gameHeight,
                                appliedWindowMode, appliedScaleType, appliedRotation);
    applyWindowedSize();
    initializeWindowCopy(renderer, window, textureTarget, gameWidth, gameHeight);
    startPresenting(window, renderer);
    if (windowShownBlackAtOnce()) {
        SDL_RenderClear(renderer);
        SDL_RenderPresent(renderer);
    }
}

void changeVideoSettings(WindowMode windowMode, ScaleType scaleType, Rotation rotation) {
    appliedWindowMode = windowMode;
    appliedScaleType = scaleType;
    appliedRotation = rotation;
    std::int32_t displayWidth = 0;
    std::int32_t displayHeight = 0;
    readDisplaySize(windowMode, displayWidth, displayHeight);
    layout = computeVideoLayout(displayWidth, displayHeight, gameWidth, gameHeight, windowMode,
                                scaleType, rotation);
    switch (windowMode) {
        case WindowMode::Windowed:
            applyWindowedSize();
            break;
        case WindowMode::FullScreen:
            SDL_SetWindowSize(window, displayWidth, displayHeight);
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
            SDL_RenderSetViewport(renderer, nullptr);
            break;
        case WindowMode::DesktopFullScreen:
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
            SDL_RenderSetViewport(renderer, nullptr);
            break;
        default:
            break;
    }
    markPictureChanged();
}

// Sizing a page's canvas, even to the size it has, wipes what it shows: a room that leaves the
// fit as it was changes nothing.
void fitWindowToRoom() {
    if (window == nullptr || appliedWindowMode != WindowMode::Windowed) {
        return;
    }
    std::int32_t roomWidth = 0;
    std::int32_t roomHeight = 0;
    readDisplaySize(appliedWindowMode, roomWidth, roomHeight);
    const VideoLayout fitted =
        computeVideoLayout(roomWidth, roomHeight, gameWidth, gameHeight, appliedWindowMode,
                           appliedScaleType, appliedRotation);
    if (!sameLayout(fitted, layout)) {
        changeVideoSettings(appliedWindowMode, appliedScaleType, appliedRotation);
    }
}

void preRender() {
    SDL_SetRenderTarget(renderer, textureTarget);
    SDL_RenderClear(renderer);
    beginFieldPicture();
}

// The window is cleared before the field is copied in, not after presenting: whatever the
// window shows between presents is the last picture, whole.
void renderVideo() {
    if (finishFieldPicture()) {
        presentPicture();
        notePicturePresented();
    } else {
        SDL_SetRenderTarget(renderer, nullptr);
    }
}

void quitVideo() {
    stopPresenting();
    quitWindowCopy();
    if (textureTarget != nullptr) {
        SDL_DestroyTexture(textureTarget);
        textureTarget = nullptr;
    }
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

SDL_Renderer* getRenderer() {
    return renderer;
}
SDL_Window* getWindow() {
    return window;
}
VideoLayout getVideoLayout() {
    return layout;
}
SDL_Texture* getPlayField() {
    return textureTarget;
}
