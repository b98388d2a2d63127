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
// Clears the window, copies the play field into it and presents, unless the window already
// shows the same picture or shows one sent too recently for the display to have shown it.
void renderVideo();
void quitVideo();

SDL_Renderer* getRenderer();
SDL_Window* getWindow();
VideoLayout getVideoLayout();
// The play field's render target, for tools that capture what was drawn.
SDL_Texture* getPlayField();
