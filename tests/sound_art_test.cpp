// Aliasing in the generated sounds: every oscillator the effects and the tune's instruments are
// made of, rendered alone as its design drives it, holds its harmonics and nothing else down to
// 70 dB below its fundamental. A harmonic that a naive waveform folds back below the Nyquist
// frequency lands between the harmonics, where a windowed FFT finds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "sound_art.hpp"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kLimitDb = -70.0;
constexpr double kEffectRate = sound_art::kEffectRate;

// ---- Spectra ----

void fft(std::vector<std::complex<double>>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j |= bit;
        if (i < j) {
            std::swap(data[i], data[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(length));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> twiddle = 1.0;
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> odd = data[start + k + length / 2] * twiddle;
                data[start + k + length / 2] = data[start + k] - odd;
                data[start + k] += odd;
                twiddle *= step;
            }
        }
    }
}

std::size_t powerOfTwoAtLeast(double value) {
    std::size_t n = 1;
    while (static_cast<double>(n) < value) {
        n <<= 1;
    }
    return n;
}

// The four-term Blackman-Harris window: side lobes 92 dB down, so a fundamental's leakage never
// passes for a component of its own; its main lobe spans four bins either side of a line.
double blackmanHarris(std::size_t i, std::size_t n) {
    const double x = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(n - 1);
    return 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) -
           0.01168 * std::cos(3.0 * x);
}
// Bins either side of a harmonic that belong to it: its main lobe and one more.
constexpr double kHarmonicBins = 5.0;

struct Finding {
    double levelDb = -400.0;    // the strongest inharmonic component against the fundamental
    double checkedShare = 1.0;  // of the spectrum, what lies away from every harmonic
    double order = 0.0;         // where it lies, in multiples of the fundamental
    double seconds = 0.0;       // the middle of the window it was found in
    double fundamentalHz = 0.0;
};

// Windows `points` and finds the strongest component away from every harmonic, harmonic h
// lying at bin h * binsPerHarmonic of the padded transform.
Finding inspect(const std::vector<double>& points, double pointsPerCycle) {
    const std::size_t size = powerOfTwoAtLeast(static_cast<double>(points.size()));
    std::vector<std::complex<double>> data(size);
    for (std::size_t i = 0; i < points.size(); ++i) {
        data[i] = points[i] * blackmanHarris(i, points.size());
    }
    fft(data);
    const double binsPerHarmonic = static_cast<double>(size) / pointsPerCycle;
    const double halfWidth =
        kHarmonicBins * static_cast<double>(size) / static_cast<double>(points.size());
    double fundamental = 0.0;
    Finding finding;
    double worst = 0.0;
    std::size_t checked = 0;
    for (std::size_t bin = 0; bin <= size / 2; ++bin) {
        const double order = static_cast<double>(bin) / binsPerHarmonic;
        const double nearest = std::round(order);
        const double magnitude = std::abs(data[bin]);
        if (std::abs(order - nearest) * binsPerHarmonic <= halfWidth) {
            if (nearest == 1.0) {
                fundamental = std::max(fundamental, magnitude);
            }
        } else {
            ++checked;
            if (magnitude > worst) {
                worst = magnitude;
                finding.order = order;
            }
        }
    }
    finding.checkedShare = static_cast<double>(checked) / static_cast<double>(size / 2 + 1);
    finding.levelDb = 20.0 * std::log10(std::max(worst, 1e-300) / fundamental);
    return finding;
}

// ---- Oscillators as their designs drive them ----

// Kaiser-windowed sinc interpolation between samples, 64 taps either side: at 44.1 kHz it puts
// a sine of up to 20.5 kHz anywhere between its samples within 114 dB, so resampling adds
// nothing the test could take for aliasing; the oscillators make nothing above 19.85 kHz.
constexpr int kTaps = 64;
constexpr double kKaiserBeta = 12.0;
constexpr int kKernelSteps = 1024;

double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; term > 1e-17 * sum; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

const std::vector<double>& kernelTable() {
    static const std::vector<double> table = [] {
        std::vector<double> values(kTaps * kKernelSteps + 2, 0.0);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double x = static_cast<double>(i) / kKernelSteps;
            if (x >= kTaps) {
                continue;
            }
            const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            const double edge = x / kTaps;
            values[i] =
                sinc * besselI0(kKaiserBeta * std::sqrt(1.0 - edge * edge)) / besselI0(kKaiserBeta);
        }
        return values;
    }();
    return table;
}

double kernel(double x) {
    const double at = std::abs(x) * kKernelSteps;
    const auto below = static_cast<std::size_t>(at);
    const double share = at - static_cast<double>(below);
    const std::vector<double>& table = kernelTable();
    return table[below] * (1.0 - share) + table[below + 1] * share;
}

