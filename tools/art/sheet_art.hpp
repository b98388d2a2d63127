// sheet_art -- the pixels of the sprite sheet: glyphs, page icons and sprites, drawn in code.
#pragma once

#include <cstdint>
#include <vector>

namespace sheet_art {

// Rows packed, 4 bytes per pixel in the order red, green, blue, alpha.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// The whole sheet as the art below draws it; the same every call.
Image makeSheet();

}  // namespace sheet_art
