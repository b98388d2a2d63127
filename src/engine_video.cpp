// engine_video -- the window, the renderer and the play-field render target, and the display
// settings that place the play field in the window.
#include "engine_video.hpp"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_timer.hpp"
#include "video_gl_probe.hpp"

namespace {
std::int32_t gameWidth = 0;
std::int32_t gameHeight = 0;
SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* textureTarget = nullptr;
VideoLayout layout = {{0, 0, 0, 0}, {0.0f, 0.0f}, 0};

constexpr std::uint64_t kFingerprintSeed = 0xCBF29CE484222325u;
constexpr std::int32_t kAssumedRefreshRate = 60;

// The draws of the frame in hand against those of the picture in the window.
std::uint64_t frameFingerprint = kFingerprintSeed;
std::uint64_t presentedFingerprint = kFingerprintSeed;
// Set when the window's pixels may be lost or out of place (uncovered, restored, resized, moved
// to another display, new settings): the next frame is presented whatever it holds.
bool pictureStale = true;
std::int32_t framesSincePicture = 0;
std::int32_t pictureInterval = 1;
long long picturesPresented = 0;
// What the play field holds: the fingerprint of its last whole picture, when one is known.
bool sketching = false;
bool fieldHoldsPicture = false;
std::uint64_t fieldFingerprint = kFingerprintSeed;
long long fieldsDrawn = 0;

// SDL's software renderer turns a texture by building new surfaces for every copy, ten times
// dearer than the plain copy, and scales it pixel by pixel. There the field is written into the
// window's surface from tables instead: each window pixel inside the field shows the field
// pixel at columnSource[x] + rowSource[y], and a window row that shows the same field pixels as
// the row above is copied whole. The tables are read off one copy that SDL itself made, so the
// picture is SDL's to the pixel, and are measured again only when the layout or the window's
// surface changes.
struct WindowCopy {
    bool usable = false;
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
    std::uint32_t format = 0;
    Rectangle rectangle = {0, 0, 0, 0};
    std::int32_t rotation = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::uint32_t alpha = 0;
    std::vector<std::int32_t> columnSource;
    std::vector<std::int32_t> rowSource;
};
bool softwareRenderer = false;
WindowCopy copyTables;
std::vector<std::uint32_t> fieldPixels;

std::int32_t trunc32(double value) {
    return static_cast<std::int32_t>(value);
}

bool isQuarterTurn(std::int32_t rotation) {
    return rotation == 1 || rotation == 3;
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

void readDisplaySize(std::int32_t& displayWidth, std::int32_t& displayHeight) {
    SDL_DisplayMode mode = {};
    SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &mode);
    displayWidth = mode.w;
    displayHeight = mode.h;
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

void mixFingerprint(std::uint64_t value) {
    frameFingerprint ^= value;
    frameFingerprint *= 0x9E3779B97F4A7C15u;
    frameFingerprint ^= frameFingerprint >> 32;
}

std::uint64_t pair(std::int32_t high, std::int32_t low) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
           static_cast<std::uint32_t>(low);
}

int watchWindow(void* /*unused*/, SDL_Event* event) {
    if (event->type == SDL_WINDOWEVENT) {
        switch (event->window.event) {
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_RESIZED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_MAXIMIZED:
            case SDL_WINDOWEVENT_RESTORED:
            case SDL_WINDOWEVENT_DISPLAY_CHANGED:
                pictureStale = true;
                break;
            default:
                break;
        }
    } else if (event->type == SDL_DISPLAYEVENT || event->type == SDL_RENDER_TARGETS_RESET ||
               event->type == SDL_RENDER_DEVICE_RESET) {
        pictureStale = true;
    }
    return 1;
}

void choosePictureInterval() {
    SDL_DisplayMode mode = {};
    std::int32_t refreshRate = 0;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &mode) == 0) {
        refreshRate = mode.refresh_rate;
    }
    pictureInterval = framesPerPicture(refreshRate, frame_timer::getFramePeriod());
}

