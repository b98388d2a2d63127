// engine_audio_limiter -- keeps the mixed output below full scale however many sounds add up.
#include "engine_audio_limiter.hpp"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kFallPerFrame = 1.0f / static_cast<float>(kLimiterLookahead);
constexpr float kRisePerFrame = 1.0f / static_cast<float>(kLimiterRelease);

float neededGain(const float* frame, std::int32_t channels) {
    float peak = 0.0f;
    for (std::int32_t channel = 0; channel < channels; ++channel) {
        peak = std::max(peak, std::fabs(frame[channel]));
    }
    if (peak <= kLimiterCeiling) {
        return 1.0f;
    }
    // The quotient may round up; the product with the peak must not pass the ceiling.
    float gain = kLimiterCeiling / peak;
    while (peak * gain > kLimiterCeiling) {
        gain = std::nextafter(gain, 0.0f);
    }
    return gain;
}

// The most gain the oldest frame may leave with: what each waiting frame needs, eased by one
// fall step for every frame it still waits, so the gain reaches each need in time without a step.
float allowedGain(const AudioLimiter& limiter) {
    if (limiter.loudWaiting == 0) {
        return 1.0f;
    }
    // The ring holds the oldest frame at `oldest`, the newer ones after it, wrapping round.
    float allowed = 1.0f;
    float easing = 0.0f;
    const auto ease = [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t slot = from; slot < to; ++slot) {
            allowed =
                std::min(allowed, limiter.neededGain[static_cast<std::size_t>(slot)] + easing);
            easing += kFallPerFrame;
        }
    };
    ease(limiter.oldest, kLimiterLookahead);
    ease(0, limiter.oldest);
    return allowed;
}
}  // namespace

void resetLimiter(AudioLimiter& limiter) {
    limiter.waiting.fill(0.0f);
    limiter.neededGain.fill(1.0f);
    limiter.oldest = 0;
    limiter.loudWaiting = 0;
    limiter.gain = 1.0f;
}

void limitFrames(AudioLimiter& limiter, float* samples, std::int32_t frames,
                 std::int32_t channels) {
    for (std::int32_t index = 0; index < frames; ++index) {
        float* frame = samples + static_cast<std::ptrdiff_t>(index) * channels;
        limiter.gain = std::min(limiter.gain + kRisePerFrame, allowedGain(limiter));
        const auto slot = static_cast<std::size_t>(limiter.oldest);
        float* waiting = &limiter.waiting[slot * kLimiterMostChannels];
        const float incomingNeed = neededGain(frame, channels);
        for (std::int32_t channel = 0; channel < channels; ++channel) {
            const float incoming = frame[channel];
            frame[channel] = waiting[channel] * limiter.gain;
            waiting[channel] = incoming;
        }
        limiter.loudWaiting +=
            (incomingNeed < 1.0f ? 1 : 0) - (limiter.neededGain[slot] < 1.0f ? 1 : 0);
        limiter.neededGain[slot] = incomingNeed;
        limiter.oldest = (limiter.oldest + 1) % kLimiterLookahead;
    }
}
