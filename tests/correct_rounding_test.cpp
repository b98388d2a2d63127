#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "engine_math_helper.hpp"
#include "engine_math_trig.hpp"
#include "sim_monkey.hpp"

namespace {
enum class HardFunction { Sin, Cos, Atan2 };

struct HardCase {
    HardFunction function;
    std::uint32_t first;   // the argument, or y
    std::uint32_t second;  // x for Atan2
    std::uint32_t result;
};

// Written by brickfall-trig-proof --hard-cases: every input its sweeps found whose exact result
// lies within 2^-47 of its size of a rounding boundary between floats.
const std::vector<HardCase> kHardCases = {
#include "correct_rounding_hard_cases.inc"
};

constexpr std::size_t kSampleSize = 1'000'000;
constexpr std::size_t kMostUndecided = 10;
constexpr float kLargestDifference = 330.0f;

float fromBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

std::uint32_t bitsOf(float x) {
    return std::bit_cast<std::uint32_t>(x);
}

bool same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b);
}

// A float uniformly distributed over [-limit, limit], from 24 random bits and a sign.
float uniform(std::uint64_t random, float limit) {
    const float unit = static_cast<float>(random >> 40) * 0x1p-24f;
    return ((random & 1) != 0 ? -unit : unit) * limit;
}

// The nearest float to the exact value, from the C library's double function, which errs by
// under 2^-52 of its value: decided when no rounding boundary lies within 2^-47 of it. The few
// inputs closer than that are left to the hard cases' table.
std::optional<float> reference(double inDouble) {
    const double margin = 0x1p-47 * std::fabs(inDouble);
    const auto below = static_cast<float>(inDouble - margin);
    const auto above = static_cast<float>(inDouble + margin);
    if (std::isnan(inDouble) || bitsOf(below) == bitsOf(above)) {
        return static_cast<float>(inDouble);
    }
    return std::nullopt;
}

// Counts the inputs whose result is not the reference, naming the first few, and those the
// reference cannot decide.
class Misses {
  public:
    void check(const char* name, float y, float x, float ours, std::optional<float> expected) {
        if (!expected) {
            ++undecided_;
            return;
        }
        if (same(ours, *expected)) {
            return;
        }
        if (++count_ <= 10) {
            char line[160];
            std::snprintf(line, sizeof line, "%s(0x%08x, 0x%08x) gave 0x%08x, nearest 0x%08x\n",
                          name, bitsOf(y), bitsOf(x), bitsOf(ours), bitsOf(*expected));
            list_ += line;
        }
    }
    std::size_t count() const { return count_; }
    std::size_t undecided() const { return undecided_; }
    const std::string& list() const { return list_; }

  private:
    std::size_t count_ = 0;
    std::size_t undecided_ = 0;
    std::string list_;
};
}  // namespace

// glibc's double sine and cosine err by under an ulp for every argument. MinGW's are the x87's
// fsin and fcos, whose reduction by a 66-bit pi fails on large arguments, so a Windows build
// checks its results by their digest instead, the one this sample has where glibc confirms it.
#if defined(_WIN32)
constexpr bool kLibraryTrigIsExact = false;
#else
constexpr bool kLibraryTrigIsExact = true;
#endif
constexpr std::uint64_t kSineAndCosineSampleDigest = 8594389588429762786u;

// FNV-1a over the bits of each result, in order.
class Digest {
  public:
    void add(float x) {
        for (int shift = 0; shift < 32; shift += 8) {
            value_ = (value_ ^ ((bitsOf(x) >> shift) & 0xffu)) * 0x100000001b3u;
        }
    }
    std::uint64_t value() const { return value_; }

  private:
    std::uint64_t value_ = 0xcbf29ce484222325u;
};

TEST(CorrectRounding, SineAndCosineOfAFixedSampleAreTheNearestFloats) {
    MonkeyRandom random(1);
    Misses misses;
    Digest digest;
    // Every bit pattern alike, then the angles the coins' homing turns by, in radians.
    for (std::size_t i = 0; i < 2 * kSampleSize; ++i) {
        const std::uint64_t bits = random.next();
        const float x = i < kSampleSize ? fromBits(static_cast<std::uint32_t>(bits))
                                        : uniform(bits, 180.0f) * kDegreesToRadians;
        const float sine = roundedSin(x);
        const float cosine = roundedCos(x);
        digest.add(sine);
        digest.add(cosine);
        if (kLibraryTrigIsExact) {
            misses.check("sin", x, 0.0f, sine, reference(std::sin(static_cast<double>(x))));
            misses.check("cos", x, 0.0f, cosine, reference(std::cos(static_cast<double>(x))));
        }
    }
    EXPECT_EQ(misses.count(), 0u) << misses.list();
    // About one input in 2^23 lies that close to a boundary.
    EXPECT_LE(misses.undecided(), kMostUndecided);
    EXPECT_EQ(digest.value(), kSineAndCosineSampleDigest);
}