void readRow(std::int32_t y, std::int32_t width, std::vector<std::uint32_t>& into) {
    const SDL_Rect row = {0, y, width, 1};
    into.assign(static_cast<std::size_t>(width), 0);
    SDL_RenderReadPixels(renderer, &row, SDL_PIXELFORMAT_RGB888, into.data(), width * 4);
}

void readColumn(std::int32_t x, std::int32_t height, std::vector<std::uint32_t>& into) {
    const SDL_Rect column = {x, 0, 1, height};
    into.assign(static_cast<std::size_t>(height), 0);
    SDL_RenderReadPixels(renderer, &column, SDL_PIXELFORMAT_RGB888, into.data(), 4);
}

// A window pixel as read back from the copy of the numbered field: 0 outside the field, else
// one more than the field pixel's index.
std::int32_t fieldIndex(std::uint32_t pixel) {
    return static_cast<std::int32_t>(pixel & 0xFFFFFFu) - 1;
}

// Copies a field whose pixels are numbered into the window the way renderVideo's SDL copy
// would, and reads the tables off the middle row and column. They are trusted only when the
// field's rows and columns land whole and separately, checked along the field's edges.
void measureWindowCopy(const SDL_Surface* surface) {
    copyTables.usable = false;
    copyTables.windowWidth = surface->w;
    copyTables.windowHeight = surface->h;
    copyTables.format = surface->format->format;
    copyTables.rectangle = layout.scaleRectangle;
    copyTables.rotation = layout.textureRotation;
    if (copyTables.format != SDL_PIXELFORMAT_RGB888 &&
        copyTables.format != SDL_PIXELFORMAT_ARGB8888) {
        return;
    }
    copyTables.alpha = surface->format->Amask;
    SDL_Texture* numbered = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                              SDL_TEXTUREACCESS_STREAMING, gameWidth, gameHeight);
    if (numbered == nullptr) {
        return;
    }
    SDL_ScaleMode scaleMode = SDL_ScaleModeNearest;
    SDL_GetTextureScaleMode(textureTarget, &scaleMode);
    SDL_SetTextureScaleMode(numbered, scaleMode);
    SDL_BlendMode blendMode = SDL_BLENDMODE_NONE;
    SDL_GetTextureBlendMode(textureTarget, &blendMode);
    SDL_SetTextureBlendMode(numbered, blendMode);
    std::vector<std::uint32_t> numbers(fieldPixels.size());
    for (std::size_t at = 0; at < numbers.size(); ++at) {
        numbers[at] = static_cast<std::uint32_t>(at + 1);
    }
    SDL_UpdateTexture(numbered, nullptr, numbers.data(), gameWidth * 4);
    const SDL_Rect destination = {layout.scaleRectangle.x, layout.scaleRectangle.y,
                                  layout.scaleRectangle.w, layout.scaleRectangle.h};
    SDL_RenderClear(renderer);
    SDL_RenderCopyEx(renderer, numbered, nullptr, &destination,
                     static_cast<double>(layout.textureRotation), nullptr, SDL_FLIP_NONE);
    const std::int32_t width = surface->w;
    const std::int32_t height = surface->h;
    std::vector<std::uint32_t> middleRow;
    std::vector<std::uint32_t> middleColumn;
    readRow(height / 2, width, middleRow);
    readColumn(width / 2, height, middleColumn);

    const auto covered = [](std::uint32_t pixel) { return fieldIndex(pixel) >= 0; };
    const auto rowStart = std::find_if(middleRow.begin(), middleRow.end(), covered);
    const auto rowEnd = std::find_if_not(rowStart, middleRow.end(), covered);
    const auto columnStart = std::find_if(middleColumn.begin(), middleColumn.end(), covered);
    const auto columnEnd = std::find_if_not(columnStart, middleColumn.end(), covered);
    copyTables.left = static_cast<std::int32_t>(rowStart - middleRow.begin());
    copyTables.right = static_cast<std::int32_t>(rowEnd - middleRow.begin());
    copyTables.top = static_cast<std::int32_t>(columnStart - middleColumn.begin());
    copyTables.bottom = static_cast<std::int32_t>(columnEnd - middleColumn.begin());
    const bool whole = copyTables.left < copyTables.right && copyTables.top < copyTables.bottom &&
                       std::none_of(rowEnd, middleRow.end(), covered) &&
                       std::none_of(columnEnd, middleColumn.end(), covered);
    bool separable = whole;
    if (whole) {
        const std::int32_t middle = fieldIndex(middleRow[static_cast<std::size_t>(width / 2)]);
        copyTables.columnSource.assign(static_cast<std::size_t>(width), 0);
        copyTables.rowSource.assign(static_cast<std::size_t>(height), 0);
        for (std::int32_t x = copyTables.left; x < copyTables.right; ++x) {
            copyTables.columnSource[static_cast<std::size_t>(x)] =
                fieldIndex(middleRow[static_cast<std::size_t>(x)]);
        }
        for (std::int32_t y = copyTables.top; y < copyTables.bottom; ++y) {
            copyTables.rowSource[static_cast<std::size_t>(y)] =
                fieldIndex(middleColumn[static_cast<std::size_t>(y)]) - middle;
        }
        std::vector<std::uint32_t> edge;
        // Whether one whole window row (or column) shows the field pixels the tables name, and
        // nothing outside the field.
        const auto lineMatches = [&](bool isRow, std::int32_t at) {
            const std::int32_t length = isRow ? width : height;
            if (isRow) {
                readRow(at, width, edge);
            } else {
                readColumn(at, height, edge);
            }
            for (std::int32_t i = 0; i < length; ++i) {
                const std::int32_t x = isRow ? i : at;
                const std::int32_t y = isRow ? at : i;
                const bool inside = x >= copyTables.left && x < copyTables.right &&
                                    y >= copyTables.top && y < copyTables.bottom;
                const std::int32_t expected =
                    inside ? copyTables.columnSource[static_cast<std::size_t>(x)] +
                                 copyTables.rowSource[static_cast<std::size_t>(y)]
                           : -1;
                if (fieldIndex(edge[static_cast<std::size_t>(i)]) != expected) {
                    return false;
                }
            }
            return true;
        };
        separable = lineMatches(true, copyTables.top) && lineMatches(true, copyTables.bottom - 1) &&
                    lineMatches(false, copyTables.left) && lineMatches(false, copyTables.right - 1);
    }
    SDL_DestroyTexture(numbered);
    copyTables.usable = separable;
}

