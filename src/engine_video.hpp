// engine_video -- the window, the renderer and the play-field render target, and the display
// settings that place the play field in the window.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

// The display settings, with the values the video page passes.
enum class WindowMode : std::int32_t { Windowed = 0, FullScreen = 1, DesktopFullScreen = 2 };
enum class ScaleType : std::int32_t { Integer = 0, AspectFit = 1, Stretch = 2 };
// Clockwise quarter turns of the play field in the window.
enum class Rotation : std::int32_t { None = 0, Right = 1, Flip = 2, Left = 3 };
inline constexpr std::int32_t kWindowModeCount = 3;
inline constexpr std::int32_t kScaleTypeCount = 3;
inline constexpr std::int32_t kRotationCount = 4;

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
                               WindowMode windowMode, ScaleType scaleType, Rotation rotation);

// Opens the window and renderer; when either cannot be made, or the only display is SDL's
// invisible offscreen one that was not asked for, the failure is reported and the game ends
// non-zero.
void initializeVideo(std::int32_t width, std::int32_t height);
void changeVideoSettings(WindowMode windowMode, ScaleType scaleType, Rotation rotation);
// The room for a window changed (a page resized, a phone turned): a window that is not full
// screen takes the settings last applied again in its new room.
void fitWindowToRoom();
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
