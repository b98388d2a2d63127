// make_icon -- writes the desktop icon at every installed size from the sprite sheet PNG, into
// an icon theme tree: <dir>/<n>x<n>/apps/brickfall.png.
#include <cstdio>
#include <filesystem>
#include <string>

#include "icon_art.hpp"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {
bool loadSheet(const char* path, sheet_art::Image& sheet) {
    int channels = 0;
    stbi_uc* pixels = stbi_load(path, &sheet.width, &sheet.height, &channels, 4);
    if (pixels == nullptr) {
        return false;
    }
    sheet.rgba.assign(pixels, pixels + static_cast<std::size_t>(sheet.width) *
                                           static_cast<std::size_t>(sheet.height) * 4);
    stbi_image_free(pixels);
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon <sheet.png> <icon theme dir>\n");
        return 2;
    }
    sheet_art::Image sheet;
    if (!loadSheet(argv[1], sheet)) {
        std::fprintf(stderr, "make_icon: could not read %s\n", argv[1]);
        return 1;
    }
    const sheet_art::Image art = icon_art::composeIcon(sheet);
    if (art.rgba.empty()) {
        std::fprintf(stderr, "make_icon: %s is too small to hold the sprite cells\n", argv[1]);
        return 1;
    }
    for (const int factor : icon_art::kScaleFactors) {
        const sheet_art::Image icon = icon_art::scaleNearest(art, factor);
        const std::string size = std::to_string(icon.width);
        const std::filesystem::path dir =
            std::filesystem::path(argv[2]) / (size + "x" + size) / "apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        const std::string file = (dir / "brickfall.png").string();
        if (error || stbi_write_png(file.c_str(), icon.width, icon.height, 4, icon.rgba.data(),
                                    icon.width * 4) == 0) {
            std::fprintf(stderr, "make_icon: could not write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
