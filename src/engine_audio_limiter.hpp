// engine_audio_limiter -- keeps the mixed output below full scale however many sounds add up.
#pragma once

#include <array>
#include <cstdint>

// The loudest sample the limiter lets out: 1 dB below full scale.
inline constexpr float kLimiterCeiling = 0.891f;
// Frames the output lags the input: the time the gain has to come down before a peak arrives.
inline constexpr std::int32_t kLimiterLookahead = 64;
// Frames the gain takes to come back from silence to 1 once the peaks have passed.
inline constexpr std::int32_t kLimiterRelease = 2205;
// As many as SDL opens a device with.
inline constexpr std::int32_t kLimiterMostChannels = 8;

// Every frame not yet let out, with the gain each needs; fixed in size, so limiting allocates
// nothing. Samples are floats, full scale 1.
struct AudioLimiter {
    std::array<float, kLimiterLookahead * kLimiterMostChannels> waiting;
    std::array<float, kLimiterLookahead> neededGain;
    std::int32_t oldest;
    std::int32_t loudWaiting;  // frames waiting that need a gain below 1
    float gain;
};

// Silence waiting and no gain taken off: the state for a device just opened.
void resetLimiter(AudioLimiter& limiter);
// Limits `frames` interleaved frames of 1 to kLimiterMostChannels `channels` in place. Each
// frame leaves kLimiterLookahead frames after it came in, every channel scaled by one gain that
// keeps the frame's largest sample within kLimiterCeiling; the gain falls by at most
// 1/kLimiterLookahead a frame and rises by at most 1/kLimiterRelease, so it never steps.
void limitFrames(AudioLimiter& limiter, float* samples, std::int32_t frames, std::int32_t channels);
