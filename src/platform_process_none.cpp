// platform_process -- on Windows and in a browser the game asks no helper process: the
// desktop's OpenGL is not probed. Windows takes SDL's default renderer (Direct3D) unless
// SDL_RENDER_DRIVER names another; a page takes the browser's WebGL, or software without it.
#include "platform_process.hpp"

// The probe exists to keep a software OpenGL's LLVM out of the game on Linux desktops; Windows
// drivers and browsers bring no such rasteriser, a process on Windows cannot fork to look
// safely, and a page makes no process at all.
HelperProcess startHelperProcess(HelperWork, std::int32_t, std::string& answer) {
    answer.clear();
    return {};
}

void endHelperProcess(HelperProcess&) {}
