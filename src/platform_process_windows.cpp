// platform_process -- on Windows the game asks no helper process: the desktop's OpenGL is not
// probed, and SDL's default renderer (Direct3D) is taken unless SDL_RENDER_DRIVER names another.
#include "platform_process.hpp"

// The probe exists to keep a software OpenGL's LLVM out of the game on Linux desktops; Windows
// drivers bring no such rasteriser, and a process there cannot fork to look safely.
HelperProcess startHelperProcess(HelperWork, std::int32_t, std::string& answer) {
    answer.clear();
    return {};
}

void endHelperProcess(HelperProcess&) {}
