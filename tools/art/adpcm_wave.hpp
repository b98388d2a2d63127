// adpcm_wave -- the page's copies of the sound effects: 16-bit PCM WAV files made 4-bit IMA
// ADPCM, which SDL's own WAV loader decodes. A quarter of the bytes, and ADPCM compresses where
// the generated PCM hardly does; the desktop keeps the committed PCM.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace adpcm_wave {

struct Pcm {
    int rate = 0;
    std::vector<std::int16_t> samples;
};

// The samples of a mono 16-bit PCM WAV file as sound_art writes them; nothing for any other.
std::optional<Pcm> readPcmWave(const std::vector<std::uint8_t>& bytes);
// A mono IMA ADPCM WAV file of the samples, with a fact chunk naming their exact count.
std::vector<std::uint8_t> encodeImaAdpcmWave(const Pcm& pcm);

}  // namespace adpcm_wave
