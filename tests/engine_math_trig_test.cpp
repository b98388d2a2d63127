#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "bit_copy.hpp"
#include "engine_math_helper.hpp"
#include "engine_math_trig.hpp"
#include "sim_monkey.hpp"
#include "test_support.hpp"

using test_support::fromBits;

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

std::uint32_t bitsOf(float x) {
    return bitCopy<std::uint32_t>(x);
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

namespace {
// The fast stages' proven errors as shares of the result (docs/MATHS.md), u = 2^-53: 18.9u for
// sine and cosine, 10.5u for the arctangent. Their absolute terms, which cover the reduction,
// are left out: that can only leave cases out.
constexpr double kSinCosProvenError = 18.9 * 0x1p-53;
constexpr double kAtan2ProvenError = 10.5 * 0x1p-53;
// What the references below may err by, as a share of the result: the arctangent's short
// series by under 2^-72 (see atan2NearConstants), the C library's double functions by under
// 2^-51, the slack the proof tool allows them. A case counts as within the proven error, or as
// lying on one side of its boundary, only by more than that.
constexpr double kSeriesSlack = 0x1p-60;
constexpr double kLibrarySlack = 0x1p-51;
// Cases within the proven error, at the fewest: those built for the arctangent and those of them
// further than half of it from their boundary, and the hard cases of each function.
constexpr std::size_t kFewestBuiltWithin = 300;
constexpr std::size_t kFewestBuiltInTheOuterHalf = 150;
constexpr std::size_t kFewestHardWithin = 80;

// An input whose exact result lies near a rounding boundary between floats.
struct NearBoundary {
    HardFunction function;
    float first;   // the argument, or y
    float second;  // x for Atan2
    double boundary;
    double distance;  // the exact result less the boundary
    double slack;     // the reference's error, as a share of the result
};

// The exact result a + c, a a double and c a small correction, against the rounding boundary
// nearest it. a less the boundary is exact, the two lying within a few floats of each other;
// adding c rounds once, by 2^-53 of the distance.
NearBoundary nearBoundary(HardFunction function, float first, float second, double a, double c,
                          double slack) {
    const double value = a + c;
    const auto nearest = static_cast<float>(value);
    const double up = 0.5 * (static_cast<double>(nearest) +
                             static_cast<double>(std::nextafter(nearest, 2.0f * nearest)));
    const double down =
        0.5 * (static_cast<double>(nearest) + static_cast<double>(std::nextafter(nearest, 0.0f)));
    const double boundary = std::fabs(value - up) < std::fabs(value - down) ? up : down;
    return {function, first, second, boundary, (a - boundary) + c, slack};
}

// atan2 of a tiny ratio q = n/m beside π or π/2, where the exact result is π - atan q
// (x < 0 < y, |y| < |x|), π/2 - atan q (0 < x < y) or π/2 + atan q (x < 0 < y, |x| < |y|), with
// atan q = q - q^3/3 + q^5/5 - ... For each of the four boundaries nearest the constant on atan
// q's side, n is the float that puts the result nearest the boundary and two floats either side
// of it, over m = 1, 3, ..., 47: the spacing of n/m for one m is about the proven error, and the
// odd m move where it falls, so that many results land within it. π to 106 bits, q under 2^-20
// in double to 2^-53 of itself and the series through q^3 (q^5/5 < 2^-100) leave the reference
// within 2^-72 of the result's size (2^-74.6 at worst against 113-bit libquadmath). Every case is
// also taken with y negated, and the result with it.
std::vector<NearBoundary> atan2NearConstants() {
    constexpr double kPiHigh = 0x1.921fb54442d18p+1;
    constexpr double kPiLow = 0x1.1a62633145c07p-53;
    constexpr int kBoundaries = 4;
    constexpr int kDenominators = 24;
    constexpr int kSteps = 2;  // floats either side of the numerator nearest the boundary
    struct Form {
        double high;
        double low;
        double side;  // the sign of atan q in the result
        bool swapped;
        bool xNegative;
    };
    const Form forms[] = {
        {kPiHigh, kPiLow, -1.0, false, true},
        {kPiHigh / 2, kPiLow / 2, -1.0, true, false},
        {kPiHigh / 2, kPiLow / 2, +1.0, true, true},
    };
    std::vector<NearBoundary> cases;
    for (const Form& form : forms) {
        // The boundaries on atan q's side of the constant, nearest first.
        const auto constant = static_cast<float>(form.high);
        const float away = form.side > 0 ? 4.0f : 0.0f;
        float nearer = constant;
        float further = std::nextafter(constant, away);
        if ((0.5 * (static_cast<double>(nearer) + further) - form.high) * form.side < 0) {
            nearer = further;
            further = std::nextafter(further, away);
        }
        for (int b = 0; b < kBoundaries; ++b) {
            const double boundary = 0.5 * (static_cast<double>(nearer) + further);
            // atan q at the boundary, near enough: q = tan r is r + r^3/3 + ...
            const double r = (boundary - form.high - form.low) * form.side;
            const double q = r + r * r * r / 3;
            for (int k = 0; k < kDenominators; ++k) {
                const auto m = static_cast<float>(2 * k + 1);
                const auto nearest = static_cast<float>(q * m);
                float n = nearest;
                for (int step = 0; step < kSteps; ++step) {
                    n = std::nextafter(n, 0.0f);
                }
                for (int step = -kSteps; step <= kSteps; ++step, n = std::nextafter(n, 1.0f)) {
                    const double ratio = static_cast<double>(n) / m;
                    const double atanRatio = ratio - ratio * ratio * ratio / 3;
                    const float y = form.swapped ? m : n;
                    const float x = (form.swapped ? n : m) * (form.xNegative ? -1.0f : 1.0f);
                    const NearBoundary c =
                        nearBoundary(HardFunction::Atan2, y, x, form.high,
                                     form.low + form.side * atanRatio, kSeriesSlack);
                    cases.push_back(c);
                    cases.push_back({c.function, -y, x, -c.boundary, -c.distance, c.slack});
                }
            }
            nearer = further;
            further = std::nextafter(further, away);
        }
    }
    return cases;
}

// The proof's hard cases, which lie within 2^-47 of a boundary, against the C library's double
// functions: some lie within the proven error.
std::vector<NearBoundary> libraryCases() {
    std::vector<NearBoundary> cases;
    for (const HardCase& h : kHardCases) {
        const float first = fromBits(h.first);
        const float second = fromBits(h.second);
        const auto a = static_cast<double>(first);
        const double value = h.function == HardFunction::Sin   ? std::sin(a)
                             : h.function == HardFunction::Cos ? std::cos(a)
                                                               : std::atan2(a, second);
        cases.push_back(nearBoundary(h.function, first, second, value, 0.0, kLibrarySlack));
    }
    return cases;
}

// What the fast stage made of the cases within its proven error, for one function.
struct Declines {
    std::size_t within = 0;
    std::size_t inTheOuterHalf = 0;
    std::size_t failures = 0;
    std::string list;
};

std::array<Declines, 3> declinesOf(const std::vector<NearBoundary>& cases) {
    constexpr std::array<const char*, 3> kNames = {"sin", "cos", "atan2"};
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    std::array<Declines, 3> declines;
    for (const NearBoundary& c : cases) {
        if (c.function == HardFunction::Atan2 && atan2RoundsTheRatio(c.first, c.second)) {
            continue;
        }
        const double size = std::fabs(c.boundary);
        const double proven =
            (c.function == HardFunction::Atan2 ? kAtan2ProvenError : kSinCosProvenError) * size;
        const double slack = c.slack * size;
        if (std::fabs(c.distance) + slack > proven) {
            continue;
        }
        Declines& d = declines[static_cast<std::size_t>(c.function)];
        ++d.within;
        d.inTheOuterHalf += std::fabs(c.distance) > 0.5 * proven ? 1 : 0;
        TrigEstimate fast = {};
        float ours = 0.0f;
        switch (c.function) {
            case HardFunction::Sin:
                fast = estimateSinFast(c.first);
                ours = roundedSin(c.first);
                break;
            case HardFunction::Cos:
                fast = estimateCosFast(c.first);
                ours = roundedCos(c.first);
                break;
            case HardFunction::Atan2:
                fast = estimateAtan2Fast(c.first, c.second);
                ours = roundedAtan2(c.first, c.second);
                break;
        }
        const bool decided = fastTrigEstimateDecides(fast);
        float rounded = 0.0f;
        const bool boundReached = !roundTrigEstimate(fast, rounded);
        // The boundary lies midway between two floats; the exact result rounds to the one on
        // its side, when the reference can tell the side.
        const auto even = static_cast<float>(c.boundary);
        const float odd =
            std::nextafter(even, static_cast<double>(even) < c.boundary ? kInfinity : -kInfinity);
        const float expected = (c.distance > 0.0) == (odd > even) ? odd : even;
        const bool wrong = std::fabs(c.distance) > slack && !same(ours, expected);
        if (decided || !boundReached || wrong) {
            if (++d.failures <= 10) {
                char line[200];
                std::snprintf(line, sizeof line,
                              "%s(0x%08x, 0x%08x): %+.2f u of %a from a boundary; decided %d, "
                              "bound reaches it %d, gave 0x%08x, nearest 0x%08x\n",
                              kNames[static_cast<std::size_t>(c.function)], bitsOf(c.first),
                              bitsOf(c.second), c.distance / size * 0x1p53, c.boundary,
                              decided ? 1 : 0, boundReached ? 1 : 0, bitsOf(ours),
                              bitsOf(expected));
                d.list += line;
            }
        }
    }
    return declines;
}
}  // namespace

// Where the exact result lies within the fast stage's proven error of a rounding boundary, the
// fast estimate may lie on the boundary's other side: the function must hand the input to the
// slow stage, the estimate's bound must reach the boundary, and the result is the nearest float.
TEST(CorrectRounding, TheFastStageNeverDecidesAnInputWithinItsProvenErrorOfABoundary) {
    const std::array<Declines, 3> built = declinesOf(atan2NearConstants());
    const Declines& atan2 = built[static_cast<std::size_t>(HardFunction::Atan2)];
    EXPECT_GE(atan2.within, kFewestBuiltWithin);
    EXPECT_GE(atan2.inTheOuterHalf, kFewestBuiltInTheOuterHalf);
    EXPECT_EQ(atan2.failures, 0u) << atan2.list;
    // Where the C library's double functions can be the reference, every path of the reductions
    // and every quadrant of the arctangent, through the proof's hard cases.
    if (kLibraryTrigIsExact) {
        constexpr std::array<const char*, 3> kNames = {"sine", "cosine", "arctangent"};
        const std::array<Declines, 3> library = declinesOf(libraryCases());
        for (std::size_t f = 0; f < library.size(); ++f) {
            SCOPED_TRACE(std::string(kNames[f]) + ", the proof's hard cases");
            EXPECT_GE(library[f].within, kFewestHardWithin);
            EXPECT_EQ(library[f].failures, 0u) << library[f].list;
        }
    }
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
