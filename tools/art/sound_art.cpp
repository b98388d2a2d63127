// sound_art -- the game's sound effects and stage tune, designed in code: envelopes over square,
// triangle and noise sources for the effects, and a four-channel tracker module for the tune.
#include "sound_art.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "game_stage_sounds.hpp"

namespace sound_art {
namespace {

// ---- Sources shared by the effects and the tune's instruments ----

enum class Source { Square, Triangle, Noise };

// A 15-bit shift register, as the noise channels of old sound chips used: a fixed sequence,
// so the generated files are the same on every run.
class Noise {
  public:
    double value() const { return (state_ & 1u) != 0 ? 1.0 : -1.0; }
    void step() {
        const std::uint32_t bit = (state_ ^ (state_ >> 1)) & 1u;
        state_ = (state_ >> 1) | (bit << 14);
    }

  private:
    std::uint32_t state_ = 0x4A3Bu;
};

// The tonal sources are built by additive synthesis: each harmonic of the ideal waveform is a
// sine of its own, and none is made above 90% of the Nyquist frequency, so nothing folds back
// below it. The files are made offline, where summing a few hundred sines a sample costs
// nothing, and the result is exact; a square with the two-sample PolyBLEP correction, put
// through the same spectral test, kept folded harmonics only 23 to 53 dB below its fundamental
// between 110 Hz and 5 kHz. A glide carries harmonics across that limit:
// each fades out over the last 50 ms before it reaches it (or in over the first 50 ms after,
// gliding down), as a harmonic switched off at once would click.
constexpr double kHighestShare = 0.9;
constexpr double kFadeSeconds = 0.05;
constexpr double kPi = 3.14159265358979323846;

// A harmonic at `hz` gliding `hzPerSecond`, against the highest frequency made.
double harmonicGain(double hz, double hzPerSecond, double highest) {
    if (hz >= highest) {
        return 0.0;
    }
    if (hzPerSecond == 0.0) {
        return 1.0;
    }
    const double secondsAway = (highest - hz) / std::abs(hzPerSecond);
    if (secondsAway >= kFadeSeconds) {
        return 1.0;
    }
    return 0.5 - 0.5 * std::cos(kPi * secondsAway / kFadeSeconds);
}

// The Fourier series of one cycle, phase 0 to 1: harmonic h sounds as the real part of
// series[h] * e^(2 pi i h phase). The square is high for the first `duty` of its cycle; the
// triangle rises from 0, so a note starts without a step.
std::vector<std::complex<double>> fourierSeries(Shape shape, double duty, int harmonics) {
    std::vector<std::complex<double>> series(static_cast<std::size_t>(harmonics) + 1);
    series[0] = shape == Shape::Square ? 2.0 * duty - 1.0 : 0.0;
    for (int h = 1; h <= harmonics; ++h) {
        if (shape == Shape::Square) {
            series[static_cast<std::size_t>(h)] =
                4.0 / (kPi * h) * std::sin(kPi * h * duty) * std::polar(1.0, -kPi * h * duty);
        } else if (h % 2 == 1) {
            const double sign = (h / 2) % 2 == 0 ? 1.0 : -1.0;
            series[static_cast<std::size_t>(h)] =
                std::complex<double>(0.0, -sign * 8.0 / (kPi * kPi * h * h));
        }
    }
    return series;
}

// ---- Effects ----

struct Envelope {
    double attack;   // seconds from silence to full level
    double decay;    // seconds from full level down to the sustain level
    double sustain;  // share of full level held until the release
    double release;  // seconds down to silence at the voice's end
};

// A struck note that dies away: a chime or a pluck.
constexpr Envelope kPluck = {0.002, 0.060, 0.25, 0.015};
// A note held at full level and faded at its end.
constexpr Envelope kHeld = {0.003, 0.0, 1.0, 0.012};
// A sweep that fades over its whole length.
constexpr Envelope kFading = {0.002, 0.150, 0.2, 0.030};
// A click of noise.
constexpr Envelope kTick = {0.001, 0.010, 0.0, 0.002};

struct Voice {
    Source source;
    double duty;    // share of a square's cycle spent high
    double start;   // seconds into the effect
    double length;  // seconds
    double fromHz;  // pitch glides linearly from fromHz to toHz; for noise, the rate of
    double toHz;    // new random values
    double level;   // full level, as a share of the largest sample
    Envelope envelope;
};

struct EffectDesign {
    const char* path;
    std::vector<Voice> voices;
};

constexpr Source kSq = Source::Square;
constexpr Source kTri = Source::Triangle;
constexpr Source kNoise = Source::Noise;

// Pitches of the notes the effects use, in Hz.
constexpr double kC5 = 523.25;
constexpr double kD5 = 587.33;
constexpr double kE5 = 659.26;
constexpr double kG5 = 783.99;
constexpr double kA5 = 880.00;
constexpr double kB5 = 987.77;
constexpr double kC6 = 1046.50;
constexpr double kE6 = 1318.51;
constexpr double kG6 = 1567.98;
constexpr double kC7 = 2093.00;

// Every effect stays under a quarter of a second and is quieter than full scale, as several
// may sound at once over the tune.
// clang-format off
const std::array<EffectDesign, kStageEventCount> kEffectDesigns = {{
    // A ball strikes a block: a bright chime over a click.
    {stageSoundName(StageEvent::BlockStruck), {
        {kSq,    0.50, 0.000, 0.090, kC6,  kC6,  0.22, kPluck},
        {kSq,    0.25, 0.015, 0.075, kG6,  kG6,  0.12, kPluck},
        {kNoise, 0.00, 0.000, 0.014, 9000, 9000, 0.10, kTick}}},
    // A ball bounces off the paddle: a round, low bop.
    {stageSoundName(StageEvent::PaddleBounce), {
        {kTri,   0.00, 0.000, 0.110, 330,  494,  0.55, kPluck},
        {kSq,    0.25, 0.000, 0.060, 660,  988,  0.10, kPluck}}},
    // A ball bounces off a wall or the top: a soft tick.
    {stageSoundName(StageEvent::WallBounce), {
        {kTri,   0.00, 0.000, 0.050, kA5,  kA5,  0.40, kPluck},
        {kNoise, 0.00, 0.000, 0.010, 6000, 6000, 0.06, kTick}}},
    // A ball splits in two: two rising sweeps, one after the other.
    {stageSoundName(StageEvent::BallSplit), {
        {kSq,    0.50, 0.000, 0.150, 520,  1560, 0.18, kFading},
        {kSq,    0.25, 0.040, 0.150, 780,  2340, 0.14, kFading}}},
    // A coin is caught: the two-note coin call.
    {stageSoundName(StageEvent::CoinCaught), {
        {kSq,    0.25, 0.000, 0.060, kB5,  kB5,  0.22, kHeld},
        {kSq,    0.25, 0.060, 0.160, kE6,  kE6,  0.22, kPluck}}},
    // A ball is lost: a falling sweep with a hiss.
    {stageSoundName(StageEvent::BallLost), {
        {kSq,    0.50, 0.000, 0.220, 700,  160,  0.24, kFading},
        {kNoise, 0.00, 0.000, 0.200, 3000, 600,  0.08, kFading}}},
    // The last ball is lost: three falling notes, doubled an octave down.
    {stageSoundName(StageEvent::LastBallLost), {
        {kSq,    0.50, 0.000, 0.075, kG5,  kG5,  0.18, kHeld},
        {kSq,    0.50, 0.075, 0.075, kE5,  kE5,  0.18, kHeld},
        {kSq,    0.50, 0.150, 0.095, kC5,  kC5,  0.18, kHeld},
        {kTri,   0.00, 0.000, 0.075, kG5 / 2, kG5 / 2, 0.30, kHeld},
        {kTri,   0.00, 0.075, 0.075, kE5 / 2, kE5 / 2, 0.30, kHeld},
        {kTri,   0.00, 0.150, 0.095, kC5 / 2, kC5 / 2, 0.30, kHeld}}},
    // The bonus is claimed: a rising major arpeggio.
    {stageSoundName(StageEvent::BonusClaimed), {
        {kSq,    0.25, 0.000, 0.050, kC6,  kC6,  0.20, kHeld},
        {kSq,    0.25, 0.050, 0.050, kE6,  kE6,  0.20, kHeld},
        {kSq,    0.25, 0.100, 0.050, kG6,  kG6,  0.20, kHeld},
        {kSq,    0.25, 0.150, 0.090, kC7,  kC7,  0.20, kPluck}}},
    // The stage pauses: a step down.
    {stageSoundName(StageEvent::Paused), {
        {kSq,    0.50, 0.000, 0.060, kA5,  kA5,  0.14, kHeld},
        {kSq,    0.50, 0.060, 0.080, kD5,  kD5,  0.14, kPluck},
        {kTri,   0.00, 0.000, 0.060, kA5,  kA5,  0.25, kHeld},
        {kTri,   0.00, 0.060, 0.080, kD5,  kD5,  0.25, kPluck}}},
    // The stage resumes: the same step, up.
    {stageSoundName(StageEvent::Resumed), {
        {kSq,    0.50, 0.000, 0.060, kD5,  kD5,  0.14, kHeld},
        {kSq,    0.50, 0.060, 0.080, kA5,  kA5,  0.14, kPluck},
        {kTri,   0.00, 0.000, 0.060, kD5,  kD5,  0.25, kHeld},
        {kTri,   0.00, 0.060, 0.080, kA5,  kA5,  0.25, kPluck}}},
}};
// clang-format on

double envelopeLevel(const Envelope& envelope, double t, double length) {
    double level = envelope.sustain;
    if (t < envelope.attack) {
        level = t / envelope.attack;
    } else if (t < envelope.attack + envelope.decay) {
        level = 1.0 - (1.0 - envelope.sustain) * (t - envelope.attack) / envelope.decay;
    }
    const double untilEnd = length - t;
    if (untilEnd < envelope.release) {
        level *= untilEnd / envelope.release;
    }
    return level;
}

int sampleCount(double seconds, double rate) {
    return static_cast<int>(std::lround(seconds * rate));
}

Shape shapeOf(Source source) {
    return source == Source::Square ? Shape::Square : Shape::Triangle;
}

OscillatorRun voiceRun(const EffectDesign& design, std::size_t index) {
    const Voice& voice = design.voices[index];
    return {std::string(design.path) + " voice " + std::to_string(index + 1),
            shapeOf(voice.source),
            voice.duty,
            voice.fromHz,
            voice.toHz,
            sampleCount(voice.length, kEffectRate),
            kEffectRate};
}

// Noise takes a new value once per cycle of its pitch.
std::vector<double> noiseSamples(const Voice& voice, int count) {
    std::vector<double> samples;
    double phase = 0.0;
    Noise noise;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kEffectRate;
        samples.push_back(noise.value());
        phase += (voice.fromHz + (voice.toHz - voice.fromHz) * t / voice.length) / kEffectRate;
        if (phase >= 1.0) {
            phase -= 1.0;
            noise.step();
        }
    }
    return samples;
}

void addVoice(const EffectDesign& design, std::size_t index, std::vector<double>& mix) {
    const Voice& voice = design.voices[index];
    const int first = sampleCount(voice.start, kEffectRate);
    const int count = sampleCount(voice.length, kEffectRate);
    const std::vector<double> samples = voice.source == Source::Noise
                                            ? noiseSamples(voice, count)
                                            : oscillate(voiceRun(design, index));
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kEffectRate;
        mix[static_cast<std::size_t>(first + i)] += samples[static_cast<std::size_t>(i)] *
                                                    voice.level *
                                                    envelopeLevel(voice.envelope, t, voice.length);
    }
}

