// The limiter on the mixed output: what is already quiet enough leaves unchanged, only later;
// nothing leaves above the ceiling; the gain moves in ramps, never steps; and the mixer's
// chunking makes no difference.
#include "engine_audio_limiter.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {
// Runs `input` (interleaved) through a fresh limiter in chunks of `chunkFrames`, then runs out
// the lookahead with silence, so every input frame comes back.
std::vector<float> limited(const std::vector<float>& input, std::int32_t channels,
                           std::int32_t chunkFrames) {
    AudioLimiter limiter;
    resetLimiter(limiter);
    std::vector<float> samples = input;
    samples.resize(input.size() + static_cast<std::size_t>(kLimiterLookahead * channels), 0.0f);
    const auto frames = static_cast<std::int32_t>(samples.size()) / channels;
    for (std::int32_t first = 0; first < frames; first += chunkFrames) {
        limitFrames(limiter, samples.data() + static_cast<std::ptrdiff_t>(first) * channels,
                    std::min(chunkFrames, frames - first), channels);
    }
    return samples;
}

// `frames` frames of `channels` samples, sample (frame, channel) given by `value`.
std::vector<float> signal(std::int32_t frames, std::int32_t channels,
                          const std::function<float(std::int32_t, std::int32_t)>& value) {
    std::vector<float> samples;
    for (std::int32_t frame = 0; frame < frames; ++frame) {
        for (std::int32_t channel = 0; channel < channels; ++channel) {
            samples.push_back(value(frame, channel));
        }
    }
    return samples;
}

struct SignalCase {
    const char* name;
    std::int32_t channels;
    std::vector<float> input;
};

float wave(std::int32_t frame, float hz, float level) {
    return level * std::sin(2.0f * 3.14159265f * hz * static_cast<float>(frame) / 44100.0f);
}
}  // namespace

