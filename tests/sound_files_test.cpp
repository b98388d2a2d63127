// The committed sounds: that they are what the designs in code make today, that every effect is
// short, starts and ends without a click and is heard, and that the mixer plays the tune for
// as long as it was written to last.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game_stage_sounds.hpp"
#include "sound_art.hpp"

namespace {
const std::string kCommitted = std::string(BRICKFALL_SOURCE_DIR) + "/Resources/";
const std::string kBuilt = std::string(BRICKFALL_BUILD_DIR) + "/Resources/";

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The samples of a committed effect as SDL decodes the file, with the format it found.
struct Decoded {
    SDL_AudioSpec audio = {};
    std::vector<std::int16_t> samples;
};

Decoded decodeWave(const std::string& path) {
    Decoded decoded;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV(path.c_str(), &decoded.audio, &buffer, &length) == nullptr) {
        ADD_FAILURE() << path << ": " << SDL_GetError();
        return decoded;
    }
    decoded.samples.resize(length / sizeof(std::int16_t));
    std::copy_n(buffer, decoded.samples.size() * sizeof(std::int16_t),
                reinterpret_cast<Uint8*>(decoded.samples.data()));
    SDL_FreeWAV(buffer);
    return decoded;
}

constexpr int kFullScale = 32767;
}  // namespace

TEST(SoundFiles, CommittedAndBuiltFilesAreWhatTheDesignsMake) {
    const std::vector<sound_art::SoundFile> files = sound_art::makeSoundFiles();
    ASSERT_EQ(files.size(), 11u) << "ten effects and the tune";
    for (const sound_art::SoundFile& file : files) {
        SCOPED_TRACE(file.path);
        EXPECT_TRUE(readBytes(kCommitted + file.path) == file.bytes)
            << "run `cmake --build build --target sounds` and commit the result";
        EXPECT_TRUE(readBytes(kBuilt + file.path) == file.bytes)
            << "the build's copy beside the executable is stale";
    }
}

TEST(SoundFiles, EveryEffectIsShortClicklessAndHeard) {
    constexpr double kLongest = 0.25;
    // A step of 1% of full scale at either end is below what a listener hears as a click.
    constexpr int kQuietEdge = kFullScale / 100;
    constexpr int kLoudestAtLeast = kFullScale / 5;
    constexpr double kRmsAtLeast = kFullScale / 30.0;
    for (const sound_art::Effect& effect : sound_art::makeEffects()) {
        SCOPED_TRACE(effect.path);
        const Decoded decoded = decodeWave(kCommitted + effect.path);
        ASSERT_FALSE(decoded.samples.empty());
        EXPECT_EQ(decoded.audio.freq, 44100);
        EXPECT_EQ(decoded.audio.format, AUDIO_S16LSB);
        EXPECT_EQ(decoded.audio.channels, 1);
        const double seconds = static_cast<double>(decoded.samples.size()) / decoded.audio.freq;
        EXPECT_LT(seconds, kLongest);

        EXPECT_LE(std::abs(decoded.samples.front()), kQuietEdge) << "a click at the start";
        EXPECT_LE(std::abs(decoded.samples.back()), kQuietEdge) << "a click at the end";
        int loudest = 0;
        double energy = 0.0;
        for (const std::int16_t sample : decoded.samples) {
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
            energy += static_cast<double>(sample) * sample;
        }
        EXPECT_GE(loudest, kLoudestAtLeast);
        EXPECT_LT(loudest, kFullScale) << "clipped";
        EXPECT_GE(std::sqrt(energy / static_cast<double>(decoded.samples.size())), kRmsAtLeast);
    }
}

TEST(SoundFiles, TuneIsAFourChannelModuleTheMixerPlaysForItsWrittenLength) {
    const std::vector<std::uint8_t> tune = readBytes(kCommitted + kStageSongName.c_str());
    ASSERT_GT(tune.size(), 1084u);
    // ProTracker's signature for four channels and 31 samples, after the order table.
    EXPECT_EQ(std::string(tune.begin() + 1080, tune.begin() + 1084), "M.K.");

    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_NE(Mix_Init(MIX_INIT_MOD) & MIX_INIT_MOD, 0) << Mix_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 1024), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS((kCommitted + kStageSongName.c_str()).c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    EXPECT_EQ(Mix_GetMusicType(music), MUS_MOD);
    // The mixer's module player reports whole seconds.
    EXPECT_NEAR(Mix_MusicDuration(music), sound_art::kTuneSeconds, 1.0);
    EXPECT_GE(sound_art::kTuneSeconds, 30.0);
    EXPECT_LE(sound_art::kTuneSeconds, 60.0);
    ASSERT_EQ(Mix_PlayMusic(music, -1), 0) << Mix_GetError();
    SDL_Delay(200);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_Quit();
}
