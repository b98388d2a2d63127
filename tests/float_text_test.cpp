#include "float_text.hpp"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.hpp"

using test_support::fromBits;

// The C++ libraries whose std::to_chars writes floats: libstdc++ (Linux, and MinGW-w64 for the
// Windows build) and Microsoft's. Elsewhere the tables alone run.
#if defined(__GLIBCXX__) || defined(_MSC_VER)
#define BRICKFALL_LIBRARY_FLOAT_TO_CHARS 1
#else
#define BRICKFALL_LIBRARY_FLOAT_TO_CHARS 0
#endif

namespace {
struct Case {
    std::uint32_t bits;
    const char* text;
};

std::string written(float value) {
    char buffer[64];
    const std::to_chars_result result = floatToChars(buffer, buffer + sizeof buffer, value);
    EXPECT_EQ(result.ec, std::errc());
    return std::string(buffer, result.ptr);
}

#if BRICKFALL_LIBRARY_FLOAT_TO_CHARS
std::string library(float value) {
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}
#endif

// Each case's text, and (where the library writes floats) the library's text for the same
// float, so that the tables themselves are checked.
void expectTexts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bits 0x" << std::hex << c.bits);
        EXPECT_EQ(written(fromBits(c.bits)), c.text);
#if BRICKFALL_LIBRARY_FLOAT_TO_CHARS
        EXPECT_EQ(library(fromBits(c.bits)), c.text);
#endif
    }
}
}  // namespace

TEST(FloatText, ZerosInfinitiesAndNaNsFollowTheSignBit) {
    expectTexts({
        {0x00000000, "0"},
        {0x80000000, "-0"},
        {0x7f800000, "inf"},
        {0xff800000, "-inf"},
        {0x7fc00000, "nan"},
        {0xffc00000, "-nan"},
        {0x7f800001, "nan"},  // signalling, smallest payload
        {0x7fffffff, "nan"},  // largest payload
        {0xff800001, "-nan"},
        {0xffffffff, "-nan"},
    });
}

TEST(FloatText, FewestDigitsThatReadBackAsTheSameFloat) {
    expectTexts({
        {0x3dcccccd, "0.1"},         // 0.100000001490116...
        {0x3eaaaaab, "0.33333334"},  // 1/3
        {0x3f2aaaab, "0.6666667"},   // 2/3
        {0x3f800000, "1"},
        {0x3f800001, "1.0000001"},   // the float above 1
        {0x3f7fffff, "0.99999994"},  // the float below 1
        {0x3f3504f3, "0.70710677"},  // the nearest float to 1/sqrt(2)
        {0x43208000, "160.5"},
        {0x439b6000, "310.75"},
        {0x47f1205a, "123456.7"},
        {0x4a7fffff, "4194303.8"},  // 4194303.75: a quarter between neighbours
        {0x4affffff, "8388607.5"},  // the last float with a half
        {0x4b18967f, "9999999"},
        {0x4b3c614e, "12345678"},
        {0x3901742d, "0.00012345678"},
        {0x006ce3ee, "1e-38"},
        {0x7e967699, "1e+38"},
    });
}

TEST(FloatText, TheExtremesOfTheRange) {
    expectTexts({
        {0x00000001, "1e-45"},  // smallest subnormal, 1.401298...e-45
        {0x80000001, "-1e-45"},
        {0x00000002, "3e-45"},  // 2.802596...e-45: 3e-45 is its only one-digit reader
        {0x00000003, "4e-45"},
        {0x007fffff, "1.1754942e-38"},  // largest subnormal
        {0x00800000, "1.1754944e-38"},  // smallest normal
        {0x7f7fffff, "3.4028235e+38"},  // largest finite
        {0xff7fffff, "-3.4028235e+38"},
    });
}

// Both 1e-45 and 2e-45 read back as the smallest subnormal, 1.401298...e-45; 1e-45 is nearer.
TEST(FloatText, NearestOfSeveralCandidatesWithTheFewestDigits) {
    ASSERT_EQ(std::strtof("2e-45", nullptr), fromBits(0x00000001));
    ASSERT_EQ(std::strtof("1e-45", nullptr), fromBits(0x00000001));
    EXPECT_EQ(written(fromBits(0x00000001)), "1e-45");
}

