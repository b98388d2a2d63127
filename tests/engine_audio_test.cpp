#include "engine_audio.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "input_devices.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

namespace {
constexpr int kDeviceRate = 44100;
constexpr int kBytesPerFrame = 4;  // 16-bit stereo, the format the device is opened with
constexpr char kMusicMessage[] =
    "FILE LOADING ERROR: A music file is missing or the executable is in the wrong directory.";
constexpr char kSoundMessage[] =
    "FILE LOADING ERROR: A sound file is missing or the executable is in the wrong directory.";

void writeLittleEndian(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

// A 16-bit stereo PCM file at the device's rate holding a quiet square wave.
void writeWave(const fs::path& file, int frames) {
    std::ofstream out(file, std::ios::binary);
    const auto dataBytes = static_cast<std::uint32_t>(frames * kBytesPerFrame);
    out << "RIFF";
    writeLittleEndian(out, 36 + dataBytes, 4);
    out << "WAVEfmt ";
    writeLittleEndian(out, 16, 4);
    writeLittleEndian(out, 1, 2);  // PCM
    writeLittleEndian(out, 2, 2);
    writeLittleEndian(out, kDeviceRate, 4);
    writeLittleEndian(out, kDeviceRate * kBytesPerFrame, 4);
    writeLittleEndian(out, kBytesPerFrame, 2);
    writeLittleEndian(out, 16, 2);
    out << "data";
    writeLittleEndian(out, dataBytes, 4);
    for (int frame = 0; frame < frames; ++frame) {
        const std::uint32_t sample = (frame / 50) % 2 == 0 ? 1000u : 0xFC18u;  // +-1000
        writeLittleEndian(out, sample, 2);
        writeLittleEndian(out, sample, 2);
    }
}

// A scratch folder, and names for its files as the loaders take them: relative to the
// resource folder beside the test binary, so on the same drive as that folder.
struct ScratchFolder {
    fs::path path = test_support::makeTemporaryDirectoryIn(BRICKFALL_BUILD_DIR);
    ~ScratchFolder() { test_support::removeDirectory(path.string()); }

    std::string resourceName(const std::string& file) const {
        char* base = SDL_GetBasePath();
        const fs::path resources = fs::path(base) / "Resources";
        SDL_free(base);
        return fs::relative(path / file, resources).string();
    }
};

class Audio : public ::testing::Test {
  protected:
    void SetUp() override {
        initializeFileHelper(kResourceNameRoom);
        initializeAudio();
        ASSERT_NE(Mix_QuerySpec(nullptr, nullptr, nullptr), 0) << "the dummy device is open";
    }
    void TearDown() override {
        quitAudio();
        quitFileHelper();
        SDL_Quit();
    }
};

std::atomic<long> effectBytes{0};
std::atomic<bool> effectDone{false};

void countBytes(int /*channel*/, void* /*stream*/, int length, void* /*data*/) {
    effectBytes += length;
}
void markDone(int /*channel*/, void* /*data*/) {
    effectDone = true;
}

bool waitFor(bool (*condition)(), Uint32 milliseconds) {
    const Uint64 deadline = SDL_GetTicks64() + milliseconds;
    while (!condition()) {
        if (SDL_GetTicks64() > deadline) {
            return false;
        }
        SDL_Delay(5);
    }
    return true;
}
}  // namespace

TEST_F(Audio, VolumesStayWithinTheMixersBounds) {
    const struct {
        const char* name;
        void (*change)(std::int32_t);
        std::int32_t (*get)();
    } volumes[] = {
        {"music", changeMusicVolume, getMusicVolume},
        {"sound effects", changeSoundEffectVolume, getSoundEffectVolume},
    };
    for (const auto& v : volumes) {
        SCOPED_TRACE(v.name);
        v.change(1000);
        ASSERT_EQ(v.get(), MIX_MAX_VOLUME);
        v.change(+1);
        EXPECT_EQ(v.get(), 128) << "raising from 128 keeps 128";
        v.change(-1);
        EXPECT_EQ(v.get(), 127);

        v.change(-v.get());
        ASSERT_EQ(v.get(), 0);
        v.change(-1);
        EXPECT_EQ(v.get(), 0) << "lowering from 0 keeps 0";
        v.change(+1);
        EXPECT_EQ(v.get(), 1);
    }
}

TEST_F(Audio, SoundEffectVolumeChangeLeavesEveryChannelOnOneVolume) {
    const int channels = Mix_AllocateChannels(-1);
    ASSERT_GE(channels, 2);
    for (const int step : {+1, -1}) {
        SCOPED_TRACE(step);
        for (int channel = 0; channel < channels; ++channel) {
            Mix_Volume(channel, 7 + 13 * channel);
        }
        const int average = Mix_Volume(-1, -1);
        changeSoundEffectVolume(step);
        for (int channel = 0; channel < channels; ++channel) {
            EXPECT_EQ(Mix_Volume(channel, -1), average + step) << "channel " << channel;
        }
        EXPECT_EQ(getSoundEffectVolume(), average + step);
    }
}

TEST_F(Audio, PauseAndResumeWithoutMusicChangeNothing) {
    pauseMusic();
    EXPECT_EQ(Mix_PausedMusic(), 0) << "nothing was playing, so nothing is paused";
    resumeMusic();
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    EXPECT_EQ(Mix_PausedMusic(), 0);
}

TEST_F(Audio, SongRepeatsAndPausesAndResumes) {
    ScratchFolder folder;
    writeWave(folder.path / "song.wav", kDeviceRate / 20);  // 50 ms
    Song* song = loadSong(folder.resourceName("song.wav").c_str());
    ASSERT_NE(song->music, nullptr);
    EXPECT_FALSE(getQuit());

    playSong(song);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    SDL_Delay(400);
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "a song starts again each time it ends";

    pauseMusic();
    EXPECT_EQ(Mix_PausedMusic(), 1);
    resumeMusic();
    EXPECT_EQ(Mix_PausedMusic(), 0);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    freeSong(song);
}

// A page puts its sound to rest while nothing can be heard, so a sounding effect or an unpaused
// song must never count as silence.
TEST_F(Audio, OnlyAnUnpausedSongOrASoundingEffectIsHeard) {
    ScratchFolder folder;
    writeWave(folder.path / "song.wav", kDeviceRate / 20);
    writeWave(folder.path / "blip.wav", 2205);
    Song* song = loadSong(folder.resourceName("song.wav").c_str());
    SoundEffect* effect = loadSoundEffect(folder.resourceName("blip.wav").c_str());
    ASSERT_NE(song->music, nullptr);
    ASSERT_NE(effect->chunk, nullptr);
    struct Step {
        const char* what;
        void (*act)(Song*, SoundEffect*);
        bool silent;
    };
    const Step steps[] = {
        {"nothing played yet", [](Song*, SoundEffect*) {}, true},
        {"the song playing", [](Song* s, SoundEffect*) { playSong(s); }, false},
        {"the song paused", [](Song*, SoundEffect*) { pauseMusic(); }, true},
        {"the song resumed", [](Song*, SoundEffect*) { resumeMusic(); }, false},
        {"the song stopped", [](Song*, SoundEffect*) { stopMusic(); }, true},
        {"an effect sounding", [](Song*, SoundEffect* e) { playSoundEffect(e, 0); }, false},
    };
    for (const Step& step : steps) {
        step.act(song, effect);
        EXPECT_EQ(isAudioSilent(), step.silent) << step.what;
    }
    EXPECT_TRUE(waitFor([] { return Mix_Playing(0) == 0; }, 5000));
    EXPECT_TRUE(isAudioSilent()) << "the effect has ended";
    freeSoundEffect(effect);
    freeSong(song);
}

TEST_F(Audio, SoundEffectPlaysExactlyOnce) {
    ScratchFolder folder;
    writeWave(folder.path / "blip.wav", 2205);
    SoundEffect* effect = loadSoundEffect(folder.resourceName("blip.wav").c_str());
    ASSERT_NE(effect->chunk, nullptr);

    // Every byte the mixer takes from the sample passes through the channel's effect.
    constexpr int kChannel = 0;
    ASSERT_NE(Mix_RegisterEffect(kChannel, countBytes, markDone, nullptr), 0) << Mix_GetError();
    playSoundEffect(effect, kChannel);
    EXPECT_EQ(Mix_Playing(kChannel), 1);
    ASSERT_TRUE(waitFor([] { return effectDone.load() && Mix_Playing(kChannel) == 0; }, 5000));
    EXPECT_EQ(effectBytes.load(), static_cast<long>(effect->chunk->alen))
        << "the sample was mixed " << static_cast<double>(effectBytes) / effect->chunk->alen
        << " times";
    freeSoundEffect(effect);
}

namespace {
enum class Loader { Song, Sound };
struct FailedLoadCase {
    const char* name;
    Loader loader;
    const char* contents;  // null: no file at all
};

void PrintTo(const FailedLoadCase& c, std::ostream* out) {
    *out << c.name;
}

class FailedLoad : public Audio, public ::testing::WithParamInterface<FailedLoadCase> {};
}  // namespace

TEST_P(FailedLoad, ReportsQuitsAndReturnsARecordEveryOperationAccepts) {
    const FailedLoadCase& c = GetParam();
    ScratchFolder folder;
    if (c.contents != nullptr) {
        std::ofstream(folder.path / "broken", std::ios::binary) << c.contents;
    }
    const std::string name = folder.resourceName("broken");
    test_support::StandardErrorCapture capture;
    std::string errors;
    if (c.loader == Loader::Song) {
        Song* song = loadSong(name.c_str());
        errors = capture.finish();
        ASSERT_NE(song, nullptr);
        EXPECT_EQ(song->music, nullptr);
        playSong(song);
        EXPECT_EQ(Mix_PlayingMusic(), 0);
        pauseMusic();
        resumeMusic();
        freeSong(song);
        EXPECT_EQ(errors, std::string(kMusicMessage) + "\n");
    } else {
        SoundEffect* effect = loadSoundEffect(name.c_str());
        errors = capture.finish();
        ASSERT_NE(effect, nullptr);
        EXPECT_EQ(effect->chunk, nullptr);
        playSoundEffect(effect, -1);
        EXPECT_EQ(Mix_Playing(-1), 0);
        freeSoundEffect(effect);
        EXPECT_EQ(errors, std::string(kSoundMessage) + "\n");
    }
    EXPECT_TRUE(getQuit());
    EXPECT_TRUE(hasFailed()) << "the game ends with a failure status";
}

INSTANTIATE_TEST_SUITE_P(
    MissingOrUnreadable, FailedLoad,
    ::testing::Values(FailedLoadCase{"MissingSong", Loader::Song, nullptr},
                      FailedLoadCase{"UnreadableSong", Loader::Song, "not music at all"},
                      FailedLoadCase{"MissingSound", Loader::Sound, nullptr},
                      FailedLoadCase{"UnreadableSound", Loader::Sound, "not a sound at all"}),
    [](const ::testing::TestParamInfo<FailedLoadCase>& param) { return param.param.name; });

TEST(AudioShutdown, ClosesTheDeviceWhileTheAudioSubsystemStillRuns) {
    initializeAudio();
    ASSERT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    ASSERT_NE(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
    SDL_ClearError();
    quitAudio();
    // Closing the mixer after the subsystem is gone fails with "Invalid audio device ID".
    EXPECT_STREQ(SDL_GetError(), "");
    EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);

    // Brought up again, the device opens as at first start-up.
    initializeAudio();
    EXPECT_NE(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
    quitAudio();
    SDL_Quit();
}

namespace {
class AudioWithoutDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        initializeFileHelper(kResourceNameRoom);
        initializeAudio();
        ASSERT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
    }
    void TearDown() override {
        quitAudio();
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
        quitFileHelper();
        SDL_Quit();
    }
};
}  // namespace

