// engine_audio_device -- what the song's half of the audio module (engine_music_mixer.cpp on
// the desktop, engine_music_module.cpp in a browser) shares with the device's (engine_audio.cpp).
#pragma once

inline constexpr char kMusicMissing[] =
    "A music file is missing or the executable is in the wrong directory.";

bool audioDeviceOpen();
// Whether a load failed: without a device, whether the file cannot be read.
bool audioLoadFailed(const void* loaded, const char* path);
void reportAudioLoadFailure(const char* text);
// Whether a song plays unpaused.
bool songSounding();
