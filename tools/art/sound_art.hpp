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

// The tonal waveforms the effects and the tune's instruments are made of; noise is the other
// source, and is not an oscillator.
enum class Shape { Square, Triangle };

// One oscillator as a design drives it, alone: its waveform at full level and without an
// envelope, starting at phase 0 at fromHz and gliding linearly towards toHz over `count`
// samples taken `rate` times a second.
struct OscillatorRun {
    std::string source;  // the effect or instrument that plays it, for messages
    Shape shape;
    double duty;  // share of a square's cycle spent high
    double fromHz;
    double toHz;
    int count;
    double rate;
};

// The samples of a run, band-limited: no harmonic is made at or above the Nyquist frequency.
std::vector<double> oscillate(const OscillatorRun& run);

// Every tonal voice of every effect, as its effect drives it.
std::vector<OscillatorRun> effectOscillators();

// A note at C-3 (period 214) plays a module's samples at this rate on a PAL Amiga; a note n
// semitones higher plays the same samples 2^(n/12) times as fast.
inline constexpr double kAmigaClock = 7093789.2;
inline constexpr double kC3Rate = kAmigaClock / (2.0 * 214.0);

// The tonal oscillator of one of the tune's instruments, as a note at C-3 drives it.
struct InstrumentOscillator {
    int sampleNumber;  // in the module, from 1
    OscillatorRun run;
};
// Every instrument that has a tonal oscillator; the hat is noise alone.
std::vector<InstrumentOscillator> instrumentOscillators();

// Every effect the designs below make; the same every call.
std::vector<Effect> makeEffects();
// A mono 16-bit PCM WAV file holding the samples.
std::vector<std::uint8_t> encodeWave(const std::vector<std::int16_t>& samples);
// The stage tune as a ProTracker "M.K." module.
std::vector<std::uint8_t> makeTune();
// Every file the game loads: the effects as WAV files, then the tune.
std::vector<SoundFile> makeSoundFiles();

}  // namespace sound_art
