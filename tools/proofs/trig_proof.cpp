// brickfall-trig-proof -- checks that the game's sine, cosine and two-argument arctangent are
// correctly rounded: every float for sine and cosine, C's Annex F cases, every y with x = 1 and
// x = -1 and random pairs for the arctangent, against references independent of the game's
// code; counts where the C library's float functions differ, and lists the hard cases found.
#include <quadmath.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "block_workers.hpp"
#include "count_option.hpp"
#include "engine_math_helper.hpp"
#include "engine_math_trig.hpp"
#include "game_constants.hpp"
#include "sim_monkey.hpp"

namespace {
using Quad = __float128;

constexpr const char* kUsage =
    "usage: brickfall-trig-proof [--pairs N] [--game-pairs N] [--game-angles N] [--threads N]\n"
    "                            [--stride N] [--hard-cases FILE] [--seed N]\n"
    "Checks roundedSin and roundedCos on all 2^32 floats and roundedAtan2 on Annex F's cases,\n"
    "on every y with x = 1 and x = -1, and on random pairs, against the C library's double\n"
    "functions where they decide the rounding by a wide margin and 113-bit libquadmath where\n"
    "they do not. Exits with status 1 if any result is not the correctly rounded one.\n"
    "  --pairs N       random pairs of floats, all bit patterns alike (default 10000000000)\n"
    "  --game-pairs N  random pairs with |y|, |x| <= 330, the field's differences (default\n"
    "                  1000000000)\n"
    "  --game-angles N random angles within 180 degrees, in radians, for sine and cosine\n"
    "                  (default 1000000000)\n"
    "  --threads N     worker threads (default: one per CPU)\n"
    "  --stride N      sine and cosine every Nth float only, for a quick look (default 1)\n"
    "  --hard-cases FILE  write the hard cases as rows of a C++ table\n"
    "  --seed N        seed of the random pairs (default 1)\n";

// A reference decides the rounding when no rounding boundary between floats lies within this
// share of the value: the C library's double functions err by under 2^-52 of it.
constexpr double kDoubleMargin = 0x1p-47;
// libquadmath errs by a few units of 2^-113.
constexpr double kQuadMargin = 0x1p-100;
// The C library's double functions err by under this share of their value, the fast stage's
// estimates are checked against them with this slack.
constexpr double kDoubleSlack = 0x1p-51;
// The coins' homing turns by angles within ±180°, converted to radians.
constexpr float kGameAngle = 180.0f;
// The largest coordinate difference in the field: its rows and the ten below them where coins
// are lost.
constexpr auto kGameDifference = static_cast<float>(kPlayFieldHeight + 10);
constexpr std::uint64_t kBlock = std::uint64_t{1} << 20;
// Every this many inputs the slow stage is also checked against the 113-bit reference, so that
// every table entry and every window of 1/(2π) it reads is seen.
constexpr std::uint64_t kSlowSampleEvery = 1024;

enum class Function { Sin, Cos, Atan2 };

const char* nameOf(Function f) {
    switch (f) {
        case Function::Sin:
            return "Sin";
        case Function::Cos:
            return "Cos";
        case Function::Atan2:
            return "Atan2";
    }
    return "";
}

std::uint32_t bitsOf(float x) {
    return std::bit_cast<std::uint32_t>(x);
}

bool sameResult(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || bitsOf(a) == bitsOf(b);
}

struct HardCase {
    Function function;
    std::uint32_t first;
    std::uint32_t second;
    std::uint32_t result;
    double ulpsFromBoundary;
};

struct Mismatch {
    Function function;
    std::uint32_t first;
    std::uint32_t second;
    float ours;
    float reference;
};

// Everything one set of inputs found; threads keep their own and merge at the end.
struct Tally {
    std::uint64_t inputs = 0;
    std::uint64_t mismatches = 0;
    std::uint64_t libraryDiffers = 0;
    std::uint64_t quadReferences = 0;
    std::uint64_t quadUndecided = 0;
    std::uint64_t insideTheRatio = 0;
    std::uint64_t ratioRounded = 0;
    std::uint64_t fastChecked = 0;
    std::uint64_t fastBoundBroken = 0;
    double fastWorstShareOfBound = 0.0;
    std::uint64_t fastUndecided = 0;
    std::uint64_t slowChecked = 0;
    std::uint64_t slowBoundBroken = 0;
    std::uint64_t slowUndecided = 0;
    double slowWorstShareOfBound = 0.0;
    double doubleWorstError = 0.0;
    std::uint64_t doubleBeyondSlack = 0;
    std::vector<HardCase> hardCases;
    std::vector<Mismatch> mismatchList;