TEST_F(AudioWithoutDevice, RunsSilentWithBothVolumesAtZero) {
    for (const int step : {+1, -1, +1}) {
        changeMusicVolume(step);
        changeSoundEffectVolume(step);
        EXPECT_EQ(getMusicVolume(), 0);
        EXPECT_EQ(getSoundEffectVolume(), 0);
    }

    ScratchFolder folder;
    writeWave(folder.path / "tone.wav", 2205);
    // Without a device nothing is decoded, so a file that could not be is no error either.
    std::ofstream(folder.path / "noise.bin", std::ios::binary) << "not a sound at all";
    const std::string name = folder.resourceName("tone.wav");
    const std::string undecodable = folder.resourceName("noise.bin");
    test_support::StandardErrorCapture capture;
    Song* song = loadSong(name.c_str());
    SoundEffect* effect = loadSoundEffect(name.c_str());
    freeSong(loadSong(undecodable.c_str()));
    freeSoundEffect(loadSoundEffect(undecodable.c_str()));
    EXPECT_EQ(capture.finish(), "") << "a file that is there is not reported";
    EXPECT_FALSE(hasFailed());
    EXPECT_FALSE(getQuit());
    ASSERT_NE(song, nullptr);
    ASSERT_NE(effect, nullptr);
    playSong(song);
    pauseMusic();
    resumeMusic();
    playSoundEffect(effect, -1);
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    EXPECT_EQ(Mix_Playing(-1), 0);
    EXPECT_TRUE(isAudioSilent());
    freeSong(song);
    freeSoundEffect(effect);
}