TEST(AudioLimiter, WhatIsBelowTheCeilingLeavesUnchangedAfterTheLookahead) {
    const SignalCase cases[] = {
        {"a quiet tune, stereo", 2,
         signal(5000, 2,
                [](std::int32_t f, std::int32_t c) {
                    return wave(f, 440.0f + 110.0f * static_cast<float>(c), 0.5f);
                })},
        {"a sine peaking at the ceiling, mono", 1,
         signal(3000, 1,
                [](std::int32_t f, std::int32_t) { return wave(f, 1000.0f, kLimiterCeiling); })},
        {"silence, six channels", 6,
         signal(500, 6, [](std::int32_t, std::int32_t) { return 0.0f; })},
        {"alternating at exactly the ceiling", 2,
         signal(2000, 2,
                [](std::int32_t f, std::int32_t c) {
                    return f % 2 == 0 ? kLimiterCeiling : -kLimiterCeiling * static_cast<float>(c);
                })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<float> output = limited(c.input, c.channels, 1024);
        const std::size_t delay = static_cast<std::size_t>(kLimiterLookahead * c.channels);
        for (std::size_t i = 0; i < delay; ++i) {
            ASSERT_EQ(output[i], 0.0f) << "sample " << i;
        }
        for (std::size_t i = 0; i < c.input.size(); ++i) {
            ASSERT_EQ(output[i + delay], c.input[i]) << "sample " << i;
        }
    }
}

TEST(AudioLimiter, NothingLeavesAboveTheCeiling) {
    const SignalCase cases[] = {
        {"a lone full-scale sample", 1,
         signal(400, 1, [](std::int32_t f, std::int32_t) { return f == 100 ? 1.0f : 0.0f; })},
        {"a spike four times full scale on one side", 2,
         signal(400, 2,
                [](std::int32_t f, std::int32_t c) { return f == 3 && c == 1 ? -4.0f : 0.1f; })},
        {"ten effects summed over the tune", 2,
         signal(20000, 2,
                [](std::int32_t f, std::int32_t c) {
                    return wave(f, 523.0f, 3.0f) + wave(f, 97.0f + static_cast<float>(c), 0.6f);
                })},
        {"a burst that starts at once", 2,
         signal(3000, 2,
                [](std::int32_t f, std::int32_t) {
                    return f < 1000 ? 0.0f : (f % 40 < 20 ? 2.5f : -2.5f);
                })},
        {"bursts closer than the release", 1,
         signal(9000, 1,
                [](std::int32_t f, std::int32_t) {
                    return f % 1500 < 100 ? wave(f, 3000.0f, 5.0f) : wave(f, 200.0f, 0.8f);
                })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::int32_t chunk : {1, 7, 1024}) {
            SCOPED_TRACE("chunks of " + std::to_string(chunk));
            const std::vector<float> output = limited(c.input, c.channels, chunk);
            float loudest = 0.0f;
            for (const float sample : output) {
                loudest = std::max(loudest, std::fabs(sample));
            }
            EXPECT_LE(loudest, kLimiterCeiling);
        }
    }
}

// On a steady level the output over the input is the gain itself.
TEST(AudioLimiter, GainRampsDownBeforeAPeakAndBackUpAfterItWithoutAStep) {
    constexpr std::int32_t kLoudFrom = 1000;
    constexpr std::int32_t kLoudFrames = 300;
    constexpr float kQuiet = 0.5f;
    constexpr float kLoud = 2.0f;
    const std::vector<float> input = signal(6000, 1, [](std::int32_t f, std::int32_t) {
        return f >= kLoudFrom && f < kLoudFrom + kLoudFrames ? kLoud : kQuiet;
    });
    const std::vector<float> output = limited(input, 1, 1024);
    std::vector<float> gain;
    for (std::size_t i = 0; i < input.size(); ++i) {
        gain.push_back(output[i + kLimiterLookahead] / input[i]);
    }
    const float loudGain = kLimiterCeiling / kLoud;
    for (std::int32_t f = kLoudFrom; f < kLoudFrom + kLoudFrames; ++f) {
        ASSERT_NEAR(gain[static_cast<std::size_t>(f)], loudGain, 1e-6f)
            << "frame " << f << ": the loud part leaves at the ceiling, no lower";
    }
    EXPECT_EQ(gain[kLoudFrom - kLimiterLookahead - 1], 1.0f) << "untouched before the lookahead";
    EXPECT_LT(gain[kLoudFrom - kLimiterLookahead / 2], 1.0f) << "already coming down";
    for (std::size_t i = 1; i < gain.size(); ++i) {
        ASSERT_GE(gain[i] - gain[i - 1], -1.0f / kLimiterLookahead - 1e-6f) << "frame " << i;
        ASSERT_LE(gain[i] - gain[i - 1], 1.0f / kLimiterRelease + 1e-6f) << "frame " << i;
    }
    const std::size_t recovered =
        kLoudFrom + kLoudFrames + static_cast<std::size_t>((1.0f - loudGain) * kLimiterRelease) + 2;
    EXPECT_LT(gain[recovered - 10], 1.0f);
    EXPECT_EQ(gain[recovered], 1.0f) << "back to full gain one release ramp after the peak";
}

TEST(AudioLimiter, OneGainForEveryChannelOfAFrame) {
    const std::vector<float> input = signal(2000, 2, [](std::int32_t f, std::int32_t c) {
        return c == 0 && f > 500 && f < 700 ? 3.0f : 0.4f;
    });
    const std::vector<float> output = limited(input, 2, 256);
    for (std::size_t frame = 0; frame < 2000; ++frame) {
        const std::size_t out = (frame + kLimiterLookahead) * 2;
        ASSERT_FLOAT_EQ(output[out] / input[frame * 2], output[out + 1] / input[frame * 2 + 1])
            << "frame " << frame;
    }
    EXPECT_NEAR(output[(600 + kLimiterLookahead) * 2 + 1], 0.4f * kLimiterCeiling / 3.0f, 1e-6f)
        << "the quiet side comes down with the loud one";
}