// Exactly halfway between two candidates of the fewest digits (5.97265625 between 5.9726562
// and 5.9726563), the even last digit wins, upwards or downwards.
TEST(FloatText, HalfwayBetweenTwoCandidatesTheEvenDigitWins) {
    expectTexts({
        {0x40bf2000, "5.9726562"},   // 5.97265625
        {0x3f808000, "1.0039062"},   // 1.00390625
        {0x42542800, "53.039062"},   // 53.0390625
        {0x3e6e0000, "0.23242188"},  // 0.232421875
        {0x3fbd8000, "1.4804688"},   // 1.48046875
        {0x4009c000, "2.1523438"},   // 2.15234375
    });
}

// Reading rounds ties to even: a float with an even significand owns the midpoints with its
// neighbours, one with an odd significand does not. 1.253e9 lies exactly on the midpoint
// below 0x4e955e86; 1.131e9 on the midpoint above 0x4e86d361.
TEST(FloatText, MidpointsBelongToTheEvenSignificand) {
    expectTexts({
        {0x4e955e86, "1.253e+09"},   // even: the midpoint reads back as it
        {0x4e9bce7a, "1.307e+09"},   // even
        {0x4e86d361, "1130999936"},  // odd: 1.131e9 would read as its even neighbour
        {0x4ea3e9ab, "1374999936"},  // odd
    });
}

// At a power of two the float below is half as far as the one above, so fewer numbers below
// read back: 7.205759e16 lies in the symmetric interval but not in the true one.
TEST(FloatText, AtAPowerOfTwoTheFloatBelowIsNearer) {
    expectTexts({
        {0x5b800000, "7.2057594e+16"},  // 2^56
        {0x0f800000, "1.2621775e-29"},  // 2^-96: 1.2621774e-29 is nearer but does not read back
        {0x0c000000, "9.8607613e-32"},  // 2^-103
        {0x00800000, "1.1754944e-38"},  // 2^-126: the float below is a subnormal, as near
    });
}

// Scaled values exactly on a whole number or a half, and ones just off them, round as their
// exact values do.
TEST(FloatText, ExactScaledValuesRoundAsTheExactValue) {
    expectTexts({
        {0x000005b8, "2.052e-42"},  // 2.0515...e-42, just above the half
        {0x00000ab9, "3.847e-42"},
        {0x00001034, "5.813e-42"},
    });
}

// Fixed notation unless scientific is shorter; when both are as long, fixed.
TEST(FloatText, FixedUnlessScientificIsShorterTiesGoingToFixed) {
    expectTexts({
        {0x461c4000, "10000"},  // 5 = "1e+04"'s 5: fixed
        {0x47c35000, "1e+05"},  // 6 > 5
        {0x47c34fff, "99999.99"},
        {0x49927c00, "1200000"},    // 7 = "1.2e+06"'s 7: fixed
        {0x4b371b00, "1.2e+07"},    // 8 > 7
        {0x4b3baee0, "12300000"},   // 8 = "1.23e+07"'s 8: fixed
        {0x4ceb5de8, "123400000"},  // 9 = "1.234e+08"'s 9: fixed
        {0x4b189680, "1e+07"},
        {0x4e6e6b28, "1e+09"},
        {0x501502f9, "1e+10"},
        {0x3a83126f, "0.001"},    // 5 = "1e-03"'s 5: fixed
        {0x38d1b717, "1e-04"},    // "0.0001" is 6
        {0x391d4952, "0.00015"},  // 7 = "1.5e-04"'s 7: fixed
        {0x377ba882, "1.5e-05"},
        {0x3727c5ac, "1e-05"},
        {0x38d1b78a, "0.000100000834"},  // 14 = "1.00000834e-04"'s 14: fixed
        {0x38d1b74d, "0.00010000039"},
    });
}

// A whole number in fixed notation has every digit of the exact value, beyond the shortest
// digits: 2^40 is 1.0995116e+12 at its shortest, as long as its 13 exact digits.
TEST(FloatText, WholeNumbersInFixedNotationAreExact) {
    expectTexts({
        {0x53800000, "1099511627776"},  // 2^40
        {0x54000000, "2199023255552"},  // 2^41
        {0x4ceb79a3, "123456792"},      // the float nearest 123456789
        {0x4c000136, "33555672"},
        {0x4b800000, "16777216"},  // 2^24
        {0x4b800001, "16777218"},
        {0x4c000001, "33554436"},
        {0x55000000, "8.796093e+12"},   // 2^43: scientific is shorter
        {0x55800000, "1.7592186e+13"},  // 2^44
        {0x551184e7, "1e+13"},
    });
}

