// video_gl_probe -- the desktop's OpenGL, looked at in a helper process before the game opens
// the display, and the renderer it calls for.
#pragma once

#include <string>

#include "platform_process.hpp"

struct SDL_Renderer;
struct SDL_Window;

// Whether an OpenGL renderer string names a rasteriser that runs on the CPU (Mesa's llvmpipe,
// softpipe and swrast, Apple's Software Renderer, Windows' GDI Generic, Google's SwiftShader,
// which browsers draw WebGL with where they have no GPU); SDL's own software renderer is cheaper
// there.
bool isSoftwareGlRenderer(const char* rendererName);

struct GlProbe {
    std::string name;  // the renderer string; empty when not probed or none was read
    HelperProcess helper;
};
// Where the host already knows the renderer string of its GL, it gives it in this environment
// variable (empty is not given), and no probe is made.
constexpr char kKnownGlRendererVariable[] = "BRICKFALL_GL_RENDERER";
// Reads the renderer string unless the user chose a renderer or a driver without a display.
// Call before SDL opens the display, and end the probe once the game's window exists.
GlProbe startGlProbe();
void endGlProbe(GlProbe& probe);

// The window's renderer: SDL's software renderer on a software OpenGL, else an accelerated one,
// else software again; null when none can be made.
SDL_Renderer* createRenderer(SDL_Window* window, const std::string& glName);
// Says on stderr which renderer was made and why, when BRICKFALL_SHOW_RENDERER is set.
void reportRenderer(SDL_Renderer* renderer, const std::string& glName);
