// The page's ADPCM copies of the effects: that SDL's own loader decodes each to as many samples
// as the committed PCM holds, close to them, and that anything but our PCM is refused.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "adpcm_wave.hpp"

namespace {
// Decoded against the committed samples, the error's power stays this far below the signal's:
// 4-bit steps lag behind a square's edges (the effects make 19.7 to 26.4 dB), where a wrong
// nibble order or step table makes noise louder than the effect.
constexpr double kLeastSignalToErrorDb = 18.0;

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(AdpcmWave, SdlDecodesEachCopyToTheCommittedSamplesLength) {
    const std::filesystem::path effects =
        std::filesystem::path(BRICKFALL_SOURCE_DIR) / "Resources" / "SFX";
    // As the game loads them (engine_audio.cpp).
    SDL_SetHint(SDL_HINT_WAVE_FACT_CHUNK, "truncate");
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(effects)) {
        SCOPED_TRACE(entry.path().string());
        ++count;
        const std::vector<std::uint8_t> bytes = readBytes(entry.path().string());
        const auto pcm = adpcm_wave::readPcmWave(bytes);
        ASSERT_TRUE(pcm.has_value());
        std::vector<std::uint8_t> copy = adpcm_wave::encodeImaAdpcmWave(*pcm);
        // Four bits a sample and a 4-byte header a 256-byte block, and the last filled out.
        EXPECT_LE(copy.size(), bytes.size() * 26 / 100 + 256);
        SDL_AudioSpec spec;
        Uint8* buffer = nullptr;
        Uint32 length = 0;
        ASSERT_NE(SDL_LoadWAV_RW(SDL_RWFromConstMem(copy.data(), static_cast<int>(copy.size())), 1,
                                 &spec, &buffer, &length),
                  nullptr)
            << SDL_GetError();
        EXPECT_EQ(spec.format, AUDIO_S16LSB);
        EXPECT_EQ(spec.channels, 1);
        EXPECT_EQ(spec.freq, pcm->rate);
        ASSERT_EQ(length / 2, pcm->samples.size());
        double signal = 0.0;
        double error = 0.0;
        for (std::size_t i = 0; i < pcm->samples.size(); ++i) {
            std::int16_t decoded = 0;
            SDL_memcpy(&decoded, buffer + 2 * i, 2);
            signal += static_cast<double>(pcm->samples[i]) * pcm->samples[i];
            error += static_cast<double>(decoded - pcm->samples[i]) * (decoded - pcm->samples[i]);
        }
        SDL_FreeWAV(buffer);
        EXPECT_GT(10.0 * std::log10(signal / error), kLeastSignalToErrorDb);
    }
    EXPECT_EQ(count, 10) << "every effect";
}

TEST(AdpcmWave, RefusesAnythingButMono16BitPcm) {
    const std::vector<std::uint8_t> pcm =
        readBytes(std::string(BRICKFALL_SOURCE_DIR) + "/Resources/SFX/wall.wav");
    ASSERT_TRUE(adpcm_wave::readPcmWave(pcm).has_value());
    // Byte offsets in the header and what they are changed to: the format, the channels, the
    // bits a sample and the data's size.
    for (const auto& [at, value] :
         {std::pair{20, 3}, std::pair{22, 2}, std::pair{34, 8}, std::pair{40, 0}}) {
        std::vector<std::uint8_t> other = pcm;
        other[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
        EXPECT_FALSE(adpcm_wave::readPcmWave(other).has_value()) << "byte " << at;
    }
}
