// video_presenting -- the fingerprint of a frame's draws, the sketch that tells whether the play
// field must be drawn again, and when a picture goes to the window.
#include "video_presenting.hpp"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "engine_timer.hpp"

namespace {
constexpr std::uint64_t kFingerprintSeed = 0xCBF29CE484222325u;
constexpr std::int32_t kAssumedRefreshRate = 60;

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
// The draws of the frame in hand against those of the picture in the window.
std::uint64_t frameFingerprint = kFingerprintSeed;
std::uint64_t presentedFingerprint = kFingerprintSeed;
// Set when the window's pixels may be lost or out of place (uncovered, restored, resized, moved
// to another display, new settings): the next frame is presented whatever it holds.
bool pictureStale = true;
std::int32_t framesSincePicture = 0;
bool presentAtOnce = false;
std::int32_t pictureInterval = 1;
long long picturesPresented = 0;
// What the play field holds: the fingerprint of its last whole picture, when one is known.
bool sketching = false;
std::array<DrawCall, kDrawListCapacity> drawList;
std::size_t drawCount = 0;
bool drawListComplete = true;
bool fieldHoldsPicture = false;
std::uint64_t fieldFingerprint = kFingerprintSeed;
long long fieldsDrawn = 0;

void mixFingerprint(std::uint64_t value) {
    frameFingerprint ^= value;
    frameFingerprint *= 0x9E3779B97F4A7C15u;
    frameFingerprint ^= frameFingerprint >> 32;
}

std::uint64_t pair(std::int32_t high, std::int32_t low) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
           static_cast<std::uint32_t>(low);
}

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
}  // namespace

void noteDrawCall(const DrawCall& call) {
    if (sketching) {
        if (drawCount < drawList.size()) {
            drawList[drawCount++] = call;
        } else {
            drawListComplete = false;
        }
    }
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

bool isPictureStale() {
    return pictureStale;
}

long long getPicturesPresented() {
    return picturesPresented;
}

void beginSketch() {
    startFingerprint();
    sketching = true;
    drawCount = 0;
    drawListComplete = true;
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

bool replaySketch() {
    if (!drawListComplete) {
        return false;
    }
    for (std::size_t i = 0; i < drawCount; ++i) {
        const DrawCall& call = drawList[i];
        auto* texture = const_cast<SDL_Texture*>(call.texture);
        const SDL_Rect source = {call.source.x, call.source.y, call.source.w, call.source.h};
        const SDL_Rect destination = {call.destination.x, call.destination.y, call.destination.w,
                                      call.destination.h};
        const bool modulated = call.modulation != kUnmodulated;
        if (modulated) {
            SDL_SetTextureColorMod(texture, static_cast<Uint8>(call.modulation >> 24),
                                   static_cast<Uint8>(call.modulation >> 16),
                                   static_cast<Uint8>(call.modulation >> 8));
            SDL_SetTextureAlphaMod(texture, static_cast<Uint8>(call.modulation));
        }
        SDL_RenderCopyEx(renderer, texture, &source, &destination, 0.0, nullptr,
                         static_cast<SDL_RendererFlip>(call.flip));
        if (modulated) {
            SDL_SetTextureColorMod(texture, 255, 255, 255);
            SDL_SetTextureAlphaMod(texture, 255);
        }
        noteDrawCall(call);
    }
    return true;
}

long long getFieldsDrawn() {
    return fieldsDrawn;
}

std::int32_t framesPerPicture(std::int32_t refreshRate, double framePeriodSeconds) {
    if (framePeriodSeconds <= 0.0) {
        return 1;
    }
    const double refresh = refreshRate > 0 ? refreshRate : kAssumedRefreshRate;
    // SDL reports 59.94 Hz as 59: a little slack keeps that display at every other frame.
    const double frames = 1.0 / (refresh * framePeriodSeconds);
    return std::max(1, static_cast<std::int32_t>(std::ceil(frames - 0.05)));
}

void startPresenting(SDL_Window* presentedWindow, SDL_Renderer* presentingRenderer) {
    window = presentedWindow;
    renderer = presentingRenderer;
    SDL_AddEventWatch(watchWindow, nullptr);
    choosePictureInterval();
    pictureStale = true;
}

void stopPresenting() {
    SDL_DelEventWatch(watchWindow, nullptr);
    window = nullptr;
    renderer = nullptr;
}

void beginFieldPicture() {
    startFingerprint();
    // Whatever is drawn now, the field's picture is known again only once it is finished.
    fieldHoldsPicture = false;
    sketching = false;
}

bool pictureWouldGoOut() {
    return pictureStale || presentAtOnce || framesSincePicture + 1 >= pictureInterval;
}

void skipPicture() {
    framesSincePicture = std::min(framesSincePicture + 1, pictureInterval);
}

void presentNextPictureAtOnce() {
    presentAtOnce = true;
}

bool finishFieldPicture() {
    fieldFingerprint = frameFingerprint;
    fieldHoldsPicture = true;
    if (pictureStale) {
        choosePictureInterval();
    }
    // Counted only as far as it matters, so a game left still for months cannot overflow it.
    framesSincePicture = std::min(framesSincePicture + 1, pictureInterval);
    const bool changed = frameFingerprint != presentedFingerprint;
    const bool due = framesSincePicture >= pictureInterval || presentAtOnce;
    presentAtOnce = false;
    return pictureStale || (changed && due);
}

void notePicturePresented() {
    presentedFingerprint = frameFingerprint;
    pictureStale = false;
    framesSincePicture = 0;
    ++picturesPresented;
}

bool windowShowsField() {
    return fieldHoldsPicture && !pictureStale && presentedFingerprint == fieldFingerprint;
}