// Every whole number up to 2^24 is a float (every 7th is checked): each is written as its decimal
// digits or, when it ends in enough zeros for that to be shorter, as its significant digits in
// scientific notation ("1e+05", "1.2e+07").
TEST(FloatText, WholeNumbersUpTo2To24AreTheirDigits) {
    for (std::uint32_t n = 0; n <= (1u << 24); n += 7) {
        const std::string digits = std::to_string(n);
        const std::size_t significant = n == 0 ? 1 : digits.find_last_not_of('0') + 1;
        std::string scientific = digits.substr(0, 1);
        if (significant > 1) {
            scientific += "." + digits.substr(1, significant - 1);
        }
        scientific += "e+0" + std::to_string(digits.size() - 1);
        const std::string& expected = scientific.size() < digits.size() ? scientific : digits;
        ASSERT_EQ(written(static_cast<float>(n)), expected) << n;
    }
}

TEST(FloatText, NineDigitsWhenNoFewerReadBack) {
    expectTexts({
        {0x322dc578, "1.01148245e-08"},
        {0x3235bf16, "1.05790345e-08"},
        {0x38d245ef, "0.000100266065"},
        {0xb8d1b78a, "-0.000100000834"},  // the longest text there is
    });
    EXPECT_EQ(written(fromBits(0xb8d1b78a)).size(), kLongestFloatText);
}

// A text that does not fit gives {last, value_too_large} and writes nothing past last; one
// that just fits ends at last.
TEST(FloatText, TextThatDoesNotFitIsAnErrorAtLast) {
    struct FitCase {
        std::uint32_t bits;
        std::size_t room;
        bool fits;
    };
    const std::vector<FitCase> cases = {
        {0x7f7fffff, 12, false}, {0x7f7fffff, 13, true},  // "3.4028235e+38"
        {0xff800000, 3, false},  {0xff800000, 4, true},   // "-inf"
        {0x80000000, 1, false},  {0x80000000, 2, true},   // "-0"
        {0x00000000, 0, false},  {0x00000000, 1, true},   // "0"
        {0x53800000, 12, false}, {0x53800000, 13, true},  // "1099511627776"
        {0xb8d1b78a, 14, false}, {0xb8d1b78a, 15, true},  // "-0.000100000834"
        {0x7fc00000, 2, false},  {0x7fc00000, 3, true},   // "nan"
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "bits 0x" << std::hex << c.bits << std::dec << ", room " << c.room);
        std::array<char, 32> buffer;
        buffer.fill('#');
        char* const last = buffer.data() + c.room;
        const std::to_chars_result result = floatToChars(buffer.data(), last, fromBits(c.bits));
        EXPECT_EQ(result.ptr, last);
        EXPECT_EQ(result.ec, c.fits ? std::errc() : std::errc::value_too_large);
        EXPECT_EQ(std::string(last, buffer.data() + buffer.size()),
                  std::string(buffer.size() - c.room, '#'));
#if BRICKFALL_LIBRARY_FLOAT_TO_CHARS
        char libraryBuffer[32];
        const std::to_chars_result libraryResult =
            std::to_chars(libraryBuffer, libraryBuffer + c.room, fromBits(c.bits));
        EXPECT_EQ(libraryResult.ec, result.ec);
        EXPECT_EQ(libraryResult.ptr - libraryBuffer, result.ptr - buffer.data());
#endif
    }
}

// Every 4093rd bit pattern (shifted by 0 to 15), every 389th float of the field's coordinates
// and every 4099th of the unit directions, against the library's text.
TEST(FloatText, AgreesWithTheLibraryOnASpreadOfBitPatterns) {
#if BRICKFALL_LIBRARY_FLOAT_TO_CHARS
    std::vector<std::uint32_t> patterns;
    for (std::uint64_t bits = 0; bits <= 0xffffffffu; bits += 4093) {
        patterns.push_back(static_cast<std::uint32_t>(bits + (bits >> 12) % 16));
    }
    for (std::uint32_t bits = 0x3f000000; bits < 0x44000000; bits += 389) {  // [0.5, 512)
        patterns.push_back(bits);
    }
    for (std::uint32_t bits = 0x00000000; bits <= 0x3f800000; bits += 4099) {  // [0, 1]
        patterns.push_back(bits | 0x80000000u);
    }
    std::size_t differing = 0;
    for (const std::uint32_t bits : patterns) {
        const float value = fromBits(bits);
        if (written(value) != library(value)) {
            ++differing;
            ADD_FAILURE() << "bits 0x" << std::hex << bits << ": " << written(value) << " vs "
                          << library(value);
            if (differing == 10) {
                break;
            }
        }
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(patterns.size(), 1'500'000u);
#else
    GTEST_SKIP() << "this C++ library has no std::to_chars for floats";
#endif
}
