// video_gl_probe -- the desktop's OpenGL, looked at in a helper process before the game opens
// the display, and the renderer it calls for.
#include "video_gl_probe.hpp"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {
constexpr unsigned int kGlRenderer = 0x1F01;
constexpr std::int32_t kProbeMilliseconds = 3000;

// Runs in the helper: the renderer string of the OpenGL that SDL would use.
std::string readGlRendererName() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return {};
    }
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = probe != nullptr ? SDL_GL_CreateContext(probe) : nullptr;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name =
        context != nullptr && getString != nullptr ? getString(kGlRenderer) : nullptr;
    return name != nullptr ? std::string(reinterpret_cast<const char*>(name)) : std::string();
}

bool driverRequested(const char* hint, const char* driver) {
    const char* value = SDL_GetHint(hint);
    return value != nullptr && std::strstr(value, driver) != nullptr;
}

// A renderer the user chose, or a video driver without a display, needs no probe.
bool shouldProbeGl() {
    return SDL_GetHint(SDL_HINT_RENDER_DRIVER) == nullptr &&
           !driverRequested(SDL_HINT_VIDEODRIVER, "dummy") &&
           !driverRequested(SDL_HINT_VIDEODRIVER, "offscreen");
}
}  // namespace

bool isSoftwareGlRenderer(const char* rendererName) {
    std::string lower = rendererName != nullptr ? rendererName : "";
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software rasterizer",
                                 "software renderer", "gdi generic", "swiftshader"}) {
        if (lower.find(software) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// In a helper process: the GL driver it loads (for llvmpipe, all of LLVM) never weighs on the
// game's memory, and nothing of it is shared with the game's connection to the display, which
// the game opens only after the helper starts. The helper stays connected until the game has
// its own connection (endGlProbe): an X server whose only client the helper was would otherwise
// reset as it leaves, and refuse the game.
GlProbe startGlProbe() {
    GlProbe probe;
    // A host that knows its GL already says so: a page reads its WebGL's name itself.
    const char* known = SDL_getenv(kKnownGlRendererVariable);
    if (known != nullptr && known[0] != '\0') {
        probe.name = known;
        return probe;
    }
    if (shouldProbeGl()) {
        probe.helper = startHelperProcess(readGlRendererName, kProbeMilliseconds, probe.name);
    }
    return probe;
}

void endGlProbe(GlProbe& probe) {
    endHelperProcess(probe.helper);
}

// On a software OpenGL SDL's software renderer is the cheaper picture, with its pixels sent to
// the window directly rather than through that same GL. The user's SDL_RENDER_DRIVER and
// SDL_FRAMEBUFFER_ACCELERATION still decide when set; a real GPU keeps OpenGL.
SDL_Renderer* createRenderer(SDL_Window* window, const std::string& glName) {
    if (isSoftwareGlRenderer(glName.c_str())) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_Renderer* made =
            SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
        if (made != nullptr) {
            return made;
        }
    }
    SDL_Renderer* made =
        SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (made == nullptr) {
        // A machine without a usable GPU driver still gets a picture, drawn in software.
        made = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    }
    return made;
}

// Only when asked: the game stays quiet otherwise.
void reportRenderer(SDL_Renderer* renderer, const std::string& glName) {
    if (SDL_getenv("BRICKFALL_SHOW_RENDERER") == nullptr) {
        return;
    }
    SDL_RendererInfo info = {};
    SDL_GetRendererInfo(renderer, &info);
    const char* acceleration = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    std::fprintf(stderr, "renderer: %s; desktop OpenGL: %s; SDL_FRAMEBUFFER_ACCELERATION=%s\n",
                 info.name, glName.empty() ? "not probed or none" : glName.c_str(),
                 acceleration != nullptr ? acceleration : "unset");
}