bool measuredFor(const SDL_Surface* surface) {
    const Rectangle& r = layout.scaleRectangle;
    const Rectangle& m = copyTables.rectangle;
    return copyTables.windowWidth == surface->w && copyTables.windowHeight == surface->h &&
           copyTables.format == surface->format->format &&
           copyTables.rotation == layout.textureRotation && m.x == r.x && m.y == r.y &&
           m.w == r.w && m.h == r.h;
}

// The field is written into the window, which is the render target; what the field leaves
// uncovered is cleared.
void writeField(SDL_Surface* surface) {
    if (copyTables.left > 0 || copyTables.top > 0 || copyTables.right < surface->w ||
        copyTables.bottom < surface->h) {
        SDL_RenderClear(renderer);
        SDL_RenderFlush(renderer);
    }
    auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
    const std::size_t span = static_cast<std::size_t>(copyTables.right - copyTables.left) * 4;
    const std::uint32_t* previous = nullptr;
    std::int32_t previousSource = -1;
    for (std::int32_t y = copyTables.top; y < copyTables.bottom; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) *
                                                                  surface->pitch);
        const std::int32_t source = copyTables.rowSource[static_cast<std::size_t>(y)];
        // Scaled up, neighbouring window rows often show the same field pixels.
        if (previous != nullptr && source == previousSource) {
            std::memcpy(row + copyTables.left, previous + copyTables.left, span);
        } else {
            for (std::int32_t x = copyTables.left; x < copyTables.right; ++x) {
                row[x] = fieldPixels[static_cast<std::size_t>(
                             copyTables.columnSource[static_cast<std::size_t>(x)] + source)] |
                         copyTables.alpha;
            }
        }
        previous = row;
        previousSource = source;
    }
}

