// engine_music_module -- the song in a browser, played by the game's own module player
// (music_module.hpp) through the mixer's music hook, ahead of the effects.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine_audio.hpp"
#include "engine_audio_device.hpp"
#include "engine_file_helper.hpp"
#include "engine_memory_helper.hpp"
#include "music_module.hpp"

namespace {
constexpr int kReadVolume = -1;
constexpr float kLargestVolume = MIX_MAX_VOLUME;

ModulePlayer player;
int playerChannels = 0;
bool playing = false;
bool paused = false;

// The mixer's hook, on its own thread where there is one; the mixer holds its lock meanwhile.
void mixSong(void* /*data*/, Uint8* stream, int length) {
    const int frames = length / static_cast<int>(sizeof(float)) / playerChannels;
    renderModule(player, reinterpret_cast<float*>(stream), frames, playerChannels,
                 static_cast<float>(Mix_VolumeMusic(kReadVolume)) / kLargestVolume);
}

MusicModule* readModule(const char* path) {
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::max<Sint64>(SDL_RWsize(file), 0)));
    const bool read = SDL_RWread(file, bytes.data(), 1, bytes.size()) == bytes.size();
    SDL_RWclose(file);
    auto* module = new MusicModule;
    if (!read || !parseModule(bytes.data(), bytes.size(), *module)) {
        delete module;
        return nullptr;
    }
    return module;
}

void setHook(bool sounding) {
    Mix_HookMusic(sounding ? mixSong : nullptr, nullptr);
}
}  // namespace

Song* loadSong(const char* relativeName) {
    auto* song = static_cast<Song*>(smalloc(sizeof(Song)));
    const char* path = getFileFullPath(relativeName);
    song->module = audioDeviceOpen() ? readModule(path) : nullptr;
    if (audioLoadFailed(song->module, path)) {
        reportAudioLoadFailure(kMusicMissing);
    }
    return song;
}

void freeSong(Song* song) {
    if (song == nullptr) {
        return;
    }
    if (song->module != nullptr) {
        if (player.module == song->module) {
            stopMusic();
            player.module = nullptr;
        }
        delete song->module;
    }
    std::free(song);
}

void playSong(Song* song) {
    // As on the desktop, a song is not started at volume 0.
    if (song == nullptr || song->module == nullptr || Mix_VolumeMusic(kReadVolume) <= 0) {
        return;
    }
    int rate = 0;
    Mix_QuerySpec(&rate, nullptr, &playerChannels);
    setHook(false);
    startModule(player, *song->module, rate);
    playing = true;
    paused = false;
    setHook(true);
}

void pauseMusic() {
    if (playing && !paused) {
        paused = true;
        setHook(false);
    }
}

void resumeMusic() {
    if (paused) {
        paused = false;
        setHook(true);
    }
}

void stopMusic() {
    if (playing) {
        setHook(false);
    }
    playing = false;
    paused = false;
}

bool songSounding() {
    return playing && !paused;
}
