// trig_bench -- the game's correctly rounded sine, cosine and arctangent beside the C library's
// float functions, per call, over the arguments the coins' homing gives them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine_math_helper.hpp"
#include "engine_math_trig.hpp"
#include "game_constants.hpp"

namespace {
constexpr std::size_t kCalls = 4096;
// A coin is at most this far from the paddle along either axis: the field's rows and the ten
// below them where coins are lost.
constexpr auto kLargestDifference = static_cast<float>(kPlayFieldHeight + 10);

// A fixed spread of arguments, the same on every run: differences between a coin and the
// paddle, and the homing angles they give, in radians as rotateVector takes them.
struct Arguments {
    std::array<float, kCalls> dy;
    std::array<float, kCalls> dx;
    std::array<float, kCalls> theta;
};

Arguments makeArguments() {
    Arguments a = {};
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) * 0x1p-24f * 2.0f - 1.0f;
    };
    for (std::size_t i = 0; i < kCalls; ++i) {
        a.dy[i] = next() * kLargestDifference;
        a.dx[i] = next() * kLargestDifference;
        a.theta[i] = std::atan2(a.dy[i], a.dx[i]) * kRadiansToDegrees * kDegreesToRadians;
    }
    return a;
}

const Arguments kArguments = makeArguments();

// Each iteration makes kCalls calls; "per_call" is the CPU time of one.
template <typename Call>
void perCall(benchmark::State& state, Call call) {
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCalls; ++i) {
            benchmark::DoNotOptimize(call(i));
        }
    }
    state.counters["per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kCalls,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void TrigSinRounded(benchmark::State& state) {
    perCall(state, [](std::size_t i) { return roundedSin(kArguments.theta[i]); });
}
void TrigSinLibrary(benchmark::State& state) {
    perCall(state, [](std::size_t i) { return std::sin(kArguments.theta[i]); });
}
void TrigCosRounded(benchmark::State& state) {
    perCall(state, [](std::size_t i) { return roundedCos(kArguments.theta[i]); });
}
void TrigCosLibrary(benchmark::State& state) {
    perCall(state, [](std::size_t i) { return std::cos(kArguments.theta[i]); });
}
void TrigAtan2Rounded(benchmark::State& state) {
    perCall(state, [](std::size_t i) { return roundedAtan2(kArguments.dy[i], kArguments.dx[i]); });
}
void TrigAtan2Library(benchmark::State& state) {
    perCall(state, [](std::size_t i) { return std::atan2(kArguments.dy[i], kArguments.dx[i]); });
}

// CPU time, not wall-clock: these are pure arithmetic, and on a shared machine the wall clock
// also counts the time other processes held the CPU. Repetitions report their least, too.
void trig(benchmark::internal::Benchmark* benchmark) {
    benchmark->ComputeStatistics("min", [](const std::vector<double>& values) {
        return *std::min_element(values.begin(), values.end());
    });
}
}  // namespace

BENCHMARK(TrigSinRounded)->Apply(trig);
BENCHMARK(TrigSinLibrary)->Apply(trig);
BENCHMARK(TrigCosRounded)->Apply(trig);
BENCHMARK(TrigCosLibrary)->Apply(trig);
BENCHMARK(TrigAtan2Rounded)->Apply(trig);
BENCHMARK(TrigAtan2Library)->Apply(trig);
