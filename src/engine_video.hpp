// engine_video -- the window, the renderer and the play-field render target, and the display
// settings that place the play field in the window.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

enum WindowMode : std::int32_t { kWindowed = 0, kFullScreen = 1, kDesktopFullScreen = 2 };
enum ScaleType : std::int32_t { kScaleInteger = 0, kScaleAspectFit = 1, kScaleStretch = 2 };

// Where the play field goes in the window, before rotation about the rectangle's centre.
struct VideoLayout {
    Rectangle scaleRectangle;
    Vector windowSize;
    std::int32_t textureRotation;
};

// The pure part of a settings change: display size, play-field size and the three choices in,
// rectangle, window size and rotation out.
VideoLayout computeVideoLayout(std::int32_t displayWidth, std::int32_t displayHeight,
                               std::int32_t gameWidth, std::int32_t gameHeight,
                               std::int32_t windowMode, std::int32_t scaleType,
                               std::int32_t rotation);

// Opens the window and renderer; when either cannot be made, or the only display is SDL's
// invisible offscreen one that was not asked for, the failure is reported and the game ends
// non-zero.
void initializeVideo(std::int32_t width, std::int32_t height);
void changeVideoSettings(std::int32_t windowMode, std::int32_t scaleType, std::int32_t rotation);
// Makes the play field the render target and clears it.
void preRender();
// A frame's draws first go through as a sketch: each draw only feeds the fingerprint. It ends
// saying whether the play field must really be drawn, because its picture was made of other
// draws or may be lost; a still menu or a paused stage is then drawn once, not every frame.
void beginSketch();
bool endSketch();
bool isSketching();
// Times the play field was drawn whole by the frame pass since start-up.
long long getFieldsDrawn();
// Clears the window, copies the play field into it and presents, unless the window already
// shows the same picture or shows one sent too recently for the display to have shown it.
void renderVideo();
void quitVideo();

// What one draw into the play field takes in. Every draw passes its inputs to noteDrawCall, so
// that a frame drawn with the same calls as the picture in the window is not presented again;
// a draw made some other way calls markPictureChanged instead.
struct DrawCall {
    const SDL_Texture* texture;
    Rectangle source;
    Rectangle destination;
    std::int32_t flip;
    std::uint32_t modulation;  // red, green, blue and alpha modulation, 8 bits each
};
void noteDrawCall(const DrawCall& call);
void markPictureChanged();
// Pictures sent to the window since start-up.
long long getPicturesPresented();

// How many frames apart pictures go to the window so that no more go than the display shows:
// refreshRate in Hz (0 when unknown, taken as 60), framePeriodSeconds the game's frame period.
std::int32_t framesPerPicture(std::int32_t refreshRate, double framePeriodSeconds);

SDL_Renderer* getRenderer();
SDL_Window* getWindow();
VideoLayout getVideoLayout();
// The play field's render target, for tools that capture what was drawn.
SDL_Texture* getPlayField();
