// engine_math_trig -- the game's own sine, cosine and two-argument arctangent of 32-bit floats,
// correctly rounded for every input, so the rules move coins alike on every platform.
//
// Ziv's way: a fast stage in double arithmetic with a proven bound on its error; when a
// rounding boundary between floats lies within that bound, a slow stage in double-double
// arithmetic (about 106 bits) decides. docs/MATHS.md derives the bounds and gives the proof.
#include "engine_math_trig.hpp"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "bit_copy.hpp"

// Every double operation must round to double, never to x87's 80 bits (on 32-bit x86 build
// with -msse2 -mfpmath=sse). -ffp-contract=off keeps fused multiply-adds out.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round to double");

namespace {
// A double-double: the unevaluated sum hi + lo, with |lo| at most half an ulp of hi.
struct Dd {
    double hi;
    double lo;
};

// The error-free transformations (Knuth's TwoSum, Dekker's FastTwoSum, Veltkamp's split and
// Dekker's product) and the double-double operations of Joldes, Muller and Popescu (2017).
constexpr Dd twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Exact when |a| >= |b|.
constexpr Dd fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// hi keeps the top 26 bits of the significand, so the product of two halves is exact.
constexpr Dd split(double a) {
    constexpr double kSplitter = 0x1p27 + 1.0;
    const double c = kSplitter * a;
    const double hi = c - (c - a);
    return {hi, a - hi};
}

constexpr Dd twoProduct(double a, double b) {
    const double p = a * b;
    const Dd as = split(a);
    const Dd bs = split(b);
    return {p, ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo};
}

// Relative error at most 3u^2, u = 2^-53.
constexpr Dd add(Dd a, Dd b) {
    const Dd s = twoSum(a.hi, b.hi);
    const Dd t = twoSum(a.lo, b.lo);
    const Dd v = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(v.hi, t.lo + v.lo);
}

constexpr Dd negate(Dd a) {
    return {-a.hi, -a.lo};
}

// Relative error at most 7u^2.
constexpr Dd multiply(Dd a, Dd b) {
    const Dd p = twoProduct(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

// a / b, with relative error at most 3u^2, and none beyond the second quotient's rounding when
// a is a double: the remainder a - q·b of a correctly rounded quotient is exactly representable.
constexpr Dd divide(Dd a, double b) {
    const double q = a.hi / b;
    const Dd p = twoProduct(q, b);
    const double remainder = ((a.hi - p.hi) - p.lo) + a.lo;
    return fastTwoSum(q, remainder / b);
}

// 1/n! for n = 2..11: the Taylor coefficients of sine and cosine.
constexpr std::array<Dd, 10> kInverseFactorial = {{
    {0x1.0000000000000p-1, 0.0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},
}};

constexpr Dd inverseFactorial(int n) {
    return kInverseFactorial[static_cast<std::size_t>(n - 2)];
}

// atan(i/16) for i = 0..16.
constexpr std::array<Dd, 17> kAtanOfSixteenth = {{
    {0.0, 0.0},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.0657e94db30d0p-1, -0x1.d5b495f6349e6p-56},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
}};

// 1/(2n + 1) for n = 1..11: the Taylor coefficients of the arctangent, without their signs.
constexpr std::array<Dd, 11> kInverseOdd = {{
    {0x1.5555555555555p-2, 0x1.5555555555555p-56},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {0x1.2492492492492p-3, 0x1.2492492492492p-57},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {0x1.745d1745d1746p-4, -0x1.745d1745d1746p-59},
    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {0x1.1111111111111p-4, 0x1.1111111111111p-60},
    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {0x1.af286bca1af28p-5, 0x1.af286bca1af28p-59},
    {0x1.8618618618618p-5, 0x1.8618618618618p-59},
    {0x1.642c8590b2164p-5, 0x1.642c8590b2164p-60},
}};

constexpr Dd kPi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr Dd kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr Dd kPiOver256 = {0x1.921fb54442d18p-7, 0x1.1a62633145c07p-61};
// π/256 in two parts, the first of 40 bits, so that k times it is exact for k < 2^13.
constexpr double kPiOver256Part1 = 0x1.921fb54442p-7;
constexpr double kPiOver256Part2 = 0x1.a308d313198a3p-48;
constexpr double kTwoFiftySixOverPi = 0x1.45f306dc9c883p+6;
// Added to and taken from a double under 2^51, it rounds it to an integer, which then sits in
// the low bits of the sum's significand.
constexpr double kRoundingShift = 0x1.8p52;

// The bits of 1/(2π) after the binary point, 64 to a word, behind one word of zeros that
// stands for the bits before it.
constexpr std::array<std::uint64_t, 6> kInverseTwoPiBits = {
    0,
    0x28be60db9391054a,
    0x7f09d5f47d4d3770,
    0x36d8a5664f10e410,
    0x7f9458eaf7aef158,
    0x6dc91b8e909374b8,
};

// The float results of Annex F's exact cases, each the float nearest its value.
constexpr float kPiFloat = 0x1.921fb6p+1f;
constexpr float kHalfPiFloat = 0x1.921fb6p+0f;
constexpr float kQuarterPiFloat = 0x1.921fb6p-1f;
constexpr float kThreeQuarterPiFloat = 0x1.2d97c8p+1f;

constexpr std::uint32_t kAbsMask = 0x7fffffffu;
constexpr std::uint32_t kInfinityBits = 0x7f800000u;
// Floats below this in magnitude lie within π/512 of 0 and need no reduction.
constexpr std::uint32_t kPiOver512Bits = 0x3bc90fdbu;
// Below 32, k = round(x·256/π) < 2^12 and the fast stage reduces in double (Cody and Waite).
constexpr std::uint32_t kCodyWaiteLimitBits = 0x42000000u;

// Fast stage bounds, u = 2^-53: 19u for sine and cosine, 10.5u for the arctangent are proven
// (docs/MATHS.md); these allow three times that and more, the rounding of value ± bound
// included. The absolute terms cover the reduction of the argument, in double below 32 and in
// integers above.
constexpr double kFastRelativeBound = 0x1p-47;
constexpr double kCodyWaiteAbsoluteBound = 0x1p-86;
constexpr double kPayneHanekAbsoluteBound = 0x1p-100;
// Slow stage: about 120u^2 proven, under 2^-99; the absolute term again covers the reduction.
constexpr double kSlowRelativeBound = 0x1p-96;
constexpr double kSlowAbsoluteBound = 0x1p-160;
// The biased exponent of 2^-40, from which the fast bound is under 2^7 ulps of the estimate.
constexpr std::uint64_t kQuickTestExponent = 1023 - 40;
constexpr double kTinyRatio = 0x1p-26;

std::uint32_t bitsOf(float x) {
    return bitCopy<std::uint32_t>(x);
}

constexpr int kWholeBits = 9;
constexpr std::uint32_t kTurnMask = 511;

// x·256/π modulo 512: its 9 whole bits, the 512ths of a turn in x, and its fraction in N words.
template <std::size_t N>
struct Turns {
    std::uint64_t whole;
    std::array<std::uint64_t, N> fraction;
};

// The exact product of the 24-bit significand m of x = m·2^e (x normal) by the 64·N bits of
// 1/(2π) from bit e + 1 on, modulo 2^(64·N). Earlier bits only add whole turns; the bits left
// out add less than m·2^(9 - 64·N) < 2^(33 - 64·N).
template <std::size_t N>
Turns<N> turnsIn512ths(std::uint32_t absBits) {
    const std::uint64_t m = (absBits & 0x7fffffu) | 0x800000u;
    const int first = static_cast<int>(absBits >> 23) - 150 + 1;
    const int offset = first + 63;
    const auto word = static_cast<std::size_t>(offset / 64);
    const int shift = offset % 64;
    std::array<std::uint64_t, N> window = {};
    for (std::size_t i = 0; i < N; ++i) {
        window[i] = kInverseTwoPiBits[word + i] << shift;
        if (shift != 0) {
            window[i] |= kInverseTwoPiBits[word + i + 1] >> (64 - shift);
        }
    }
    // The product, a word at a time from the least significant, in 32-bit halves so that no
    // partial product overflows.
    std::array<std::uint64_t, N> product = {};
    std::uint64_t carry = 0;
    for (std::size_t i = N; i-- > 0;) {
        const std::uint64_t low = m * (window[i] & 0xffffffffu);
        const std::uint64_t high = m * (window[i] >> 32);
        std::uint64_t sum = low + (high << 32);
        std::uint64_t next = (high >> 32) + (sum < low ? 1 : 0);
        sum += carry;
        next += sum < carry ? 1 : 0;
        product[i] = sum;
        carry = next;
    }
    Turns<N> turns = {product[0] >> (64 - kWholeBits), {}};
    for (std::size_t i = 0; i < N; ++i) {
        turns.fraction[i] = product[i] << kWholeBits;
        if (i + 1 < N) {
            turns.fraction[i] |= product[i + 1] >> (64 - kWholeBits);
        }
    }
    return turns;
}

// |x|·256/π = k + t, k taken modulo 512 and |t| <= 1/2; t has a relative error of at most 2u and
// an absolute one under 2^-95.
struct Reduced {
    std::uint32_t k;
    double t;
};

Reduced reduceFast(std::uint32_t absBits) {
    const Turns<2> turns = turnsIn512ths<2>(absBits);
    const std::uint64_t high = turns.fraction[0];
    // A fraction of a half or more rounds up; read as signed, it is then t - 1 < 0.
    const auto k = static_cast<std::uint32_t>((turns.whole + (high >> 63)) & kTurnMask);
    const double t = static_cast<double>(static_cast<std::int64_t>(high)) * 0x1p-64 +
                     static_cast<double>(turns.fraction[1]) * 0x1p-128;
    return {k, t};
}

struct ReducedExactly {
    std::uint32_t k;
    Dd t;
};

// As reduceFast with 192 bits: t to a relative 18u^2 and an absolute 2^-159.
ReducedExactly reduceSlow(std::uint32_t absBits) {
    Turns<3> turns = turnsIn512ths<3>(absBits);
    std::array<std::uint64_t, 3>& fraction = turns.fraction;
    const bool negative = (fraction[0] >> 63) != 0;
    if (negative) {
        std::uint64_t carry = 1;
        for (std::size_t i = 3; i-- > 0;) {
            fraction[i] = ~fraction[i] + carry;
            carry = (carry != 0 && fraction[i] == 0) ? 1 : 0;
        }
    }
    // Each 32-bit half converts exactly; their sum, smallest first, rounds only in add().
    Dd t = {0.0, 0.0};
    double scale = 0x1p-192;
    for (std::size_t i = 3; i-- > 0;) {
        t = add(t, {static_cast<double>(fraction[i] & 0xffffffffu) * scale, 0.0});
        t = add(t, {static_cast<double>(fraction[i] >> 32) * scale * 0x1p32, 0.0});
        scale *= 0x1p64;
    }
    const auto k = static_cast<std::uint32_t>((turns.whole + (negative ? 1 : 0)) & kTurnMask);
    return {k, negative ? negate(t) : t};
}

struct SinCosExactly {
    Dd sin;
    Dd cos;
};

// sin a and cos a for 0 <= a <= π/4 by their Taylor series through a^31 and a^30 (left out,
// under 2^-118), for the table: a(1 - a²/(2·3)(1 - a²/(4·5)(1 - ...))) and
// 1 - a²/(1·2)(1 - a²/(3·4)(1 - ...)).
constexpr SinCosExactly seriesForTable(Dd a) {
    const Dd z = multiply(a, a);
    const Dd one = {1.0, 0.0};
    Dd s = one;
    Dd c = one;
    for (int n = 30; n >= 2; n -= 2) {
        s = add(one, negate(divide(multiply(z, s), static_cast<double>(n * (n + 1)))));
        c = add(one, negate(divide(multiply(z, c), static_cast<double>((n - 1) * n))));
    }
    return {multiply(a, s), c};
}

// sin(kπ/256) and cos(kπ/256) for k = 0..511, worked out when the game is compiled: the series
// on the first eighth of a turn, the rest by symmetry. About 2^-102 relative;
// tools/proofs/trig_proof.cpp checks the slow stage, and so the whole table, against 113-bit
// values.
struct Turn {
    Dd sin;
    Dd cos;
};

constexpr std::array<Turn, kTurnMask + 1> makeTurns() {
    constexpr std::uint32_t kQuarter = (kTurnMask + 1) / 4;
    std::array<SinCosExactly, kQuarter / 2 + 1> eighth = {};
    for (std::uint32_t j = 0; j < eighth.size(); ++j) {
        eighth[j] = seriesForTable(multiply(kPiOver256, {static_cast<double>(j), 0.0}));
    }
    std::array<Turn, kTurnMask + 1> turns = {};
    for (std::uint32_t k = 0; k < turns.size(); ++k) {
        const std::uint32_t j = k % kQuarter;
        const Dd s = j <= kQuarter / 2 ? eighth[j].sin : eighth[kQuarter - j].cos;
        const Dd c = j <= kQuarter / 2 ? eighth[j].cos : eighth[kQuarter - j].sin;
        switch (k / kQuarter) {
            case 0:
                turns[k] = {s, c};
                break;
            case 1:
                turns[k] = {c, negate(s)};
                break;
            case 2:
                turns[k] = {negate(s), negate(c)};
                break;
            default:
                turns[k] = {negate(c), s};
                break;
        }
    }
    return turns;
}

alignas(32) constexpr std::array<Turn, kTurnMask + 1> kTurns = makeTurns();

struct SinCos {
    double sin;
    double cos;
};

// Taylor series for |a| <= π/512 (and a little more): left out, under 0.7u relative.
SinCos seriesFast(double a) {
    const double z = a * a;
    const double s3 = -inverseFactorial(3).hi;
    const double s5 = inverseFactorial(5).hi;
    const double c2 = -inverseFactorial(2).hi;
    const double c4 = inverseFactorial(4).hi;
    return {a + a * (z * (s3 + z * s5)), 1.0 + z * (c2 + z * c4)};
}

// Taylor series through a^11 and a^10 for |a| <= π/512: left out, under 2^-117 relative.
SinCosExactly seriesSlow(Dd a) {
    constexpr int kLastSinTerm = 11;
    const Dd z = multiply(a, a);
    const auto term = [](int n) {
        // The coefficient of a^n: +1/n! when n mod 4 is 0 or 1, −1/n! when it is 2 or 3.
        return (n % 4) < 2 ? inverseFactorial(n) : negate(inverseFactorial(n));
    };
    Dd s = term(kLastSinTerm);
    Dd c = term(kLastSinTerm - 1);
    for (int n = kLastSinTerm - 2; n >= 3; n -= 2) {
        s = add(term(n), multiply(z, s));
        c = add(term(n - 1), multiply(z, c));
    }
    return {add(a, multiply(multiply(a, z), s)), add({1.0, 0.0}, multiply(z, c))};
}

// The fast stage's value and the absolute part of its bound, which covers the reduction.
struct FastValue {
    double value;
    double absoluteBound;
};

// sin or cos of a finite x before rounding: x = kπ/256 + θ with |θ| <= π/512, then the addition
// formulas with the table. k is taken modulo 512; for x < 0 it may be negative.
template <bool kCosine>
inline FastValue sinOrCosFast(float x) {
    const std::uint32_t absBits = bitsOf(x) & kAbsMask;
    std::uint32_t k = 0;
    double theta = x;
    double absoluteBound = kCodyWaiteAbsoluteBound;
    if (absBits - kPiOver512Bits < kCodyWaiteLimitBits - kPiOver512Bits) {
        // x - k·π/256 with its first part exact: the error is at most u|θ| + 2^-88.
        const double shifted = theta * kTwoFiftySixOverPi + kRoundingShift;
        const double whole = shifted - kRoundingShift;
        k = static_cast<std::uint32_t>(bitCopy<std::uint64_t>(shifted)) & kTurnMask;
        theta = (theta - whole * kPiOver256Part1) - whole * kPiOver256Part2;
    } else if (absBits < kPiOver512Bits) {
        // The series would give sin(-0) = +0.
        const SinCos series = absBits == 0 ? SinCos{x, 1.0} : seriesFast(x);
        return {kCosine ? series.cos : series.sin, 0.0};
    } else {
        const Reduced r = reduceFast(absBits);
        const bool negative = x < 0.0f;
        k = negative ? (kTurnMask + 1 - r.k) & kTurnMask : r.k;
        theta = (negative ? -r.t : r.t) * kPiOver256.hi;
        absoluteBound = kPayneHanekAbsoluteBound;
    }
    const SinCos series = seriesFast(theta);
    const Turn& turn = kTurns[k];
    if constexpr (kCosine) {
        return {turn.cos.hi * series.cos - turn.sin.hi * series.sin, absoluteBound};
    }
    return {turn.sin.hi * series.cos + turn.cos.hi * series.sin, absoluteBound};
}

Dd sinOrCosSlow(float x, bool cosine) {
    const std::uint32_t absBits = bitsOf(x) & kAbsMask;
    std::uint32_t k = 0;
    Dd theta = {x, 0.0};
    if (absBits >= kPiOver512Bits) {
        const ReducedExactly r = reduceSlow(absBits);
        const bool negative = x < 0.0f;
        k = negative ? (kTurnMask + 1 - r.k) & kTurnMask : r.k;
        theta = multiply(negative ? negate(r.t) : r.t, kPiOver256);
    }
    const SinCosExactly series = seriesSlow(theta);
    const Turn& turn = kTurns[k];
    if (cosine) {
        return add(multiply(turn.cos, series.cos), negate(multiply(turn.sin, series.sin)));
    }
    return add(multiply(turn.sin, series.cos), multiply(turn.cos, series.sin));
}

// The absolute term of the slow bound covers the reduction of the argument: none below π/512.
double slowAbsoluteBound(float x) {
    return (bitsOf(x) & kAbsMask) >= kPiOver512Bits ? kSlowAbsoluteBound : 0.0;
}

TrigEstimate fastEstimate(double value, double absoluteBound) {
    return {value, 0.0, kFastRelativeBound * std::fabs(value) + absoluteBound};
}

TrigEstimate slowEstimate(Dd value, double absoluteBound) {
    return {value.hi, value.lo, kSlowRelativeBound * std::fabs(value.hi) + absoluteBound};
}

// A float from an estimate, and whether every value within the estimate's bound rounds to it.
struct Rounded {
    float value;
    bool decided;
};

// The fast stage's test: true when high - bound and high + bound round to the same float, so
// that every value between them does.
bool decidesFast(const TrigEstimate& fast) {
    const std::uint64_t bits = bitCopy<std::uint64_t>(fast.high);
    if (((bits >> 52) & 0x7ffu) >= kQuickTestExponent) {
        // From 2^-40 up the bound is under 2^7 ulps of the double, and a float's rounding
        // boundaries are where its 29 low bits read 2^28.
        constexpr std::uint64_t kLowBits = (std::uint64_t{1} << 29) - 1;
        constexpr std::uint64_t kBelowMidpoint = (std::uint64_t{1} << 28) - (1u << 7);
        return ((bits - kBelowMidpoint) & kLowBits) > (1u << 8);
    }
    return static_cast<float>(fast.high - fast.bound) == static_cast<float>(fast.high + fast.bound);
}

// The float nearest high + low, and whether every value within the bound rounds to it.
Rounded roundEstimate(const TrigEstimate& estimate) {
    // Work on the magnitude; the two midpoints next to the float nearest high are the only
    // rounding boundaries a value within half a float ulp of it can cross.
    const bool negative = estimate.high < 0.0;
    const double high = std::fabs(estimate.high);
    const double low = negative ? -estimate.low : estimate.low;
    const float nearest = static_cast<float>(high);
    const std::uint32_t bits = bitsOf(nearest);
    const double value = nearest;
    const double above = bitCopy<float>(bits + 1);
    const double below = bits == 0 ? -0x1p-149 : bitCopy<float>(bits - 1);
    const double midpointAbove = 0.5 * (value + above);
    const double midpointBelow = 0.5 * (value + below);
    // high on a midpoint was rounded to even; low says which side the exact value is on.
    float magnitude = nearest;
    if (high == midpointAbove && low > 0.0) {
        magnitude = static_cast<float>(above);
    } else if (high == midpointBelow && low < 0.0) {
        magnitude = static_cast<float>(below);
    }
    const double distanceAbove = (midpointAbove - high) - low;
    const double distanceBelow = (high - midpointBelow) + low;
    return {negative ? -magnitude : magnitude,
            std::fabs(distanceAbove) > estimate.bound && std::fabs(distanceBelow) > estimate.bound};
}

// |y| and |x| as the quotient q = numerator / denominator <= 1, swapped when |y| > |x|, so that
// atan2 is atan(q), π/2 - atan(q), π - atan(q) or π/2 + atan(q), with the sign of y.
struct Ratio {
    double numerator;
    double denominator;
    double q;
    bool swapped;
};

// Below 2^-26, atan(q) rounds as q does, unless q lies on a rounding boundary (docs/MATHS.md).
bool roundsTheRatio(const Ratio& r, float x) {
    return !r.swapped && !std::signbit(x) && r.q < kTinyRatio;
}

Ratio ratioOf(float y, float x) {
    const double ay = std::fabs(static_cast<double>(y));
    const double ax = std::fabs(static_cast<double>(x));
    const bool swapped = ay > ax;
    const double numerator = swapped ? ax : ay;
    const double denominator = swapped ? ay : ax;
    return {numerator, denominator, numerator / denominator, swapped};
}

// atan(q) = atan(i/16) + atan(d), d = (q - c)/(1 + q·c), c = i/16 the nearest sixteenth, so
// |d| <= 1/32. With q = n/m, d = (n - c·m)/(m + c·n), whose numerator and denominator are
// exact: c has 5 bits, n and m 24, and n >= m/32 whenever c > 0.
struct Sixteenth {
    std::size_t i;
    double numerator;
    double denominator;
};

Sixteenth nearestSixteenth(const Ratio& r) {
    const auto i = static_cast<std::size_t>(r.q * 16.0 + 0.5);
    const double c = static_cast<double>(i) * 0.0625;
    return {i, r.numerator - c * r.denominator, r.denominator + c * r.numerator};
}

double atan2Fast(const Ratio& r, float y, float x) {
    const Sixteenth s = nearestSixteenth(r);
    const double d = s.numerator / s.denominator;
    const double z = d * d;
    const double a3 = -kInverseOdd[0].hi;
    const double a5 = kInverseOdd[1].hi;
    const double a7 = -kInverseOdd[2].hi;
    const double a9 = kInverseOdd[3].hi;
    const double a11 = -kInverseOdd[4].hi;
    // Through d^11: left out, under 2^-63 relative.
    const double atanD = d + d * (z * (a3 + z * (a5 + z * (a7 + z * (a9 + z * a11)))));
    double value = kAtanOfSixteenth[s.i].hi + atanD;
    if (r.swapped) {
        value = kHalfPi.hi - value;
    }
    if (std::signbit(x)) {
        value = kPi.hi - value;
    }
    return std::signbit(y) ? -value : value;
}

Dd atan2Slow(const Ratio& r, float y, float x) {
    const Sixteenth s = nearestSixteenth(r);
    const Dd d = divide({s.numerator, 0.0}, s.denominator);
    const Dd z = multiply(d, d);
    // Through d^23: left out, under 2^-124 relative.
    const auto coefficient = [](std::size_t n) {
        const Dd inverse = kInverseOdd[n - 1];
        return n % 2 == 1 ? negate(inverse) : inverse;
    };
    Dd series = coefficient(kInverseOdd.size());
    for (std::size_t n = kInverseOdd.size() - 1; n >= 1; --n) {
        series = add(coefficient(n), multiply(z, series));
    }
    const Dd atanD = add(d, multiply(multiply(d, z), series));
    Dd value = add(kAtanOfSixteenth[s.i], atanD);
    if (r.swapped) {
        value = add(kHalfPi, negate(value));
    }
    if (std::signbit(x)) {
        value = add(kPi, negate(value));
    }
    return std::signbit(y) ? negate(value) : value;
}

// Annex F's cases: a NaN, a zero or an infinity among the arguments. False for the rest.
bool atan2Special(float y, float x, float& result) {
    if (std::isnan(y) || std::isnan(x)) {
        result = y + x;
        return true;
    }
    const bool yInfinite = std::isinf(y);
    const bool xInfinite = std::isinf(x);
    float magnitude = 0.0f;
    if (y == 0.0f) {
        magnitude = std::signbit(x) ? kPiFloat : 0.0f;
    } else if (yInfinite && xInfinite) {
        magnitude = std::signbit(x) ? kThreeQuarterPiFloat : kQuarterPiFloat;
    } else if (yInfinite || x == 0.0f) {
        magnitude = kHalfPiFloat;
    } else if (xInfinite) {
        magnitude = std::signbit(x) ? kPiFloat : 0.0f;
    } else {
        return false;
    }
    result = std::signbit(y) ? -magnitude : magnitude;
    return true;
}
// The slow stage, rounded: called from one place for each function, and rarely.
float roundSinOrCosSlowly(float x, bool cosine) {
    return roundEstimate(slowEstimate(sinOrCosSlow(x, cosine), slowAbsoluteBound(x))).value;
}

template <bool kCosine>
float roundedSinOrCos(float x) {
    if ((bitsOf(x) & kAbsMask) >= kInfinityBits) {
        return x - x;
    }
    const FastValue value = sinOrCosFast<kCosine>(x);
    const TrigEstimate fast = fastEstimate(value.value, value.absoluteBound);
    if (decidesFast(fast)) {
        return static_cast<float>(fast.high);
    }
    return roundSinOrCosSlowly(x, kCosine);
}
}  // namespace

TrigEstimate estimateSinFast(float x) {
    const FastValue fast = sinOrCosFast<false>(x);
    return fastEstimate(fast.value, fast.absoluteBound);
}

TrigEstimate estimateSinSlow(float x) {
    return slowEstimate(sinOrCosSlow(x, false), slowAbsoluteBound(x));
}

TrigEstimate estimateCosFast(float x) {
    const FastValue fast = sinOrCosFast<true>(x);
    return fastEstimate(fast.value, fast.absoluteBound);
}

TrigEstimate estimateCosSlow(float x) {
    return slowEstimate(sinOrCosSlow(x, true), slowAbsoluteBound(x));
}

TrigEstimate estimateAtan2Fast(float y, float x) {
    return fastEstimate(atan2Fast(ratioOf(y, x), y, x), 0.0);
}

bool atan2RoundsTheRatio(float y, float x) {
    return roundsTheRatio(ratioOf(y, x), x);
}

TrigEstimate estimateAtan2Slow(float y, float x) {
    return slowEstimate(atan2Slow(ratioOf(y, x), y, x), 0.0);
}

bool fastTrigEstimateDecides(const TrigEstimate& fast) {
    return decidesFast(fast);
}

bool roundTrigEstimate(const TrigEstimate& estimate, float& rounded) {
    const Rounded r = roundEstimate(estimate);
    rounded = r.value;
    return r.decided;
}

float roundedSin(float x) {
    return roundedSinOrCos<false>(x);
}

float roundedCos(float x) {
    return roundedSinOrCos<true>(x);
}

float roundedAtan2(float y, float x) {
    float rounded = 0.0f;
    if (atan2Special(y, x, rounded)) {
        return rounded;
    }
    const Ratio r = ratioOf(y, x);
    if (roundsTheRatio(r, x)) {
        // atan(q) lies just below q; q itself is a float midpoint only when it is exactly one,
        // and then the value below rounds down: round the double just under q's.
        const double under = bitCopy<double>(bitCopy<std::uint64_t>(r.q) - 1);
        const auto magnitude = static_cast<float>(under);
        return std::signbit(y) ? -magnitude : magnitude;
    }
    const TrigEstimate fast = fastEstimate(atan2Fast(r, y, x), 0.0);
    if (decidesFast(fast)) {
        return static_cast<float>(fast.high);
    }
    return roundEstimate(slowEstimate(atan2Slow(r, y, x), 0.0)).value;
}
