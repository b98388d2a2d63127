// adpcm_wave -- IMA ADPCM encoding, step for step as SDL's decoder (SDL_wave.c) undoes it, so
// the encoder's running sample is always the one the decoder makes.
#include "adpcm_wave.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

namespace adpcm_wave {
namespace {
constexpr std::array<int, 89> kSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 8> kIndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kImaAdpcm = 0x11;
// Bytes a block: its 4-byte header holds one sample, every other byte two.
constexpr int kBlockBytes = 256;
constexpr int kSamplesPerBlock = 1 + (kBlockBytes - 4) * 2;
constexpr std::size_t kPcmHeader = 44;

void put(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void putText(std::vector<std::uint8_t>& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

std::uint32_t get(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// The decoder's state: the sample it last made and its step's place in kSteps.
struct Decoder {
    int sample = 0;
    int index = 0;

    void take(int code) {
        const int step = kSteps[static_cast<std::size_t>(index)];
        int delta = step >> 3;
        for (int bit = 4, part = step; bit > 0; bit >>= 1, part >>= 1) {
            if ((code & bit) != 0) {
                delta += part;
            }
        }
        sample = std::clamp(sample + ((code & 8) != 0 ? -delta : delta), -32768, 32767);
        index = std::clamp(index + kIndexSteps[static_cast<std::size_t>(code & 7)], 0, 88);
    }

    // The code that brings the sample nearest `target` from here.
    int nearest(int target) const {
        const int step = kSteps[static_cast<std::size_t>(index)];
        int difference = target - sample;
        int code = 0;
        if (difference < 0) {
            code = 8;
            difference = -difference;
        }
        for (int bit = 4, part = step; bit > 0; bit >>= 1, part >>= 1) {
            if (difference >= part) {
                code |= bit;
                difference -= part;
            }
        }
        return code;
    }
};

// The code for samples[at]: of all sixteen, the one whose error, with the nearest codes for the
// samples after it, is least over kLookAhead samples. The nearest code alone lags behind a
// square's edge while its step grows; looking ahead takes a larger step sooner (of 2 to 32
// samples, 4 brings the effects nearest their PCM).
constexpr std::size_t kLookAhead = 4;
int chooseCode(const Decoder& from, const std::vector<int>& samples, std::size_t at) {
    int best = 0;
    double bestError = -1.0;
    for (int code = 0; code < 16; ++code) {
        Decoder trial = from;
        trial.take(code);
        double error = std::pow(trial.sample - samples[at], 2);
        for (std::size_t next = at + 1; next < std::min(samples.size(), at + kLookAhead); ++next) {
            trial.take(trial.nearest(samples[next]));
            error += std::pow(trial.sample - samples[next], 2);
        }
        if (bestError < 0.0 || error < bestError) {
            best = code;
            bestError = error;
        }
    }
    return best;
}
}  // namespace

std::optional<Pcm> readPcmWave(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < kPcmHeader || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVEfmt ", 8) != 0 || get(bytes, 20, 2) != 1 ||
        get(bytes, 22, 2) != 1 || get(bytes, 34, 2) != 16 ||
        std::memcmp(bytes.data() + 36, "data", 4) != 0 ||
        get(bytes, 40, 4) != bytes.size() - kPcmHeader) {
        return std::nullopt;
    }
    Pcm pcm;
    pcm.rate = static_cast<int>(get(bytes, 24, 4));
    for (std::size_t at = kPcmHeader; at + 1 < bytes.size(); at += 2) {
        pcm.samples.push_back(static_cast<std::int16_t>(get(bytes, at, 2)));
    }
    return pcm;
}

std::vector<std::uint8_t> encodeImaAdpcmWave(const Pcm& pcm) {
    // Past the end the last block is filled out with silence; the fact chunk tells where the
    // samples stop.
    const std::size_t count = pcm.samples.size();
    const std::size_t blocks = (count + kSamplesPerBlock - 1) / kSamplesPerBlock;
    std::vector<int> samples(pcm.samples.begin(), pcm.samples.end());
    samples.resize(blocks * kSamplesPerBlock, 0);
    std::vector<std::uint8_t> data;
    Decoder decoder;
    for (std::size_t first = 0; first < samples.size(); first += kSamplesPerBlock) {
        // Each block starts from its first sample exactly, so an error never outlives a block,
        // and from the step its last block reached.
        decoder.sample = samples[first];
        put(data, static_cast<std::uint16_t>(samples[first]), 2);
        data.push_back(static_cast<std::uint8_t>(decoder.index));
        data.push_back(0);
        for (std::size_t i = first + 1; i < first + kSamplesPerBlock; i += 2) {
            const int low = chooseCode(decoder, samples, i);
            decoder.take(low);
            const int high = chooseCode(decoder, samples, i + 1);
            decoder.take(high);
            data.push_back(static_cast<std::uint8_t>(low | high << 4));
        }
    }
    std::vector<std::uint8_t> bytes;
    putText(bytes, "RIFF");
    put(bytes, static_cast<std::uint32_t>(4 + 28 + 12 + 8 + data.size()), 4);
    putText(bytes, "WAVEfmt ");
    put(bytes, 20, 4);
    put(bytes, kImaAdpcm, 2);
    put(bytes, 1, 2);  // mono
    put(bytes, static_cast<std::uint32_t>(pcm.rate), 4);
    put(bytes, static_cast<std::uint32_t>(pcm.rate * kBlockBytes / kSamplesPerBlock), 4);
    put(bytes, kBlockBytes, 2);
    put(bytes, 4, 2);  // bits a sample
    put(bytes, 2, 2);  // the extension's size: the samples a block
    put(bytes, kSamplesPerBlock, 2);
    putText(bytes, "fact");
    put(bytes, 4, 4);
    put(bytes, static_cast<std::uint32_t>(count), 4);
    putText(bytes, "data");
    put(bytes, static_cast<std::uint32_t>(data.size()), 4);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

}  // namespace adpcm_wave
