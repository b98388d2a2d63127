// engine_music_mixer -- the song, as the mixer's module player plays it.
#include <SDL_mixer.h>

#include <cstdlib>

#include "engine_audio.hpp"
#include "engine_audio_device.hpp"
#include "engine_file_helper.hpp"
#include "engine_memory_helper.hpp"

namespace {
constexpr int kReadVolume = -1;
constexpr int kRepeatForever = -1;
}  // namespace

Song* loadSong(const char* relativeName) {
    auto* song = static_cast<Song*>(smalloc(sizeof(Song)));
    const char* path = getFileFullPath(relativeName);
    song->music = audioDeviceOpen() ? Mix_LoadMUS(path) : nullptr;
    if (audioLoadFailed(song->music, path)) {
        reportAudioLoadFailure(kMusicMissing);
    }
    return song;
}

void freeSong(Song* song) {
    if (song == nullptr) {
        return;
    }
    if (song->music != nullptr) {
        Mix_FreeMusic(song->music);
    }
    std::free(song);
}

void playSong(Song* song) {
    // The module player never mixes quieter than its floor of 1/512, so a song started at
    // volume 0 would still be faintly heard.
    if (song != nullptr && song->music != nullptr && Mix_VolumeMusic(kReadVolume) > 0) {
        Mix_PlayMusic(song->music, kRepeatForever);
    }
}

void pauseMusic() {
    if (Mix_PlayingMusic() != 0) {
        Mix_PauseMusic();
    }
}

void resumeMusic() {
    if (Mix_PausedMusic() != 0) {
        Mix_ResumeMusic();
    }
}

void stopMusic() {
    if (audioDeviceOpen()) {
        Mix_HaltMusic();
    }
}

bool songSounding() {
    return Mix_PlayingMusic() != 0 && Mix_PausedMusic() == 0;
}
