// sound_art -- the game's sound effects and stage tune, designed in code: envelopes over square,
// triangle and noise sources for the effects, and a four-channel tracker module for the tune.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sound_art {

inline constexpr int kEffectRate = 44100;
// The tune: six patterns of 64 rows at 6 ticks a row and 125 beats a minute (50 ticks a second).
inline constexpr double kTuneSeconds = 6 * 64 * 6 / 50.0;

// One generated file: its path under Resources/ and its bytes.
struct SoundFile {
    std::string path;
    std::vector<std::uint8_t> bytes;
};

// One effect as mono 16-bit samples at kEffectRate.
struct Effect {
    std::string path;
    std::vector<std::int16_t> samples;
};

// Every effect the designs below make; the same every call.
std::vector<Effect> makeEffects();
// A mono 16-bit PCM WAV file holding the samples.
std::vector<std::uint8_t> encodeWave(const std::vector<std::int16_t>& samples);
// The stage tune as a ProTracker "M.K." module.
std::vector<std::uint8_t> makeTune();
// Every file the game loads: the effects as WAV files, then the tune.
std::vector<SoundFile> makeSoundFiles();

}  // namespace sound_art