// The window's surface when this frame goes through the tables, with the field read.
SDL_Surface* prepareFieldCopy() {
    if (!softwareRenderer) {
        return nullptr;
    }
    SDL_SetRenderTarget(renderer, textureTarget);
    const SDL_Rect field = {0, 0, gameWidth, gameHeight};
    if (SDL_RenderReadPixels(renderer, &field, SDL_PIXELFORMAT_RGB888, fieldPixels.data(),
                             gameWidth * 4) != 0) {
        return nullptr;
    }
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) {
        return nullptr;
    }
    if (!measuredFor(surface)) {
        measureWindowCopy(surface);
    }
    return copyTables.usable ? surface : nullptr;
}

void presentPicture() {
    SDL_Surface* surface = prepareFieldCopy();
    SDL_SetRenderTarget(renderer, nullptr);
    if (surface != nullptr) {
        writeField(surface);
    } else {
        SDL_RenderClear(renderer);
        const SDL_Rect destination = {layout.scaleRectangle.x, layout.scaleRectangle.y,
                                      layout.scaleRectangle.w, layout.scaleRectangle.h};
        SDL_RenderCopyEx(renderer, textureTarget, nullptr, &destination,
                         static_cast<double>(layout.textureRotation), nullptr, SDL_FLIP_NONE);
    }
    SDL_RenderPresent(renderer);
    presentedFingerprint = frameFingerprint;
    pictureStale = false;
    framesSincePicture = 0;
    ++picturesPresented;
}
}  // namespace

std::int32_t framesPerPicture(std::int32_t refreshRate, double framePeriodSeconds) {
    if (framePeriodSeconds <= 0.0) {
        return 1;
    }
    const double refresh = refreshRate > 0 ? refreshRate : kAssumedRefreshRate;
    // SDL reports 59.94 Hz as 59: a little slack keeps that display at every other frame.
    const double frames = 1.0 / (refresh * framePeriodSeconds);
    return std::max(1, static_cast<std::int32_t>(std::ceil(frames - 0.05)));
}

VideoLayout computeVideoLayout(std::int32_t displayWidth, std::int32_t displayHeight,
                               std::int32_t playWidth, std::int32_t playHeight,
                               std::int32_t windowMode, std::int32_t scaleType,
                               std::int32_t rotation) {
    const bool quarterTurn = isQuarterTurn(rotation);
    // In a quarter turn the play field's width lies along the display's height.
    const std::int32_t alongWidth = quarterTurn ? displayHeight : displayWidth;
    const std::int32_t alongHeight = quarterTurn ? displayWidth : displayHeight;
    const double widthQuotient = ratio(alongWidth, playWidth);
    const double heightQuotient = ratio(alongHeight, playHeight);

    double factorX = 1.0;
    double factorY = 1.0;
    switch (scaleType) {
        case kScaleInteger:
            factorX = factorY = integerFactor(widthQuotient, heightQuotient);
            break;
        case kScaleAspectFit:
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

    if (windowMode == kFullScreen || windowMode == kDesktopFullScreen) {
        result.scaleRectangle.x = trunc32(displayWidth * 0.5 - scaledWidth * 0.5);
        result.scaleRectangle.y = trunc32(displayHeight * 0.5 - scaledHeight * 0.5);
    } else if (quarterTurn) {
        // The window is the rotated rectangle's size; offset so the rotation stays centred.
        result.scaleRectangle.x = trunc32(scaledHeight * 0.5 - scaledWidth * 0.5);
        result.scaleRectangle.y = trunc32(scaledWidth * 0.5 - scaledHeight * 0.5);
    }
    result.textureRotation = rotation * 90;
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
                                  0, SDL_WINDOW_ALLOW_HIGHDPI);
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
    SDL_RendererInfo info = {};
    SDL_GetRendererInfo(renderer, &info);
    softwareRenderer = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    reportRenderer(renderer, glName);
    textureTarget = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                      gameWidth, gameHeight);
    if (textureTarget == nullptr) {
        failVideo("The play field");
        return;
    }
    std::int32_t displayWidth = 0;
    std::int32_t displayHeight = 0;
    readDisplaySize(displayWidth, displayHeight);
    layout = computeVideoLayout(displayWidth, displayHeight, gameWidth, gameHeight, kWindowed,
                                kScaleInteger, 0);
    applyWindowedSize();
    fieldPixels.assign(static_cast<std::size_t>(gameWidth) * static_cast<std::size_t>(gameHeight),
                       0);
    SDL_AddEventWatch(watchWindow, nullptr);
    choosePictureInterval();
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
    pictureStale = true;
}