TEST(CorrectRounding, Atan2OfAFixedSampleIsTheNearestFloat) {
    MonkeyRandom random(2);
    Misses misses;
    // Every pair of bit patterns alike, then differences between a coin and the paddle.
    for (std::size_t i = 0; i < 2 * kSampleSize; ++i) {
        const std::uint64_t bits = random.next();
        float y = fromBits(static_cast<std::uint32_t>(bits >> 32));
        float x = fromBits(static_cast<std::uint32_t>(bits));
        if (i >= kSampleSize) {
            y = uniform(bits, kLargestDifference);
            x = uniform(random.next(), kLargestDifference);
        }
        const double inDouble = std::atan2(static_cast<double>(y), static_cast<double>(x));
        misses.check("atan2", y, x, roundedAtan2(y, x), reference(inDouble));
    }
    EXPECT_EQ(misses.count(), 0u) << misses.list();
    EXPECT_LE(misses.undecided(), kMostUndecided);
}

TEST(CorrectRounding, EveryHardCaseOfTheProofRoundsAsTabled) {
    ASSERT_GE(kHardCases.size(), 100u);
    Misses misses;
    for (const HardCase& c : kHardCases) {
        const float first = fromBits(c.first);
        const float second = fromBits(c.second);
        const float expected = fromBits(c.result);
        switch (c.function) {
            case HardFunction::Sin:
                misses.check("sin", first, second, roundedSin(first), expected);
                break;
            case HardFunction::Cos:
                misses.check("cos", first, second, roundedCos(first), expected);
                break;
            case HardFunction::Atan2:
                misses.check("atan2", first, second, roundedAtan2(first, second), expected);
                break;
        }
    }
    EXPECT_EQ(misses.count(), 0u) << misses.list();
}

// The hard cases are where the fast stage may not decide: the slow stage must, alone.
TEST(CorrectRounding, TheSlowStageDecidesEveryHardCase) {
    Misses misses;
    std::size_t undecided = 0;
    for (const HardCase& c : kHardCases) {
        const float first = fromBits(c.first);
        const float second = fromBits(c.second);
        if (c.function == HardFunction::Atan2 && atan2RoundsTheRatio(first, second)) {
            continue;
        }
        const TrigEstimate slow = c.function == HardFunction::Sin ? estimateSinSlow(first)
                                  : c.function == HardFunction::Cos
                                      ? estimateCosSlow(first)
                                      : estimateAtan2Slow(first, second);
        float rounded = 0.0f;
        undecided += roundTrigEstimate(slow, rounded) ? 0 : 1;
        misses.check("slow stage", first, second, rounded, fromBits(c.result));
    }
    EXPECT_EQ(undecided, 0u);
    EXPECT_EQ(misses.count(), 0u) << misses.list();
}

