// Shared helpers for drawing tests: a headless renderer, test images in the resource folder,
// pixels read back from the play field and the window, and frame passes that count pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine_input.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"
#include "sheet_art.hpp"

namespace render_support {

// Writes an RGBA image as a PNG into the build's Resources/IMG/ under a name unique to this
// process and returns the name newSprite takes ("IMG//...").
std::string writeResourcePng(const std::string& stem, int width, int height,
                             const std::vector<std::uint8_t>& rgba);
void removeResource(const std::string& relativeName);

// A PNG file decoded to RGBA; empty when it cannot be read.
sheet_art::Image readPng(const std::string& path);

// Every pixel names its own place: red = 4x, green = 2y, blue = kMark, opaque. Up to 64 by 128.
inline constexpr std::uint8_t kMark = 200;
std::vector<std::uint8_t> coordinateImage(int width, int height);

struct Pixel {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

// The current render target, read back through the renderer.
struct Readback {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;

    Pixel at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    // Whether the pixel came from a coordinate image, and which source pixel it shows.
    bool marked(int x, int y) const { return at(x, y).b == kMark; }
    int sourceX(int x, int y) const { return at(x, y).r / 4; }
    int sourceY(int x, int y) const { return at(x, y).g / 2; }
    int markedCount() const;
};
Readback readTarget();

// Inclusive bounds of the marked pixels; empty when right < left.
struct Box {
    int left;
    int top;
    int right;
    int bottom;
};
Box markedBox(const Readback& readback);

// The window's pixels as 0xRRGGBB, row after row.
std::vector<std::uint32_t> windowPixels();
// The window as SDL's own scaled, turned copy of the play field draws it; it leaves that
// picture in the window.
std::vector<std::uint32_t> windowDrawnBySdl();
// Pixels that differ between two pictures of one size; -1 when the sizes differ.
int differingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);
int litPixels(const std::vector<std::uint32_t>& pixels);

// A press a scene sees once: the key down for one frame pass and up for the next.
void pressAndRelease(InputAction action);
// Pictures the window was sent over that many frame passes.
long long picturesOver(int passes);

}  // namespace render_support