std::vector<std::int16_t> renderEffect(const EffectDesign& design) {
    int length = 0;
    for (const Voice& voice : design.voices) {
        length = std::max(
            length, sampleCount(voice.start, kEffectRate) + sampleCount(voice.length, kEffectRate));
    }
    std::vector<double> mix(static_cast<std::size_t>(length), 0.0);
    for (std::size_t index = 0; index < design.voices.size(); ++index) {
        addVoice(design, index, mix);
    }
    std::vector<std::int16_t> samples(mix.size());
    std::transform(mix.begin(), mix.end(), samples.begin(), [](double value) {
        const long scaled = std::lround(std::clamp(value, -1.0, 1.0) * 32767.0);
        return static_cast<std::int16_t>(scaled);
    });
    return samples;
}

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu));
    }
}

void putBigEndianWord(std::vector<std::uint8_t>& bytes, int value) {
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void putText(std::vector<std::uint8_t>& bytes, std::string_view text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
}

// A broken design is a mistake in this file; the generator stops rather than write it.
[[noreturn]] void badDesign(const char* what, std::string_view detail) {
    std::fprintf(stderr, "sound_art: %s: \"%.*s\"\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

// ---- The tune's instruments ----

constexpr int kC3Period = 214;
// A waveform at full level peaks here; a band-limited square's edges overshoot it by up to a
// fifth, which the signed byte still holds.
constexpr double kPeak = 100.0;
constexpr double kLargestByte = 127.0;

struct Instrument {
    const char* name;
    std::vector<std::int8_t> data;
    int loopStart;   // bytes; with loopLength 0 the sample plays once
    int loopLength;  // bytes
    int volume;      // 0 to 64
    std::optional<OscillatorRun> tone;
};

std::int8_t toSample(double value) {
    return static_cast<std::int8_t>(
        std::lround(std::clamp(value * kPeak, -kLargestByte, kLargestByte)));
}

// Cycles of one waveform whose level falls from 1 to `endLevel` over `decayCycles`, then one
// cycle at that level that loops while the note is held. The first cycle fades in over a few
// samples so a note does not start with a step.
Instrument cycleInstrument(const char* name, Shape shape, double duty, int cycleLength,
                           int decayCycles, double endLevel, int volume) {
    const double hz = kC3Rate / cycleLength;
    Instrument instrument = {
        name,        {},     decayCycles * cycleLength,
        cycleLength, volume, OscillatorRun{name, shape, duty, hz, hz, cycleLength, kC3Rate}};
    const std::vector<double> oneCycle = oscillate(*instrument.tone);
    constexpr int kFadeIn = 4;
    for (int cycle = 0; cycle <= decayCycles; ++cycle) {
        const double level = cycle >= decayCycles ? endLevel
                                                  : 1.0 - (1.0 - endLevel) * cycle /
                                                              static_cast<double>(decayCycles);
        for (int i = 0; i < cycleLength; ++i) {
            const double fade = cycle == 0 && i < kFadeIn ? static_cast<double>(i) / kFadeIn : 1.0;
            instrument.data.push_back(
                toSample(oneCycle[static_cast<std::size_t>(i)] * level * fade));
        }
    }
    return instrument;
}

// A drum recorded at kC3Rate: a triangle gliding from `fromHz` to `toHz` mixed with noise,
// dying away over `seconds`. It starts with the two silent bytes a one-shot sample keeps.
Instrument drumInstrument(const char* name, double seconds, double fromHz, double toHz,
                          double toneShare, int volume) {
    const int count = sampleCount(seconds, kC3Rate) & ~1;
    Instrument instrument = {name, {0, 0}, 0, 0, volume, std::nullopt};
    if (toneShare > 0.0) {
        instrument.tone = OscillatorRun{name, Shape::Triangle, 0.0, fromHz, toHz, count, kC3Rate};
    }
    const std::vector<double> tone =
        instrument.tone ? oscillate(*instrument.tone) : std::vector<double>(count, 0.0);
    Noise noise;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / count;
        const double fall = (1.0 - t) * (1.0 - t);
        instrument.data.push_back(toSample(
            (toneShare * tone[static_cast<std::size_t>(i)] + (1.0 - toneShare) * noise.value()) *
            fall));
        noise.step();
    }
    return instrument;
}

// Sample numbers in the module, in the order makeInstruments lists them.
enum SampleNumber {
    kLeadSample = 1,
    kBassSample,
    kChordSample,
    kKickSample,
    kSnareSample,
    kHatSample
};

std::vector<Instrument> makeInstruments() {
    return {
        // A 64-byte cycle sounds a note near C4 at C-2.
        cycleInstrument("lead square", Shape::Square, 0.25, 64, 24, 0.55, 40),
        cycleInstrument("bass triangle", Shape::Triangle, 0.0, 64, 24, 0.6, 56),
        // A 32-byte cycle sounds an octave above the lead.
        cycleInstrument("arpeggio square", Shape::Square, 0.5, 32, 16, 0.3, 20),
        drumInstrument("kick", 0.14, 160.0, 40.0, 1.0, 64),
        drumInstrument("snare", 0.12, 190.0, 160.0, 0.35, 40),
        drumInstrument("hat", 0.035, 0.0, 0.0, 0.0, 22),
    };
}

// ---- The tune's score ----

// Amiga periods of C-1 to B-3, the three octaves a ProTracker module plays.
constexpr std::array<int, 36> kPeriods = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,  // octave 1
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,  // octave 2
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,  // octave 3
};

// "C-1" is 0, "C#1" 1, ... "B-3" 35.
int noteIndex(std::string_view note) {
    constexpr std::string_view kNames = "C-C#D-D#E-F-F#G-G#A-A#B-";
    const std::size_t at = note.size() == 3 ? kNames.find(note.substr(0, 2)) : std::string::npos;
    const int octave = note.size() == 3 ? note[2] - '1' : -1;
    if (at == std::string::npos || at % 2 != 0 || octave < 0 || octave > 2) {
        badDesign("not a note", note);
    }
    return octave * 12 + static_cast<int>(at / 2);
}

struct Cell {
    int sample = 0;
    int period = 0;
    int effect = 0;
    int parameter = 0;
};

constexpr int kRowsPerBar = 16;
constexpr int kBarsPerPattern = 4;
constexpr int kRowsPerPattern = kRowsPerBar * kBarsPerPattern;
constexpr int kChannels = 4;
constexpr int kSetVolume = 0xC;
constexpr int kArpeggioEffect = 0x0;
constexpr int kMinor = 0x37;  // arpeggio steps: a minor third and a fifth above the root
constexpr int kMajor = 0x47;  // a major third and a fifth
// The bass walks root, octave and fifth in eighth notes; -1 rests on the note before.
constexpr std::array<int, kRowsPerBar> kBassSteps = {0, -1, 0, -1, 12, -1, 0, -1,
                                                     7, -1, 0, -1, 12, -1, 7, -1};

struct Bar {
    // Sixteen rows: a note such as "E-3" starts it, "..." holds what sounds, "^^^" silences it.
    std::string_view lead;
    // The bass and the arpeggio play this chord.
    std::string_view root;
    int chord;
    // Sixteen rows: K kick, S snare, H hat, '.' nothing.
    std::string_view drums;
};
using Pattern = std::array<Bar, kBarsPerPattern>;

constexpr std::string_view kRest =
    "... ... ... ... ... ... ... ... ... ... ... ... ... ... ... ...";
// Silences whatever the lead held when the loop comes back to the top.
constexpr std::string_view kSilence =
    "^^^ ... ... ... ... ... ... ... ... ... ... ... ... ... ... ...";
constexpr std::string_view kKicks = "K.......K.......";
constexpr std::string_view kKicksAndHats = "K...H...K...H...";
constexpr std::string_view kBeat = "K.H.S.H.K.H.S.H.";
constexpr std::string_view kFill = "K.H.S.H.K.K.S.SS";

// A minor, 125 beats a minute, four rows to a beat. Am F C G twice with two tunes over it,
// then F G Em Am with a third, after a bar-by-bar build-up that the loop comes back to.
// clang-format off
const std::array<Pattern, 4> kPatterns = {{
    {{{kSilence, "A-1", kMinor, kKicks},
      {kRest, "F-1", kMajor, kKicksAndHats},
      {kRest, "C-2", kMajor, kBeat},
      {kRest, "G-1", kMajor, kFill}}},
    {{{"E-3 ... ... ... D-3 ... C-3 ... D-3 ... ... ... E-3 ... A-2 ...", "A-1", kMinor, kBeat},
      {"F-3 ... ... ... E-3 ... D-3 ... C-3 ... ... ... ... ... A-2 ...", "F-1", kMajor, kBeat},
      {"G-3 ... ... ... E-3 ... C-3 ... E-3 ... ... ... G-3 ... E-3 ...", "C-2", kMajor, kBeat},
      {"D-3 ... ... ... ... ... B-2 ... D-3 ... ... ... G-2 ... ^^^ ...", "G-1", kMajor, kFill}}},
    {{{"A-3 ... ... ... G-3 ... E-3 ... C-3 ... ... ... D-3 ... E-3 ...", "A-1", kMinor, kBeat},
      {"F-3 ... A-3 ... F-3 ... E-3 ... D-3 ... ... ... C-3 ... ... ...", "F-1", kMajor, kBeat},
      {"E-3 ... G-3 ... E-3 ... D-3 ... C-3 ... ... ... ... ... D-3 ...", "C-2", kMajor, kBeat},
      {"B-2 ... ... ... D-3 ... ... ... G-3 ... ... ... F-3 ... D-3 ...", "G-1", kMajor, kFill}}},
    {{{"C-3 ... ... ... A-2 ... ... ... C-3 ... F-3 ... ... ... ... ...", "F-1", kMajor, kBeat},
      {"D-3 ... ... ... B-2 ... ... ... D-3 ... G-3 ... ... ... ... ...", "G-1", kMajor, kBeat},
      {"E-3 ... G-3 ... B-3 ... ... ... A-3 ... G-3 ... E-3 ... ... ...", "E-1", kMinor, kBeat},
      {"A-3 ... ... ... ... ... ... ... E-3 ... ... ... C-3 ... ... ...", "A-1", kMinor, kFill}}},
}};
// clang-format on
constexpr std::array<int, 6> kOrder = {0, 1, 2, 3, 1, 2};

std::vector<std::string_view> splitRows(std::string_view text) {
    std::vector<std::string_view> rows;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        rows.push_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    if (rows.size() != kRowsPerBar) {
        badDesign("a bar's lead needs 16 rows", text);
    }
    return rows;
}

Cell leadCell(std::string_view token) {
    if (token == "...") {
        return {};
    }
    if (token == "^^^") {
        return {0, 0, kSetVolume, 0};
    }
    return {kLeadSample, kPeriods[static_cast<std::size_t>(noteIndex(token))], 0, 0};
}

Cell drumCell(char token) {
    switch (token) {
        case 'K':
            return {kKickSample, kC3Period, 0, 0};
        case 'S':
            return {kSnareSample, kC3Period, 0, 0};
        case 'H':
            return {kHatSample, kC3Period, 0, 0};
        case '.':
            return {};
        default:
            badDesign("not a drum", std::string_view(&token, 1));
    }
}

// Channels 1 and 4 sound on the left, 2 and 3 on the right, as on the Amiga.
void putBar(const Bar& bar, std::vector<std::array<Cell, kChannels>>& rows) {
    const std::vector<std::string_view> lead = splitRows(bar.lead);
    if (bar.drums.size() != kRowsPerBar) {
        badDesign("a bar's drums need 16 rows", bar.drums);
    }
    const int root = noteIndex(bar.root);
    for (int row = 0; row < kRowsPerBar; ++row) {
        std::array<Cell, kChannels> cells = {};
        cells[0] = leadCell(lead[static_cast<std::size_t>(row)]);
        const int step = kBassSteps[static_cast<std::size_t>(row)];
        if (step >= 0) {
            cells[1] = {kBassSample, kPeriods[static_cast<std::size_t>(root + step)], 0, 0};
        }
        // The arpeggio is struck every eighth note and runs through the chord on every tick.
        cells[2] = {0, 0, kArpeggioEffect, bar.chord};
        if (row % 2 == 0) {
            cells[2].sample = kChordSample;
            cells[2].period = kPeriods[static_cast<std::size_t>(root)];
        }
        cells[3] = drumCell(bar.drums[static_cast<std::size_t>(row)]);
        rows.push_back(cells);
    }
}

void putCell(std::vector<std::uint8_t>& bytes, const Cell& cell) {
    bytes.push_back(static_cast<std::uint8_t>((cell.sample & 0xF0) | ((cell.period >> 8) & 0x0F)));
    bytes.push_back(static_cast<std::uint8_t>(cell.period & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(((cell.sample & 0x0F) << 4) | (cell.effect & 0x0F)));
    bytes.push_back(static_cast<std::uint8_t>(cell.parameter & 0xFF));
}

}  // namespace

std::vector<double> oscillate(const OscillatorRun& run) {
    const double highest = kHighestShare * run.rate / 2.0;
    const auto harmonics = static_cast<int>(highest / std::min(run.fromHz, run.toHz)) + 1;
    const std::vector<std::complex<double>> series = fourierSeries(run.shape, run.duty, harmonics);
    const double glide = run.toHz - run.fromHz;
    const double hzPerSecond = glide * run.rate / run.count;
    std::vector<double> samples;
    for (int i = 0; i < run.count; ++i) {
        const double hz = run.fromHz + glide * i / run.count;
        // The phase is the pitch's integral, in cycles.
        const double cycles = (run.fromHz * i + glide * i * i / (2.0 * run.count)) / run.rate;
        const std::complex<double> turn =
            std::polar(1.0, 2.0 * kPi * (cycles - std::floor(cycles)));
        std::complex<double> power = turn;
        double value = series[0].real();
        for (int h = 1; h <= harmonics && h * hz < highest; ++h) {
            value += harmonicGain(h * hz, h * hzPerSecond, highest) *
                     (series[static_cast<std::size_t>(h)] * power).real();
            power *= turn;
        }
        samples.push_back(value);
    }
    return samples;
}

std::vector<OscillatorRun> effectOscillators() {
    std::vector<OscillatorRun> runs;
    for (const EffectDesign& design : kEffectDesigns) {
        for (std::size_t index = 0; index < design.voices.size(); ++index) {
            if (design.voices[index].source != Source::Noise) {
                runs.push_back(voiceRun(design, index));
            }
        }
    }
    return runs;
}

std::vector<InstrumentOscillator> instrumentOscillators() {
    std::vector<InstrumentOscillator> oscillators;
    const std::vector<Instrument> instruments = makeInstruments();
    for (std::size_t i = 0; i < instruments.size(); ++i) {
        if (instruments[i].tone) {
            oscillators.push_back({static_cast<int>(i) + 1, *instruments[i].tone});
        }
    }
    return oscillators;
}

std::vector<Effect> makeEffects() {
    std::vector<Effect> effects;
    for (const EffectDesign& design : kEffectDesigns) {
        effects.push_back({design.path, renderEffect(design)});
    }
    return effects;
}

std::vector<std::uint8_t> encodeWave(const std::vector<std::int16_t>& samples) {
    constexpr std::uint32_t kBytesPerSample = 2;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size()) * kBytesPerSample;
    std::vector<std::uint8_t> bytes;
    putText(bytes, "RIFF", 4);
    putLittleEndian(bytes, 36 + dataBytes, 4);
    putText(bytes, "WAVEfmt ", 8);
    putLittleEndian(bytes, 16, 4);  // the size of the format chunk
    putLittleEndian(bytes, 1, 2);   // integer PCM
    putLittleEndian(bytes, 1, 2);   // mono
    putLittleEndian(bytes, kEffectRate, 4);
    putLittleEndian(bytes, kEffectRate * kBytesPerSample, 4);
    putLittleEndian(bytes, kBytesPerSample, 2);
    putLittleEndian(bytes, 16, 2);
    putText(bytes, "data", 4);
    putLittleEndian(bytes, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        putLittleEndian(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    return bytes;
}

std::vector<std::uint8_t> makeTune() {
    constexpr std::size_t kSampleSlots = 31;
    constexpr std::size_t kOrderSlots = 128;
    // ProTracker's restart byte; players that honour it still start the loop from the top.
    constexpr std::uint8_t kRestart = 127;
    const std::vector<Instrument> instruments = makeInstruments();
    std::vector<std::uint8_t> bytes;
    putText(bytes, "brickfall stage", 20);
    for (std::size_t slot = 0; slot < kSampleSlots; ++slot) {
        if (slot >= instruments.size()) {
            putText(bytes, "", 22 + 2 + 1 + 1 + 2);
            putBigEndianWord(bytes, 1);  // an empty slot's loop is one word long
            continue;
        }
        const Instrument& instrument = instruments[slot];
        putText(bytes, instrument.name, 22);
        putBigEndianWord(bytes, static_cast<int>(instrument.data.size() / 2));
        bytes.push_back(0);  // finetune
        bytes.push_back(static_cast<std::uint8_t>(instrument.volume));
        putBigEndianWord(bytes, instrument.loopStart / 2);
        putBigEndianWord(bytes, instrument.loopLength > 0 ? instrument.loopLength / 2 : 1);
    }
    bytes.push_back(static_cast<std::uint8_t>(kOrder.size()));
    bytes.push_back(kRestart);
    for (std::size_t slot = 0; slot < kOrderSlots; ++slot) {
        bytes.push_back(slot < kOrder.size() ? static_cast<std::uint8_t>(kOrder[slot]) : 0);
    }
    putText(bytes, "M.K.", 4);
    for (const Pattern& pattern : kPatterns) {
        std::vector<std::array<Cell, kChannels>> rows;
        for (const Bar& bar : pattern) {
            putBar(bar, rows);
        }
        for (const auto& row : rows) {
            for (const Cell& cell : row) {
                putCell(bytes, cell);
            }
        }
    }
    for (const Instrument& instrument : instruments) {
        for (const std::int8_t sample : instrument.data) {
            bytes.push_back(static_cast<std::uint8_t>(sample));
        }
    }
    return bytes;
}

std::vector<SoundFile> makeSoundFiles() {
    std::vector<SoundFile> files;
    for (const Effect& effect : makeEffects()) {
        files.push_back({effect.path, encodeWave(effect.samples)});
    }
    files.push_back({kStageSongName.c_str(), makeTune()});
    return files;
}

}  // namespace sound_art