double valueAt(const std::vector<double>& samples, double at) {
    const auto first = static_cast<int>(std::floor(at)) - kTaps + 1;
    double sum = 0.0;
    for (int i = first; i < first + 2 * kTaps; ++i) {
        sum += samples[static_cast<std::size_t>(i)] * kernel(at - i);
    }
    return sum;
}

// A run's pitch and phase as its design defines them: a linear glide from fromHz at sample 0
// towards toHz at sample `count`, the phase in cycles being its integral.
struct Glide {
    double from;
    double to;
    double count;
    double rate;

    double hz(double sample) const { return from + (to - from) * sample / count; }
    double phase(double sample) const {
        return (from * sample + (to - from) * sample * sample / (2.0 * count)) / rate;
    }
    // The sample at which the phase reaches `cycles`.
    double sampleAt(double cycles) const {
        const double a = (to - from) / (2.0 * count);
        const double c = cycles * rate;
        return 2.0 * c / (from + std::sqrt(from * from + 4.0 * a * c));
    }
};

// Fewer cycles in a window would leave little room between its harmonics' main lobes.
constexpr double kLeastCycles = 20.0;

// Looks at a run window by window, each about `windowSeconds` long but never holding fewer than
// kLeastCycles where the run is that long, and keeps the worst. A gliding run is first
// resampled at even steps of its own phase, so that its harmonics stand still as lines while
// anything folded from above the Nyquist frequency, gliding the other way, does not.
Finding worstInharmonic(const sound_art::OscillatorRun& run, double windowSeconds) {
    const std::vector<double> samples = sound_art::oscillate(run);
    const Glide glide = {run.fromHz, run.toHz, static_cast<double>(run.count), run.rate};
    // The interpolation reads kTaps samples either side, and the run starts and stops with a step.
    const int first = kTaps;
    const int last = run.count - 1 - kTaps;
    const double lowest = std::min(run.fromHz, run.toHz);
    const int length = std::min(
        static_cast<int>(std::max(windowSeconds, kLeastCycles / lowest) * run.rate), last - first);
    Finding worst;
    for (int start = first;; start = std::min(start + length / 2, last - length)) {
        const int end = start + length;
        std::vector<double> points;
        double pointsPerCycle = 0.0;
        if (run.fromHz == run.toHz) {
            points.assign(samples.begin() + start, samples.begin() + end);
            pointsPerCycle = run.rate / run.fromHz;
        } else {
            // Never fewer points per cycle than the run has samples, so nothing folds here.
            pointsPerCycle = static_cast<double>(
                powerOfTwoAtLeast(run.rate / std::min(glide.hz(start), glide.hz(end))));
            const double fromPhase = glide.phase(start);
            const auto count =
                static_cast<std::size_t>((glide.phase(end) - fromPhase) * pointsPerCycle);
            for (std::size_t j = 0; j < count; ++j) {
                points.push_back(valueAt(
                    samples, glide.sampleAt(fromPhase + static_cast<double>(j) / pointsPerCycle)));
            }
        }
        Finding finding = inspect(points, pointsPerCycle);
        finding.fundamentalHz = glide.hz((start + end) / 2.0);
        finding.seconds = (start + end) / 2.0 / run.rate;
        const double checkedShare = std::min(worst.checkedShare, finding.checkedShare);
        if (finding.levelDb > worst.levelDb) {
            worst = finding;
        }
        worst.checkedShare = checkedShare;
        if (end >= last) {
            return worst;
        }
    }
}

std::string describe(const sound_art::OscillatorRun& run, const Finding& finding) {
    const std::string shape =
        run.shape == sound_art::Shape::Triangle
            ? "triangle"
            : "square " + std::to_string(static_cast<int>(run.duty * 100.0)) + "% high";
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s: %s, %.0f to %.0f Hz at %.0f samples/s: %.1f dB at %.0f Hz, %.3f s in "
                  "(%.0f%% of the spectrum examined)",
                  run.source.c_str(), shape.c_str(), run.fromHz, run.toHz, run.rate,
                  finding.levelDb, finding.order * finding.fundamentalHz, finding.seconds,
                  100.0 * finding.checkedShare);
    return text;
}

void expectClean(const sound_art::OscillatorRun& run, double windowSeconds) {
    const Finding finding = worstInharmonic(run, windowSeconds);
    const std::string text = describe(run, finding);
    std::printf("  %s\n", text.c_str());
    EXPECT_LT(finding.levelDb, kLimitDb) << text;
    // Below this, a window would hide too much between its harmonics to judge; the kick, 14
    // cycles long in all, leaves 19%.
    EXPECT_GE(finding.checkedShare, 0.15) << text;
}

