// make_sounds -- writes the sound effects and the stage tune designed in sound_art.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "sound_art.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds <Resources folder>\n");
        return 2;
    }
    const std::filesystem::path resources = argv[1];
    for (const sound_art::SoundFile& file : sound_art::makeSoundFiles()) {
        const std::filesystem::path path = resources / file.path;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "make_sounds: could not write %s\n", path.string().c_str());
            return 1;
        }
    }
    return 0;
}
