// engine_audio -- the mixer device, music and sound-effect records and the two volumes.
#include "engine_audio.hpp"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>

#include "engine_audio_device.hpp"
#include "engine_audio_limiter.hpp"
#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "engine_memory_helper.hpp"

namespace {
constexpr int kFrequency = 44100;
constexpr int kStereo = 2;
// Samples per mixing chunk: 23 ms at 44.1 kHz, so an effect sounds within a few frames of its
// cause. Half that let the device run dry now and then on a busy machine.
constexpr int kChunkSize = 1024;
constexpr int kAllChannels = -1;
constexpr int kReadVolume = -1;
constexpr int kNoRepeat = 0;

constexpr char kLoadErrorTitle[] = "FILE LOADING ERROR";
constexpr char kSoundMissing[] =
    "A sound file is missing or the executable is in the wrong directory.";

bool subsystemUp = false;
bool deviceOpen = false;
SoundEffectObserver soundEffectObserver = nullptr;
// Written only by the mixer's thread once the device is open.
AudioLimiter limiter;
int deviceChannels = 0;

// The mixer's last step on every chunk, on its own thread.
void limitMix(int /*channel*/, void* stream, int length, void* /*data*/) {
    const int frames = length / static_cast<int>(sizeof(float)) / deviceChannels;
    limitFrames(limiter, static_cast<float*>(stream), frames, deviceChannels);
}

bool fileReadable(const char* path) {
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    SDL_RWclose(file);
    return true;
}
}  // namespace

bool audioDeviceOpen() {
    return deviceOpen;
}

// The mixer decodes only for an open device. Without one the record stays empty, but a file
// that is not there is reported all the same, so a missing file never depends on the machine.
bool audioLoadFailed(const void* loaded, const char* path) {
    if (deviceOpen) {
        return loaded == nullptr;
    }
    return !fileReadable(path);
}

void reportAudioLoadFailure(const char* text) {
    failGame(kLoadErrorTitle, text);
}

void initializeAudio() {
    // The page's effects are IMA ADPCM (tools/art/adpcm_wave.hpp), whose last block is filled
    // out: their fact chunk says where their samples end, which SDL ignores unless told.
    SDL_SetHint(SDL_HINT_WAVE_FACT_CHUNK, "truncate");
    subsystemUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    Mix_Init(MIX_INIT_MOD);
    // A missing or busy device leaves the game silent rather than stopping it. The mixer sums in
    // floats, where a sum past full scale is kept rather than clipped, so the limiter can bring
    // the loudest moments down whole before SDL hands the device its own format.
    deviceOpen = subsystemUp && Mix_OpenAudio(kFrequency, AUDIO_F32SYS, kStereo, kChunkSize) == 0;
    if (deviceOpen && Mix_QuerySpec(nullptr, nullptr, &deviceChannels) != 0 &&
        deviceChannels <= kLimiterMostChannels) {
        resetLimiter(limiter);
        Mix_RegisterEffect(MIX_CHANNEL_POST, limitMix, nullptr, nullptr);
    }
}

void quitAudio() {
    // The mixer's device belongs to SDL's audio subsystem, so it is closed while that still runs.
    if (deviceOpen) {
        Mix_CloseAudio();
    }
    Mix_Quit();
    if (subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    deviceOpen = false;
    subsystemUp = false;
}

bool isAudioSilent() {
    return !deviceOpen || (Mix_Playing(-1) == 0 && !songSounding());
}

void changeMusicVolume(std::int32_t step) {
    if (!deviceOpen) {
        return;
    }
    // The mixer bounds the volume: above the maximum it sets the maximum, below 0 it keeps it.
    Mix_VolumeMusic(Mix_VolumeMusic(kReadVolume) + step);
}

std::int32_t getMusicVolume() {
    return deviceOpen ? Mix_VolumeMusic(kReadVolume) : 0;
}

SoundEffect* loadSoundEffect(const char* relativeName) {
    auto* effect = static_cast<SoundEffect*>(smalloc(sizeof(SoundEffect)));
    const char* path = getFileFullPath(relativeName);
    effect->chunk = deviceOpen ? Mix_LoadWAV(path) : nullptr;
    if (audioLoadFailed(effect->chunk, path)) {
        reportAudioLoadFailure(kSoundMissing);
    }
    return effect;
}

void freeSoundEffect(SoundEffect* effect) {
    if (effect == nullptr) {
        return;
    }
    if (effect->chunk != nullptr) {
        Mix_FreeChunk(effect->chunk);
    }
    std::free(effect);
}

void playSoundEffect(SoundEffect* effect, std::int32_t channel) {
    if (effect != nullptr && soundEffectObserver != nullptr) {
        soundEffectObserver(effect);
    }
    if (effect != nullptr && effect->chunk != nullptr) {
        Mix_PlayChannel(channel, effect->chunk, kNoRepeat);
    }
}

void changeSoundEffectVolume(std::int32_t step) {
    if (!deviceOpen) {
        return;
    }
    // Setting every channel at once leaves them all on one volume, whatever they held before.
    Mix_Volume(kAllChannels, Mix_Volume(kAllChannels, kReadVolume) + step);
}

std::int32_t getSoundEffectVolume() {
    return deviceOpen ? Mix_Volume(kAllChannels, kReadVolume) : 0;
}

void setSoundEffectObserver(SoundEffectObserver observer) {
    soundEffectObserver = observer;
}