// ---- The tune as the module plays it ----

// The rate each sample plays at on the highest note the tune gives it, arpeggios included.
std::map<int, double> highestRates(const std::vector<std::uint8_t>& module) {
    constexpr std::size_t kOrderCount = 950;
    constexpr std::size_t kOrders = 952;
    constexpr std::size_t kPatterns = 1084;
    constexpr std::size_t kPatternBytes = 64 * 4 * 4;
    std::map<int, double> rates;
    std::array<int, 4> sample = {};
    std::array<int, 4> period = {};
    for (std::size_t order = 0; order < module[kOrderCount]; ++order) {
        const std::size_t pattern = kPatterns + module[kOrders + order] * kPatternBytes;
        for (std::size_t cell = 0; cell < 64 * 4; ++cell) {
            const std::uint8_t* bytes = &module[pattern + cell * 4];
            const std::size_t channel = cell % 4;
            const int number = (bytes[0] & 0xF0) | (bytes[2] >> 4);
            const int newPeriod = ((bytes[0] & 0x0F) << 8) | bytes[1];
            sample[channel] = number != 0 ? number : sample[channel];
            period[channel] = newPeriod != 0 ? newPeriod : period[channel];
            if (sample[channel] == 0 || period[channel] == 0) {
                continue;
            }
            // Effect 0 plays the note and the two given semitones above it in turn.
            const int semitones =
                (bytes[2] & 0x0F) == 0 ? std::max(bytes[3] >> 4, bytes[3] & 0x0F) : 0;
            const double rate =
                sound_art::kAmigaClock / (2.0 * period[channel]) * std::pow(2.0, semitones / 12.0);
            rates[sample[channel]] = std::max(rates[sample[channel]], rate);
        }
    }
    return rates;
}
}  // namespace

// About 46 ms, the window a spectrogram of the effects would use: long enough to tell a folded
// line from a harmonic 110 Hz away, short enough to follow a glide.
constexpr double kWindowSeconds = 2048.0 / kEffectRate;

TEST(SoundSpectrum, EveryOscillatorHoldsOnlyItsHarmonicsFrom110HzTo5kHz) {
    // About 1.5 s, so a folded line 0.06 of a fundamental from a harmonic is found at 110 Hz.
    constexpr int kLongWindow = 1 << 16;
    const struct {
        sound_art::Shape shape;
        double duty;
    } oscillators[] = {
        {sound_art::Shape::Square, 0.25},
        {sound_art::Shape::Square, 0.5},
        {sound_art::Shape::Triangle, 0.0},
    };
    for (const auto& oscillator : oscillators) {
        for (const double hz :
             {110.0, 233.08, 440.0, 987.77, 1318.51, 2093.0, 3000.0, 4186.0, 5000.0}) {
            expectClean({"alone", oscillator.shape, oscillator.duty, hz, hz,
                         kLongWindow + 2 * kTaps + 2, kEffectRate},
                        kLongWindow / kEffectRate);
        }
    }
}

// A chime's partials are oscillators of their own, so a designed inharmonic sound is allowed;
// what one oscillator folds back is not.
TEST(SoundSpectrum, EveryOscillatorOfEveryEffectHoldsOnlyItsHarmonicsWindowByWindow) {
    const std::vector<sound_art::OscillatorRun> runs = sound_art::effectOscillators();
    ASSERT_FALSE(runs.empty());
    for (const sound_art::OscillatorRun& run : runs) {
        expectClean(run, kWindowSeconds);
    }
}

TEST(SoundSpectrum, EveryInstrumentHoldsOnlyItsHarmonicsAtTheHighestNoteTheTunePlays) {
    const std::map<int, double> rates = highestRates(sound_art::makeTune());
    for (const sound_art::InstrumentOscillator& instrument : sound_art::instrumentOscillators()) {
        SCOPED_TRACE(instrument.run.source);
        const auto played = rates.find(instrument.sampleNumber);
        ASSERT_NE(played, rates.end()) << "the tune never plays it";
        sound_art::OscillatorRun run = instrument.run;
        const double faster = played->second / run.rate;
        run.rate *= faster;
        run.fromHz *= faster;
        run.toHz *= faster;
        // A looped cycle sounds for as long as the note is held.
        if (run.fromHz == run.toHz) {
            run.count = static_cast<int>(4 * kWindowSeconds * run.rate);
        }
        // Played faster than the output's rate, what lies above its Nyquist frequency would fold.
        EXPECT_LE(run.rate, kEffectRate);
        expectClean(run, kWindowSeconds);
    }
}
