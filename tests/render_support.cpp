// Shared helpers for drawing tests: a headless renderer, test images in the resource folder,
// pixels read back from the play field and the window, and frame passes that count pictures.
#include "render_support.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "engine_game_manager.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"
#include "test_support.hpp"
#include "video_presenting.hpp"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>

namespace render_support {

namespace {
std::string resourceFolder() {
    return std::string(BRICKFALL_BUILD_DIR) + "/Resources/";
}
}  // namespace

std::string writeResourcePng(const std::string& stem, int width, int height,
                             const std::vector<std::uint8_t>& rgba) {
    // Tests run in parallel processes, each with its own name for the file.
    static const unsigned int unique = std::random_device()();
    const std::string name = "IMG//test-" + stem + "-" + std::to_string(unique) + ".png";
    stbi_write_png((resourceFolder() + name).c_str(), width, height, 4, rgba.data(), width * 4);
    return name;
}

void removeResource(const std::string& relativeName) {
    std::remove((resourceFolder() + relativeName).c_str());
}

sheet_art::Image readPng(const std::string& path) {
    sheet_art::Image image;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4);
    if (pixels != nullptr) {
        image.rgba.assign(pixels, pixels + static_cast<std::size_t>(image.width) *
                                               static_cast<std::size_t>(image.height) * 4);
        stbi_image_free(pixels);
    }
    return image;
}

std::vector<std::uint8_t> coordinateImage(int width, int height) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rgba.push_back(static_cast<std::uint8_t>(4 * x));
            rgba.push_back(static_cast<std::uint8_t>(2 * y));
            rgba.push_back(kMark);
            rgba.push_back(255);
        }
    }
    return rgba;
}

int Readback::markedCount() const {
    return static_cast<int>(
        std::count_if(pixels.begin(), pixels.end(), [](Pixel p) { return p.b == kMark; }));
}

Readback readTarget() {
    Readback readback;
    SDL_Renderer* renderer = getRenderer();
    SDL_Texture* target = SDL_GetRenderTarget(renderer);
    if (target != nullptr) {
        SDL_QueryTexture(target, nullptr, nullptr, &readback.width, &readback.height);
    } else {
        SDL_GetRendererOutputSize(renderer, &readback.width, &readback.height);
    }
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(readback.width) *
                                   static_cast<std::size_t>(readback.height) * 4);
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGBA32, rgba.data(),
                             readback.width * 4) != 0) {
        return {};
    }
    for (std::size_t at = 0; at < rgba.size(); at += 4) {
        readback.pixels.push_back({rgba[at], rgba[at + 1], rgba[at + 2]});
    }
    return readback;
}

Box markedBox(const Readback& readback) {
    Box box = {readback.width, readback.height, -1, -1};
    for (int y = 0; y < readback.height; ++y) {
        for (int x = 0; x < readback.width; ++x) {
            if (readback.marked(x, y)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

std::vector<std::uint32_t> windowPixels() {
    SDL_Surface* surface = SDL_GetWindowSurface(getWindow());
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < surface->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < surface->w; ++x) {
            pixels.push_back(row[x] & 0xFFFFFFu);
        }
    }
    return pixels;
}

std::vector<std::uint32_t> windowDrawnBySdl() {
    SDL_SetRenderTarget(getRenderer(), nullptr);
    SDL_RenderClear(getRenderer());
    const VideoLayout layout = getVideoLayout();
    const SDL_Rect destination = {layout.scaleRectangle.x, layout.scaleRectangle.y,
                                  layout.scaleRectangle.w, layout.scaleRectangle.h};
    SDL_RenderCopyEx(getRenderer(), getPlayField(), nullptr, &destination,
                     static_cast<double>(layout.textureRotation), nullptr, SDL_FLIP_NONE);
    SDL_RenderFlush(getRenderer());
    return windowPixels();
}

int differingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    int differing = 0;
    for (std::size_t at = 0; at < a.size(); ++at) {
        differing += a[at] != b[at] ? 1 : 0;
    }
    return differing;
}

int litPixels(const std::vector<std::uint32_t>& pixels) {
    int lit = 0;
    for (std::uint32_t pixel : pixels) {
        lit += pixel != 0 ? 1 : 0;
    }
    return lit;
}

void pressAndRelease(InputAction action) {
    test_support::pushActionKey(action, true);
    runFramePass();
    test_support::pushActionKey(action, false);
    runFramePass();
}

long long picturesOver(int passes) {
    const long long before = getPicturesPresented();
    for (int pass = 0; pass < passes; ++pass) {
        runFramePass();
    }
    return getPicturesPresented() - before;
}

}  // namespace render_support
