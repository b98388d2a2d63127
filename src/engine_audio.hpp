// engine_audio -- the mixer device, music and sound-effect records and the two volumes.
#pragma once

#include <cstdint>

struct _Mix_Music;
struct Mix_Chunk;

struct Song {
    _Mix_Music* music;
};

struct SoundEffect {
    Mix_Chunk* chunk;
};

void initializeAudio();
void quitAudio();
Song* loadSong(const char* relativeName);
void freeSong(Song* song);
void playSong(Song* song);
void pauseMusic();
void resumeMusic();
void changeMusicVolume(std::int32_t step);
std::int32_t getMusicVolume();
SoundEffect* loadSoundEffect(const char* relativeName);
void freeSoundEffect(SoundEffect* effect);
void playSoundEffect(SoundEffect* effect, std::int32_t channel);
void changeSoundEffectVolume(std::int32_t step);
std::int32_t getSoundEffectVolume();