TEST_F(AudioWithoutDevice, MissingFileIsStillReported) {
    ScratchFolder folder;
    const std::string name = folder.resourceName("absent.ogg");
    test_support::StandardErrorCapture capture;
    Song* song = loadSong(name.c_str());
    EXPECT_EQ(capture.finish(), std::string(kMusicMessage) + "\n");
    EXPECT_TRUE(getQuit());
    freeSong(song);
}

#if BRICKFALL_TESTS_START_PROGRAMS
TEST(AudioProcess, GameWithoutAnAudioDeviceEndsAsOneWithADevice) {
    const std::vector<std::string> withDevice = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
                                                 "SDL_RENDER_DRIVER=software"};
    std::vector<std::string> withoutDevice = withDevice;
    withoutDevice[1] = "SDL_AUDIODRIVER=no-such-driver";
    // Asked to close after a second, as a desktop session would.
    const auto heard = test_support::runProcess({BRICKFALL_GAME_BINARY}, withDevice, 30.0, 1.0);
    const auto silent = test_support::runProcess({BRICKFALL_GAME_BINARY}, withoutDevice, 30.0, 1.0);
    EXPECT_FALSE(silent.timedOut);
    EXPECT_NE(silent.exitStatus, -1) << "ended by a signal\n" << silent.standardError;
    EXPECT_EQ(silent.exitStatus, heard.exitStatus) << silent.standardError;
    EXPECT_EQ(silent.standardError.find("Sanitizer"), std::string::npos) << silent.standardError;
    EXPECT_EQ(silent.standardError.find("runtime error"), std::string::npos)
        << silent.standardError;
}
#endif