    void merge(const Tally& other) {
        inputs += other.inputs;
        mismatches += other.mismatches;
        libraryDiffers += other.libraryDiffers;
        quadReferences += other.quadReferences;
        quadUndecided += other.quadUndecided;
        insideTheRatio += other.insideTheRatio;
        ratioRounded += other.ratioRounded;
        fastChecked += other.fastChecked;
        fastBoundBroken += other.fastBoundBroken;
        fastWorstShareOfBound = std::max(fastWorstShareOfBound, other.fastWorstShareOfBound);
        fastUndecided += other.fastUndecided;
        slowChecked += other.slowChecked;
        slowBoundBroken += other.slowBoundBroken;
        slowUndecided += other.slowUndecided;
        slowWorstShareOfBound = std::max(slowWorstShareOfBound, other.slowWorstShareOfBound);
        doubleWorstError = std::max(doubleWorstError, other.doubleWorstError);
        doubleBeyondSlack += other.doubleBeyondSlack;
        hardCases.insert(hardCases.end(), other.hardCases.begin(), other.hardCases.end());
        if (mismatchList.size() < 20) {
            mismatchList.insert(mismatchList.end(), other.mismatchList.begin(),
                                other.mismatchList.end());
        }
    }
};

// The float nearest a double, when every value within kDoubleMargin of it rounds alike.
bool decideFromDouble(double value, float& rounded) {
    rounded = static_cast<float>(value);
    const double margin = kDoubleMargin * std::fabs(value);
    return static_cast<float>(value - margin) == static_cast<float>(value + margin);
}

// The float nearest a 113-bit value, and how far the value lies from the nearest rounding
// boundary, in ulps of that float.
struct QuadRounding {
    float rounded;
    bool decided;
    double ulpsFromBoundary;
    double shareFromBoundary;
};

QuadRounding roundQuad(Quad value) {
    const auto rounded = static_cast<float>(value);
    if (!std::isfinite(rounded) || rounded == 0.0f) {
        return {rounded, true, 0.5, 1.0};
    }
    const float magnitude = std::fabs(rounded);
    const float above = std::nextafter(magnitude, std::numeric_limits<float>::infinity());
    const float below = std::nextafter(magnitude, 0.0f);
    const Quad absValue = fabsq(value);
    const Quad distanceAbove = fabsq((static_cast<Quad>(magnitude) + above) / 2 - absValue);
    const Quad distanceBelow = fabsq((static_cast<Quad>(magnitude) + below) / 2 - absValue);
    const Quad distance = distanceAbove < distanceBelow ? distanceAbove : distanceBelow;
    const double ulp = static_cast<double>(above) - static_cast<double>(magnitude);
    return {rounded, distance > kQuadMargin * absValue, static_cast<double>(distance) / ulp,
            static_cast<double>(distance / absValue)};
}

// The reference for one input: the double function when it decides, else libquadmath. A case
// the double function leaves undecided lies within kDoubleMargin of a boundary: a hard case.
struct Reference {
    float rounded;
    bool fromQuad;
    QuadRounding quad;
};

template <typename DoubleFunction, typename QuadFunction>
Reference referenceOf(DoubleFunction inDouble, QuadFunction inQuad, Tally& tally) {
    float rounded = 0.0f;
    if (decideFromDouble(inDouble(), rounded)) {
        return {rounded, false, {}};
    }
    ++tally.quadReferences;
    const QuadRounding quad = roundQuad(inQuad());
    return {quad.rounded, true, quad};
}

// Where |y/x| < 2^-60, atan(y/x) lies inside y/x by less than |y/x|^3/3, far below 113 bits, and
// libquadmath returns y/x. When y/x is exactly a rounding boundary (which happens among
// subnormal results) that cannot decide; the exact value then lies just inside it, towards 0.
void decideInsideTheRatio(float y, float x, Quad inQuad, Reference& reference, Tally& tally) {
    const Quad q = static_cast<Quad>(y) / static_cast<Quad>(x);
    const bool exact = q * static_cast<Quad>(x) == static_cast<Quad>(y);
    if (!reference.fromQuad || reference.quad.decided || !exact || inQuad != q ||
        !(fabsq(q) < static_cast<Quad>(0x1p-60))) {
        return;
    }
    ++tally.insideTheRatio;
    const auto rounded = static_cast<float>(nextafterq(q, 0));
    const double ulp = std::fabs(static_cast<double>(std::nextafter(rounded, 0.0f)) -
                                 static_cast<double>(rounded));
    const auto gap = static_cast<double>(fabsq(q * q * q) / 3);
    reference.rounded = rounded;
    reference.quad = {rounded, true, gap / ulp, static_cast<double>(q * q / 3)};
}

// The fast stage's estimate against the double function's value: its error must stay within
// the bound (plus the double function's own error).
void checkFast(const TrigEstimate& estimate, double reference, Tally& tally) {
    ++tally.fastChecked;
    const double error = std::fabs(estimate.high - reference);
    if (error > estimate.bound + kDoubleSlack * std::fabs(reference)) {
        ++tally.fastBoundBroken;
    }
    tally.fastWorstShareOfBound = std::max(tally.fastWorstShareOfBound, error / estimate.bound);
    float rounded = 0.0f;
    if (!roundTrigEstimate(estimate, rounded)) {
        ++tally.fastUndecided;
    }
}

// The slow stage's estimate against the 113-bit value: within its bound, and deciding.
// Also the double reference against the 113-bit one: the margins above assume it errs by under
// kDoubleSlack of its value.
void checkSlow(const TrigEstimate& estimate, double inDouble, Quad reference, Tally& tally) {
    ++tally.slowChecked;
    const double referenceError =
        static_cast<double>(fabsq((static_cast<Quad>(inDouble) - reference) / reference));
    tally.doubleWorstError = std::max(tally.doubleWorstError, referenceError);
    tally.doubleBeyondSlack += referenceError > kDoubleSlack ? 1 : 0;
    const Quad error =
        fabsq(static_cast<Quad>(estimate.high) + static_cast<Quad>(estimate.low) - reference);
    if (error > static_cast<Quad>(estimate.bound)) {
        ++tally.slowBoundBroken;
    }
    tally.slowWorstShareOfBound =
        std::max(tally.slowWorstShareOfBound,
                 static_cast<double>(error / static_cast<Quad>(estimate.bound)));
    float rounded = 0.0f;
    if (!roundTrigEstimate(estimate, rounded)) {
        ++tally.slowUndecided;
    }
}

void record(Tally& tally, Function function, std::uint32_t first, std::uint32_t second, float ours,
            float library, const Reference& reference) {
    ++tally.inputs;
    if (!sameResult(ours, reference.rounded)) {
        ++tally.mismatches;
        if (tally.mismatchList.size() < 20) {
            tally.mismatchList.push_back({function, first, second, ours, reference.rounded});
        }
    }
    tally.libraryDiffers += sameResult(library, reference.rounded) ? 0 : 1;
    tally.quadUndecided += reference.fromQuad && !reference.quad.decided ? 1 : 0;
    if (reference.fromQuad && reference.quad.shareFromBoundary <= kDoubleMargin) {
        tally.hardCases.push_back(
            {function, first, second, bitsOf(reference.rounded), reference.quad.ulpsFromBoundary});
    }
}

// Sine or cosine of one float.
void checkSinOrCos(Function function, std::uint32_t bits, bool sampled, Tally& tally) {
    const float x = std::bit_cast<float>(bits);
    const bool cosine = function == Function::Cos;
    const float ours = cosine ? roundedCos(x) : roundedSin(x);
    const float library = cosine ? std::cos(x) : std::sin(x);
    const double inDouble =
        cosine ? std::cos(static_cast<double>(x)) : std::sin(static_cast<double>(x));
    const auto inQuad = [&] {
        return cosine ? cosq(static_cast<Quad>(x)) : sinq(static_cast<Quad>(x));
    };
    Reference reference = {};
    if (!std::isfinite(x) || x == 0.0f) {
        reference = {static_cast<float>(inQuad()), false, {}};
    } else {
        reference = referenceOf([&] { return inDouble; }, inQuad, tally);
        const TrigEstimate fast = cosine ? estimateCosFast(x) : estimateSinFast(x);
        checkFast(fast, inDouble, tally);
        float rounded = 0.0f;
        if (sampled || !roundTrigEstimate(fast, rounded)) {
            checkSlow(cosine ? estimateCosSlow(x) : estimateSinSlow(x), inDouble, inQuad(), tally);
        }
    }
    record(tally, function, bits, 0, ours, library, reference);
}

void checkAtan2(std::uint32_t yBits, std::uint32_t xBits, bool sampled, Tally& tally) {
    const float y = std::bit_cast<float>(yBits);
    const float x = std::bit_cast<float>(xBits);
    const float ours = roundedAtan2(y, x);
    const float library = std::atan2(y, x);
    const auto inQuad = [&] { return atan2q(static_cast<Quad>(y), static_cast<Quad>(x)); };
    Reference reference = {};
    if (!std::isfinite(x) || !std::isfinite(y) || x == 0.0f || y == 0.0f) {
        reference = {static_cast<float>(inQuad()), false, {}};
    } else {
        const double inDouble = std::atan2(static_cast<double>(y), static_cast<double>(x));
        reference = referenceOf([&] { return inDouble; }, inQuad, tally);
        decideInsideTheRatio(y, x, inQuad(), reference, tally);
        if (atan2RoundsTheRatio(y, x)) {
            ++tally.ratioRounded;
            record(tally, Function::Atan2, yBits, xBits, ours, library, reference);
            return;
        }
        const TrigEstimate fast = estimateAtan2Fast(y, x);
        checkFast(fast, inDouble, tally);
        float rounded = 0.0f;
        if (sampled || !roundTrigEstimate(fast, rounded)) {
            checkSlow(estimateAtan2Slow(y, x), inDouble, inQuad(), tally);
        }
    }
    record(tally, Function::Atan2, yBits, xBits, ours, library, reference);
}

// A float uniformly distributed over [-limit, limit], from 24 random bits and a sign.
float uniformIn(std::uint64_t random, float limit) {
    const float unit = static_cast<float>(random >> 40) * 0x1p-24f;
    return ((random & 1) != 0 ? -unit : unit) * limit;
}

struct AnnexFCase {
    float y;
    float x;
    Quad expected;
};

// C's Annex F for atan2: the cases with a zero, an infinity or a NaN.
Tally checkAnnexF() {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    constexpr float kTiny = std::numeric_limits<float>::denorm_min();
    constexpr float kHuge = std::numeric_limits<float>::max();
    const Quad pi = acosq(static_cast<Quad>(-1));
    const Quad nan = nanq("");
    const std::vector<AnnexFCase> cases = {
        {0.0f, -0.0f, pi},         {-0.0f, -0.0f, -pi},
        {0.0f, 0.0f, 0},           {-0.0f, 0.0f, -0.0},
        {0.0f, -kTiny, pi},        {-0.0f, -kHuge, -pi},
        {0.0f, kTiny, 0},          {-0.0f, kHuge, -0.0},
        {0.0f, -kInf, pi},         {-0.0f, -kInf, -pi},
        {0.0f, kInf, 0},           {-0.0f, kInf, -0.0},
        {kTiny, 0.0f, pi / 2},     {kHuge, -0.0f, pi / 2},
        {-kTiny, 0.0f, -pi / 2},   {-1.0f, -0.0f, -pi / 2},
        {kHuge, -kInf, pi},        {-kTiny, -kInf, -pi},
        {kHuge, kInf, 0},          {-kTiny, kInf, -0.0},
        {kInf, 1.0f, pi / 2},      {-kInf, -kHuge, -pi / 2},
        {kInf, 0.0f, pi / 2},      {-kInf, -0.0f, -pi / 2},
        {kInf, -kInf, 3 * pi / 4}, {-kInf, -kInf, -3 * pi / 4},
        {kInf, kInf, pi / 4},      {-kInf, kInf, -pi / 4},
        {kNan, 1.0f, nan},         {1.0f, kNan, nan},
        {kNan, kNan, nan},         {kNan, kInf, nan},
        {0.0f, kNan, nan},
    };
    Tally tally;
    for (const AnnexFCase& c : cases) {
        const float ours = roundedAtan2(c.y, c.x);
        const auto expected = static_cast<float>(c.expected);
        const float library = std::atan2(c.y, c.x);
        record(tally, Function::Atan2, bitsOf(c.y), bitsOf(c.x), ours, library,
               {expected, false, {}});
    }
    return tally;
}

void report(const char* label, const Tally& tally) {
    const auto share = [](std::uint64_t part, std::uint64_t whole) {
        return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
    };
    std::printf("%s\n", label);
    std::printf("  inputs %" PRIu64 ", not correctly rounded: %" PRIu64 "\n", tally.inputs,
                tally.mismatches);
    std::printf("  C library's float function differs: %" PRIu64 " (%.4f%%)\n",
                tally.libraryDiffers, share(tally.libraryDiffers, tally.inputs));
    std::printf("  references from libquadmath: %" PRIu64 ", undecided even there: %" PRIu64 "\n",
                tally.quadReferences, tally.quadUndecided);
    if (tally.insideTheRatio != 0) {
        std::printf("  y/x exactly on a boundary, decided as atan(y/x) lies inside it: %" PRIu64
                    "\n",
                    tally.insideTheRatio);
    }
    if (tally.ratioRounded != 0) {
        std::printf("  rounded as y/x, without the stages: %" PRIu64 "\n", tally.ratioRounded);
    }
    std::printf("  fast stage: %" PRIu64 " checked, bound broken %" PRIu64
                ", largest error %.3f of the bound, undecided %" PRIu64 "\n",
                tally.fastChecked, tally.fastBoundBroken, tally.fastWorstShareOfBound,
                tally.fastUndecided);
    std::printf("  slow stage: %" PRIu64 " checked, bound broken %" PRIu64
                ", largest error %.3g of the bound, undecided %" PRIu64 "\n",
                tally.slowChecked, tally.slowBoundBroken, tally.slowWorstShareOfBound,
                tally.slowUndecided);
    if (tally.slowChecked != 0) {
        std::printf(
            "  C library's double function there: largest error 2^%.1f of the value, "
            "beyond 2^-51 %" PRIu64 "\n",
            std::log2(tally.doubleWorstError), tally.doubleBeyondSlack);
    }
    double hardest = 1.0;
    for (const HardCase& hard : tally.hardCases) {
        hardest = std::min(hardest, hard.ulpsFromBoundary);
    }
    std::printf("  hard cases: %zu", tally.hardCases.size());
    if (!tally.hardCases.empty()) {
        std::printf(", the closest 2^%.1f ulp from a rounding boundary", std::log2(hardest));
    }
    std::printf("\n");
    for (const Mismatch& m : tally.mismatchList) {
        std::printf("  MISMATCH %s(0x%08" PRIx32 ", 0x%08" PRIx32 "): %a, correctly rounded %a\n",
                    nameOf(m.function), m.first, m.second, static_cast<double>(m.ours),
                    static_cast<double>(m.reference));
    }
    std::fflush(stdout);
}

bool writeHardCases(const std::string& path, std::vector<HardCase> cases) {
    std::sort(cases.begin(), cases.end(), [](const HardCase& a, const HardCase& b) {
        return std::tie(a.function, a.first, a.second) < std::tie(b.function, b.first, b.second);
    });
    cases.erase(std::unique(cases.begin(), cases.end(),
                            [](const HardCase& a, const HardCase& b) {
                                return a.function == b.function && a.first == b.first &&
                                       a.second == b.second;
                            }),
                cases.end());
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        std::fprintf(stderr, "brickfall-trig-proof: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fprintf(file,
                 "// Written by brickfall-trig-proof: the inputs whose exact result lies within "
                 "2^-47 of its\n// size of a rounding boundary between floats, with the "
                 "correctly rounded result. Columns:\n// function, argument (y for Atan2), x for "
                 "Atan2, result, as bits; ulps from the boundary.\n");
    for (const HardCase& hard : cases) {
        std::fprintf(file,
                     "{HardFunction::%s, 0x%08" PRIx32 "u, 0x%08" PRIx32 "u, 0x%08" PRIx32
                     "u},  // 2^%.1f\n",
                     nameOf(hard.function), hard.first, hard.second, hard.result,
                     std::log2(hard.ulpsFromBoundary));
    }
    return std::fclose(file) == 0;
}
}  // namespace