TEST(CorrectRounding, Atan2FollowsAnnexF) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    constexpr float kTiny = std::numeric_limits<float>::denorm_min();
    constexpr float kHuge = std::numeric_limits<float>::max();
    // The floats nearest π, π/2, π/4 and 3π/4.
    const float pi = fromBits(0x40490fdbu);
    const float halfPi = fromBits(0x3fc90fdbu);
    const float quarterPi = fromBits(0x3f490fdbu);
    const float threeQuarterPi = fromBits(0x4016cbe4u);
    struct Case {
        float y;
        float x;
        float expected;
    };
    const Case cases[] = {
        {0.0f, -0.0f, pi},
        {-0.0f, -0.0f, -pi},
        {0.0f, 0.0f, 0.0f},
        {-0.0f, 0.0f, -0.0f},
        {0.0f, -kTiny, pi},
        {-0.0f, -kHuge, -pi},
        {0.0f, kTiny, 0.0f},
        {-0.0f, 1.0f, -0.0f},
        {0.0f, -kInf, pi},
        {-0.0f, kInf, -0.0f},
        {kTiny, 0.0f, halfPi},
        {-kHuge, -0.0f, -halfPi},
        {1.0f, -kInf, pi},
        {-kTiny, -kInf, -pi},
        {kHuge, kInf, 0.0f},
        {-1.0f, kInf, -0.0f},
        {kInf, -1.0f, halfPi},
        {-kInf, kHuge, -halfPi},
        {kInf, 0.0f, halfPi},
        {-kInf, -0.0f, -halfPi},
        {kInf, -kInf, threeQuarterPi},
        {-kInf, -kInf, -threeQuarterPi},
        {kInf, kInf, quarterPi},
        {-kInf, kInf, -quarterPi},
        {kNan, 1.0f, kNan},
        {-1.0f, kNan, kNan},
        {kNan, kInf, kNan},
        {0.0f, kNan, kNan},
        {kNan, kNan, kNan},
    };
    Misses misses;
    for (const Case& c : cases) {
        misses.check("atan2", c.y, c.x, roundedAtan2(c.y, c.x), c.expected);
    }
    EXPECT_EQ(misses.count(), 0u) << misses.list();
}

TEST(CorrectRounding, SineAndCosineOfZerosInfinitiesNanSubnormalsAndHugeArguments) {
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::uint32_t x;
        float sin;
        float cos;
    };
    // Results from 113-bit libquadmath, rounded once.
    const Case cases[] = {
        {0x00000000u, 0.0f, 1.0f},
        {0x80000000u, -0.0f, 1.0f},
        {0x7f800000u, kNan, kNan},
        {0xff800000u, kNan, kNan},
        {0x7fc00000u, kNan, kNan},
        // Subnormals and the smallest normal: sin x is x, cos x is 1.
        {0x00000001u, fromBits(0x00000001u), 1.0f},
        {0x80000001u, fromBits(0x80000001u), 1.0f},
        {0x007fffffu, fromBits(0x007fffffu), 1.0f},
        {0x00800000u, fromBits(0x00800000u), 1.0f},
        // cos 2^-12 = 1 - 2^-25 + 2^-53.6: just above the boundary, so 1; the next float is below.
        {0x39800000u, fromBits(0x39800000u), 1.0f},
        {0x39800001u, fromBits(0x39800001u), fromBits(0x3f7fffffu)},
        // The floats nearest π and π/2.
        {0x40490fdbu, fromBits(0xb3bbbd2eu), -1.0f},
        {0x3fc90fdbu, 1.0f, fromBits(0xb33bbd2eu)},
        // Either side of pi/512 and of 32, where the fast stage's reduction changes method.
        {0x3bc90fdau, fromBits(0x3bc90f87u), fromBits(0x3f7ffec4u)},
        {0x3bc90fdbu, fromBits(0x3bc90f88u), fromBits(0x3f7ffec4u)},
        {0x41ffffffu, fromBits(0x3f0d2a32u), fromBits(0x3f558fbbu)},
        {0x42000000u, fromBits(0x3f0d2a4du), fromBits(0x3f558faau)},
        {0xc2000000u, fromBits(0xbf0d2a4du), fromBits(0x3f558faau)},
        // Either side of 2^16.
        {0x477fffffu, fromBits(0x3f31e3a5u), fromBits(0xbf3818a2u)},
        {0x47800000u, fromBits(0x3f312b34u), fromBits(0xbf38ca2au)},
        // Huge: the reduction needs bits of 1/(2π) far beyond double's.
        {0x4b000000u, fromBits(0x3edd4fa3u), fromBits(0xbf66d965u)},
        {0x6cc00000u, fromBits(0xbf7e069cu), fromBits(0xbdfdda0fu)},
        {0x7149f2cau, fromBits(0xbf4a89b0u), fromBits(0xbf1c9222u)},
        {0x7f7fffffu, fromBits(0xbf0599b3u), fromBits(0x3f5a5f96u)},
        {0xff7fffffu, fromBits(0x3f0599b3u), fromBits(0x3f5a5f96u)},
    };
    Misses misses;
    for (const Case& c : cases) {
        const float x = fromBits(c.x);
        misses.check("sin", x, 0.0f, roundedSin(x), c.sin);
        misses.check("cos", x, 0.0f, roundedCos(x), c.cos);
    }
    EXPECT_EQ(misses.count(), 0u) << misses.list();
}
