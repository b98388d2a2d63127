// engine_audio -- the mixer device, music and sound-effect records and the two volumes.
#pragma once

#include <cstdint>

struct _Mix_Music;
struct Mix_Chunk;
struct MusicModule;

// Both records may hold nothing (a failed load, or no audio device); every operation below
// accepts such a record and does nothing with it. A browser plays the song with the game's own
// module player (music_module.hpp), the desktop with the mixer's.
#if defined(__EMSCRIPTEN__)
struct Song {
    MusicModule* module;
};
#else
struct Song {
    _Mix_Music* music;
};
#endif

struct SoundEffect {
    Mix_Chunk* chunk;
};

// Opens the audio device with chunks short enough that a sound follows its cause within a few
// frames. Without one (none on the machine, or busy) the game runs silent:
// loads give empty records, playing does nothing and both volumes read 0 and stay there.
void initializeAudio();
// Closes the device and unloads the mixer before SDL's audio subsystem goes down.
void quitAudio();
// A missing or unreadable file is reported, ends the game with a failure status and gives an
// empty record.
Song* loadSong(const char* relativeName);
void freeSong(Song* song);
// Repeats without end. At music volume 0 it is not started, and raising the volume later does
// not start it.
void playSong(Song* song);
void pauseMusic();
void resumeMusic();
// Stops the song, paused or not; the next playSong starts it from the top.
void stopMusic();
// Whether nothing can be heard: no effect sounding and no song playing unpaused, or no device.
bool isAudioSilent();
// Steps the volume within the mixer's 0 to 128.
void changeMusicVolume(std::int32_t step);
std::int32_t getMusicVolume();
// A missing or unreadable file is reported, ends the game with a failure status and gives an
// empty record.
SoundEffect* loadSoundEffect(const char* relativeName);
void freeSoundEffect(SoundEffect* effect);
// Plays the sample once; channel -1 takes the first free channel.
void playSoundEffect(SoundEffect* effect, std::int32_t channel);
// Called with every effect the game asks to play, device or not, so tests can count what a
// stage plays. Null, the default, calls nothing.
using SoundEffectObserver = void (*)(const SoundEffect* effect);
void setSoundEffectObserver(SoundEffectObserver observer);
// Steps the average of all channels and sets the result on every channel.
void changeSoundEffectVolume(std::int32_t step);
std::int32_t getSoundEffectVolume();