void changeVideoSettings(std::int32_t windowMode, std::int32_t scaleType, std::int32_t rotation) {
    std::int32_t displayWidth = 0;
    std::int32_t displayHeight = 0;
    readDisplaySize(displayWidth, displayHeight);
    layout = computeVideoLayout(displayWidth, displayHeight, gameWidth, gameHeight, windowMode,
                                scaleType, rotation);
    switch (windowMode) {
        case kWindowed:
            applyWindowedSize();
            break;
        case kFullScreen:
            SDL_SetWindowSize(window, displayWidth, displayHeight);
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
            SDL_RenderSetViewport(renderer, nullptr);
            break;
        case kDesktopFullScreen:
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
            SDL_RenderSetViewport(renderer, nullptr);
            break;
        default:
            break;
    }
    pictureStale = true;
}

namespace {
// The clear's colour is part of the picture.
void startFingerprint() {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;
    SDL_GetRenderDrawColor(renderer, &red, &green, &blue, &alpha);
    frameFingerprint = kFingerprintSeed;
    mixFingerprint(static_cast<std::uint64_t>(red) << 24 | static_cast<std::uint64_t>(green) << 16 |
                   static_cast<std::uint64_t>(blue) << 8 | alpha);
}
}  // namespace

void preRender() {
    SDL_SetRenderTarget(renderer, textureTarget);
    SDL_RenderClear(renderer);
    startFingerprint();
    // Whatever is drawn now, the field's picture is known again only once it is finished.
    fieldHoldsPicture = false;
    sketching = false;
}

void beginSketch() {
    startFingerprint();
    sketching = true;
}

bool endSketch() {
    sketching = false;
    const bool mustDraw =
        !fieldHoldsPicture || pictureStale || frameFingerprint != fieldFingerprint;
    if (mustDraw) {
        ++fieldsDrawn;
    }
    return mustDraw;
}

bool isSketching() {
    return sketching;
}

long long getFieldsDrawn() {
    return fieldsDrawn;
}

// The window is cleared before the field is copied in, not after presenting: whatever the
// window shows between presents is the last picture, whole.
void renderVideo() {
    fieldFingerprint = frameFingerprint;
    fieldHoldsPicture = true;
    if (pictureStale) {
        choosePictureInterval();
    }
    // Counted only as far as it matters, so a game left still for months cannot overflow it.
    framesSincePicture = std::min(framesSincePicture + 1, pictureInterval);
    const bool changed = frameFingerprint != presentedFingerprint;
    // A picture held back here goes out a few frames later unless a newer one replaced it: a
    // game that goes still still shows its last picture.
    if (pictureStale || (changed && framesSincePicture >= pictureInterval)) {
        presentPicture();
    } else {
        SDL_SetRenderTarget(renderer, nullptr);
    }
}

void noteDrawCall(const DrawCall& call) {
    mixFingerprint(reinterpret_cast<std::uintptr_t>(call.texture));
    mixFingerprint(pair(call.source.x, call.source.y));
    mixFingerprint(pair(call.source.w, call.source.h));
    mixFingerprint(pair(call.destination.x, call.destination.y));
    mixFingerprint(pair(call.destination.w, call.destination.h));
    mixFingerprint(pair(call.flip, static_cast<std::int32_t>(call.modulation)));
}

void markPictureChanged() {
    pictureStale = true;
}

long long getPicturesPresented() {
    return picturesPresented;
}

void quitVideo() {
    SDL_DelEventWatch(watchWindow, nullptr);
    copyTables = WindowCopy{};
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
