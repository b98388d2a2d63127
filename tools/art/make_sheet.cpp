// make_sheet -- writes the sprite sheet PNG from the art drawn in sheet_art.
#include <cstdio>

#include "sheet_art.hpp"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sheet <output.png>\n");
        return 2;
    }
    const sheet_art::Image sheet = sheet_art::makeSheet();
    if (stbi_write_png(argv[1], sheet.width, sheet.height, 4, sheet.rgba.data(), sheet.width * 4) ==
        0) {
        std::fprintf(stderr, "make_sheet: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
