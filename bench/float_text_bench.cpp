// float_text_bench -- the game's own float text beside the C++ library's std::to_chars, per
// float, over the values a trace line holds and over finite floats of every magnitude.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "float_text.hpp"
#include "game_constants.hpp"

namespace {
constexpr std::size_t kFloats = 4096;

struct Values {
    std::array<float, kFloats> game;    // coordinates, directions and speeds, as traced
    std::array<float, kFloats> finite;  // random finite bit patterns
};

Values makeValues() {
    Values v = {};
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state;
    };
    const auto unit = [&next] { return static_cast<float>(next() >> 8) * 0x1p-24f; };
    for (std::size_t i = 0; i < kFloats; ++i) {
        // A ball's position after some passes of direction times speed, a direction component,
        // a speed: the three kinds of floats a trace line writes.
        switch (i % 3) {
            case 0:
                v.game[i] = unit() * static_cast<float>(kPlayFieldWidth) + unit() * 1.015f;
                break;
            case 1:
                v.game[i] = unit() * 2.4f - 1.2f;
                break;
            default:
                v.game[i] = 1.0f + unit() * 0.5f;
                break;
        }
        std::uint32_t bits = next();
        if (((bits >> 23) & 0xff) == 0xff) {
            bits &= ~(std::uint32_t{1} << 30);
        }
        std::memcpy(&v.finite[i], &bits, sizeof bits);
    }
    return v;
}

const Values kValues = makeValues();

// Each iteration writes kFloats floats; "per_float" is the CPU time of one.
template <typename Write>
void perFloat(benchmark::State& state, const std::array<float, kFloats>& values, Write write) {
    char buffer[64];
    for (auto _ : state) {
        for (const float value : values) {
            const std::to_chars_result result = write(buffer, buffer + sizeof buffer, value);
            benchmark::DoNotOptimize(result.ptr);
            benchmark::ClobberMemory();
        }
    }
    state.counters["per_float"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFloats,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void FloatTextOwnGame(benchmark::State& state) {
    perFloat(state, kValues.game, floatToChars);
}
void FloatTextOwnFinite(benchmark::State& state) {
    perFloat(state, kValues.finite, floatToChars);
}
// libstdc++ and Microsoft's library write floats; others may not.
#if defined(__GLIBCXX__) || defined(_MSC_VER)
std::to_chars_result libraryToChars(char* first, char* last, float value) {
    return std::to_chars(first, last, value);
}
void FloatTextLibraryGame(benchmark::State& state) {
    perFloat(state, kValues.game, libraryToChars);
}
void FloatTextLibraryFinite(benchmark::State& state) {
    perFloat(state, kValues.finite, libraryToChars);
}
#endif

// CPU time, and the least of repetitions, as for the trigonometry.
void floatText(benchmark::internal::Benchmark* benchmark) {
    benchmark->ComputeStatistics("min", [](const std::vector<double>& values) {
        return *std::min_element(values.begin(), values.end());
    });
}
}  // namespace

BENCHMARK(FloatTextOwnGame)->Apply(floatText);
BENCHMARK(FloatTextOwnFinite)->Apply(floatText);
#if defined(__GLIBCXX__) || defined(_MSC_VER)
BENCHMARK(FloatTextLibraryGame)->Apply(floatText);
BENCHMARK(FloatTextLibraryFinite)->Apply(floatText);
#endif