int main(int argc, char** argv) {
    std::uint64_t pairs = 10'000'000'000u;
    std::uint64_t gamePairs = 1'000'000'000u;
    std::uint64_t gameAngles = 1'000'000'000u;
    std::uint64_t threads = std::max(1u, std::thread::hardware_concurrency());
    std::uint64_t stride = 1;
    std::uint64_t seed = 1;
    std::string hardCasesPath;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        bool ok = hasValue;
        if (option == "--pairs" && hasValue) {
            ok = parseCount(argv[++i], pairs, 10);
        } else if (option == "--game-pairs" && hasValue) {
            ok = parseCount(argv[++i], gamePairs, 10);
        } else if (option == "--game-angles" && hasValue) {
            ok = parseCount(argv[++i], gameAngles, 10);
        } else if (option == "--threads" && hasValue) {
            ok = parseCount(argv[++i], threads, 10) && threads >= 1 && threads <= 256;
        } else if (option == "--stride" && hasValue) {
            ok = parseCount(argv[++i], stride, 10) && stride >= 1 && stride <= 0xffffffffu;
        } else if (option == "--seed" && hasValue) {
            ok = parseCount(argv[++i], seed, 10);
        } else if (option == "--hard-cases" && hasValue) {
            hardCasesPath = argv[++i];
        } else if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    const auto workers = static_cast<unsigned>(threads);
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t cpuStarted = std::clock();
    std::vector<HardCase> hardCases;
    std::uint64_t failures = 0;
    const auto finish = [&](const char* label, const Tally& tally) {
        report(label, tally);
        hardCases.insert(hardCases.end(), tally.hardCases.begin(), tally.hardCases.end());
        failures += tally.mismatches + tally.fastBoundBroken + tally.slowBoundBroken +
                    tally.slowUndecided + tally.quadUndecided + tally.doubleBeyondSlack;
    };

    const std::uint64_t allFloats = std::uint64_t{1} << 32;
    for (const Function function : {Function::Sin, Function::Cos}) {
        const Tally tally = block_workers::runBlocks<Tally>(
            allFloats / kBlock, workers, nameOf(function), [&](std::uint64_t block, Tally& t) {
                for (std::uint64_t i = block * kBlock; i < (block + 1) * kBlock; i += stride) {
                    checkSinOrCos(function, static_cast<std::uint32_t>(i),
                                  i % kSlowSampleEvery == 0, t);
                }
            });
        finish(function == Function::Sin ? "roundedSin, every float" : "roundedCos, every float",
               tally);
    }

    const std::uint64_t angleBlocks = (gameAngles + kBlock - 1) / kBlock;
    for (const Function function : {Function::Sin, Function::Cos}) {
        const Tally tally = block_workers::runBlocks<Tally>(
            angleBlocks, workers, "game angles", [&](std::uint64_t block, Tally& t) {
                // A fixed stream per block, whatever thread runs it.
                MonkeyRandom random(seed ^ 0x2545f4914f6cdd1du ^ (block * 0xd1342543de82ef95u));
                const std::uint64_t end = std::min(gameAngles, (block + 1) * kBlock);
                for (std::uint64_t i = block * kBlock; i < end; ++i) {
                    const float x = uniformIn(random.next(), kGameAngle) * kDegreesToRadians;
                    checkSinOrCos(function, bitsOf(x), i % kSlowSampleEvery == 0, t);
                }
            });
        finish(function == Function::Sin ? "roundedSin, random angles of the coins' homing"
                                         : "roundedCos, random angles of the coins' homing",
               tally);
    }

    finish("roundedAtan2, Annex F cases", checkAnnexF());
    for (const float x : {1.0f, -1.0f}) {
        const Tally tally = block_workers::runBlocks<Tally>(
            allFloats / kBlock, workers, "Atan2 sweep", [&](std::uint64_t block, Tally& t) {
                for (std::uint64_t i = block * kBlock; i < (block + 1) * kBlock; i += stride) {
                    checkAtan2(static_cast<std::uint32_t>(i), bitsOf(x), i % kSlowSampleEvery == 0,
                               t);
                }
            });
        finish(x > 0 ? "roundedAtan2, every y with x = 1" : "roundedAtan2, every y with x = -1",
               tally);
    }
    const auto randomPairs = [&](std::uint64_t count, bool game, std::uint64_t salt) {
        const std::uint64_t blocks = (count + kBlock - 1) / kBlock;
        return block_workers::runBlocks<Tally>(
            blocks, workers, game ? "Atan2 game pairs" : "Atan2 pairs",
            [&](std::uint64_t block, Tally& t) {
                MonkeyRandom random(seed ^ salt ^ (block * 0xd1342543de82ef95u));
                const std::uint64_t end = std::min(count, (block + 1) * kBlock);
                for (std::uint64_t i = block * kBlock; i < end; ++i) {
                    const std::uint64_t bits = random.next();
                    std::uint32_t yBits = static_cast<std::uint32_t>(bits >> 32);
                    std::uint32_t xBits = static_cast<std::uint32_t>(bits);
                    if (game) {
                        yBits = bitsOf(uniformIn(bits, kGameDifference));
                        xBits = bitsOf(uniformIn(random.next(), kGameDifference));
                    }
                    checkAtan2(yBits, xBits, i % kSlowSampleEvery == 0, t);
                }
            });
    };
    finish("roundedAtan2, random pairs of floats", randomPairs(pairs, false, 0));
    finish("roundedAtan2, random pairs within the field's differences",
           randomPairs(gamePairs, true, 0x5851f42d4c957f2du));

    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    const double cpuSeconds =
        static_cast<double>(std::clock() - cpuStarted) / static_cast<double>(CLOCKS_PER_SEC);
    std::printf(
        "%.0f s on %u threads, %.0f s of CPU; %s\n", elapsed.count(), workers, cpuSeconds,
        failures == 0 ? "every result correctly rounded, every bound held" : "FAILURES: see above");
    if (!hardCasesPath.empty() && !writeHardCases(hardCasesPath, hardCases)) {
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
