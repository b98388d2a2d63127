// make_icon -- writes the game's icon from the sprite sheet PNG: at every installed size into
// an icon theme tree, <dir>/<n>x<n>/apps/brickfall.png, or at one size into one file, as the
// web page's manifest and a phone's home screen want its icons.
#include <cstdio>
#include <cstdlib>
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

bool writeIcon(const sheet_art::Image& icon, const std::string& file) {
    if (stbi_write_png(file.c_str(), icon.width, icon.height, 4, icon.rgba.data(),
                       icon.width * 4) == 0) {
        std::fprintf(stderr, "make_icon: could not write %s\n", file.c_str());
        return false;
    }
    return true;
}

bool writeIconTheme(const sheet_art::Image& art, const std::filesystem::path& theme) {
    for (const int factor : icon_art::kScaleFactors) {
        const std::string size = std::to_string(art.width * factor);
        const std::filesystem::path dir = theme / (size + "x" + size) / "apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (error) {
            std::fprintf(stderr, "make_icon: could not make %s\n", dir.string().c_str());
            return false;
        }
        if (!writeIcon(icon_art::scaleNearest(art, factor), (dir / "brickfall.png").string())) {
            return false;
        }
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr,
                     "usage: make_icon <sheet.png> <icon theme dir>\n"
                     "       make_icon <sheet.png> <icon.png> <size>\n"
                     "The art is scaled by whole pixels, so it stays sharp: by the largest factor\n"
                     "that fits the size, centred on a transparent margin if it is no multiple\n"
                     "of %d.\n",
                     icon_art::kArtSize);
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
    if (argc == 3) {
        return writeIconTheme(art, argv[2]) ? 0 : 1;
    }
    const sheet_art::Image icon = icon_art::scaleToFit(art, std::atoi(argv[3]));
    if (icon.rgba.empty()) {
        std::fprintf(stderr, "make_icon: %s is below %d\n", argv[3], icon_art::kArtSize);
        return 2;
    }
    return writeIcon(icon, argv[2]) ? 0 : 1;
}
