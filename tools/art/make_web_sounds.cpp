// make_web_sounds -- writes the page's copies of the committed sound effects as IMA ADPCM.
//   make_web_sounds <committed effect.wav> <copy.wav>...   (pairs)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "adpcm_wave.hpp"

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 != 1) {
        std::fprintf(stderr, "usage: make_web_sounds <effect.wav> <copy.wav>...\n");
        return 2;
    }
    for (int pair = 1; pair < argc; pair += 2) {
        std::ifstream in(argv[pair], std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        const std::optional<adpcm_wave::Pcm> pcm = adpcm_wave::readPcmWave(bytes);
        if (!pcm) {
            std::fprintf(stderr, "make_web_sounds: %s is not a mono 16-bit PCM WAV file\n",
                         argv[pair]);
            return 1;
        }
        const std::vector<std::uint8_t> copy = adpcm_wave::encodeImaAdpcmWave(*pcm);
        const std::filesystem::path path = argv[pair + 1];
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(copy.data()),
                  static_cast<std::streamsize>(copy.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "make_web_sounds: could not write %s\n", argv[pair + 1]);
            return 1;
        }
    }
    return 0;
}
