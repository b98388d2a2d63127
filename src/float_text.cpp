// float_text -- 32-bit floats as the shortest text that reads back as the same value, written
// by the game's own code, so that traces come out alike whatever the C++ library.
#include "float_text.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

// The method, in integers alone (docs/MATHS.md, "Float text"). A finite nonzero float is
// v = m·2^e with m < 2^24. The numbers that read back as v fill the interval from the
// midpoint with the float below to the midpoint with the float above, ends included when m is
// even (reading rounds ties to even). In units of 2^(e-2) the ends and v are the integers
// X = 4m - 2 (4m - 1 when the float below is nearer, at a power of two), 4m + 2 and 4m.
// Scaled by 10^-q, with q chosen so that 10 <= 2^e / 10^q < 100, the interval spans at least
// 7.5 units: its whole numbers a..b are the candidates of the finest useful scale. Dividing
// a and b by ten while some multiple of ten remains among them finds the coarsest scale with a
// candidate; the candidates there share their number of digits, and the one nearest v is the
// answer (of two as near, the one with an even last digit). The scaling multiplies X by a 128-bit
// number from a table the compiler works out.

namespace {
// The float's unit in the last place runs from 2^-149 (subnormals and the smallest normals)
// to 2^104 (the largest floats, 2^127 · 2^-23).
constexpr int kLowestExponent = -149;
constexpr int kHighestExponent = 104;
constexpr int kExponentCount = kHighestExponent - kLowestExponent + 1;
// A scaled value is the product of X < 2^26 and a table entry, with this many bits below the
// point.
constexpr int kFractionBits = 123;

// For each e: S = 2^(e-2) / 10^q · 2^123, rounded up when not whole.
struct Scale {
    std::array<std::uint32_t, 4> limbs;  // S, least significant first
    std::int32_t decimal;                // q
    bool exact;                          // S is not rounded
    bool proven;                         // every property the method needs holds (below)
};

// Unsigned integers of up to 320 bits, for working the table out at compile time.
struct Wide {
    std::array<std::uint32_t, 10> words = {};  // least significant first
};

constexpr Wide powerOfTwo(int n) {
    Wide w;
    w.words[static_cast<std::size_t>(n / 32)] = std::uint32_t{1} << (n % 32);
    return w;
}

// Multiplies by a small factor; false if the product does not fit.
constexpr bool multiply(Wide& w, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& word : w.words) {
        const std::uint64_t product = std::uint64_t{word} * factor + carry;
        word = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
    return carry == 0;
}

// Divides by a small divisor, rounding down; true if there was a remainder.
constexpr bool divide(Wide& w, std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (std::size_t i = w.words.size(); i-- > 0;) {
        const std::uint64_t part = (remainder << 32) | w.words[i];
        w.words[i] = static_cast<std::uint32_t>(part / divisor);
        remainder = part % divisor;
    }
    return remainder != 0;
}

constexpr bool less(const Wide& a, const Wide& b) {
    for (std::size_t i = a.words.size(); i-- > 0;) {
        if (a.words[i] != b.words[i]) {
            return a.words[i] < b.words[i];
        }
    }
    return false;
}

constexpr Wide timesPowerOfTwo(std::uint32_t factor, int n) {
    Wide w = powerOfTwo(n);
    multiply(w, factor);
    return w;
}

// floor(e · log10 2), by 78913 / 2^18 just below log10 2; the table's checks prove every q.
constexpr std::int32_t floorLog10OfPowerOfTwo(int e) {
    return (e * 78913) >> 18;
}

constexpr Scale scaleFor(int e) {
    Scale scale = {};
    const std::int32_t q = floorLog10OfPowerOfTwo(e) - 1;
    scale.decimal = q;
    // S = 2^(e - 2 + 123 - q) · 5^-q.
    const int twos = e - 2 + kFractionBits - q;
    if (twos < 0 || twos >= 300) {
        return scale;
    }
    Wide s = powerOfTwo(twos);
    bool remainder = false;
    for (int i = 0; i < -q; ++i) {
        if (!multiply(s, 5)) {
            return scale;
        }
    }
    for (int i = 0; i < q; ++i) {
        remainder = divide(s, 5) || remainder;
    }
    // 10 <= 2^e / 10^q < 100, that is 10 · 2^121 <= S < 100 · 2^121 before rounding up: the
    // candidates of the finest scale are at least seven, and scaled values stay under 2^31.
    const bool inRange = !less(s, timesPowerOfTwo(10, kFractionBits - 2)) &&
                         less(s, timesPowerOfTwo(100, kFractionBits - 2));
    scale.exact = !remainder;
    if (remainder) {
        std::uint64_t carry = 1;
        for (std::uint32_t& word : s.words) {
            const std::uint64_t sum = std::uint64_t{word} + carry;
            word = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
    }
    // A rounded S errs by under 1, so X·S by under X < 2^26, that is under 2^-97 of a unit.
    // With e - 2 >= q the exact X·2^(e-2)/10^q is a multiple of 5^-q, so when it is not
    // whole its fraction lies at least 5^-q from 0 and from 1, and 5^-q/2 from 1/2 (its
    // numerator over 2·5^q is odd). With 5^q <= 2^91 these are at least 2^-92: the rounded
    // product has the exact value's whole part and side of 1/2, and a fraction under 2^-91
    // (2^32 units of 2^-123) only when the exact value is whole.
    bool fractionsFarFromWhole = scale.exact;
    if (!scale.exact) {
        Wide fivePower = powerOfTwo(0);
        for (int i = 0; i < q; ++i) {
            multiply(fivePower, 5);
        }
        fractionsFarFromWhole = e - 2 - q >= 0 && !less(powerOfTwo(91), fivePower);
    }
    bool fits = true;
    for (std::size_t i = 4; i < s.words.size(); ++i) {
        fits = fits && s.words[i] == 0;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        scale.limbs[i] = s.words[i];
    }
    scale.proven = inRange && fractionsFarFromWhole && fits;
    return scale;
}

constexpr std::array<Scale, kExponentCount> makeScales() {
    std::array<Scale, kExponentCount> scales = {};
    for (int i = 0; i < kExponentCount; ++i) {
        scales[static_cast<std::size_t>(i)] = scaleFor(kLowestExponent + i);
    }
    return scales;
}

constexpr std::array<Scale, kExponentCount> kScales = makeScales();

constexpr bool everyScaleProven() {
    return std::all_of(kScales.begin(), kScales.end(), [](const Scale& s) { return s.proven; });
}
static_assert(everyScaleProven(), "a scale breaks a property the method relies on");

// "00", "01", ..., "99".
constexpr std::array<char, 200> makeDigitPairs() {
    std::array<char, 200> pairs = {};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}
constexpr std::array<char, 200> kDigitPairs = makeDigitPairs();

// X · 2^(e-2) / 10^q for X < 2^26: its whole part, whether it is whole, whether its
// fraction is 1/2 or more, and whether it is exactly 1/2.
struct Scaled {
    std::uint32_t whole;
    bool exact;
    bool halfOrMore;
    bool exactlyHalf;
};

Scaled scaled(std::uint32_t x, const Scale& scale) {
    // X times S in 32-bit limbs; each partial product and carry stays under 2^59.
    const std::uint64_t p0 = std::uint64_t{x} * scale.limbs[0];
    const std::uint64_t p1 = std::uint64_t{x} * scale.limbs[1] + (p0 >> 32);
    const std::uint64_t p2 = std::uint64_t{x} * scale.limbs[2] + (p1 >> 32);
    const std::uint64_t p3 = std::uint64_t{x} * scale.limbs[3] + (p2 >> 32);
    // p3 holds the bits from 96 up: the whole part from bit 123, the fraction's top 27 below.
    constexpr int kTopFractionBits = kFractionBits - 96;
    const std::uint64_t topFraction = p3 & ((std::uint64_t{1} << kTopFractionBits) - 1);
    const bool under2To32 = topFraction == 0 && static_cast<std::uint32_t>(p2) == 0 &&
                            static_cast<std::uint32_t>(p1) == 0;
    Scaled result = {};
    result.whole = static_cast<std::uint32_t>(p3 >> kTopFractionBits);
    result.exact = under2To32 && (!scale.exact || static_cast<std::uint32_t>(p0) == 0);
    const std::uint64_t half = std::uint64_t{1} << (kTopFractionBits - 1);
    result.halfOrMore = topFraction >= half;
    // A rounded S never meets an exact half: the fraction stays 5^-q/2 away from it.
    result.exactlyHalf = scale.exact && topFraction == half &&
                         static_cast<std::uint32_t>(p2) == 0 &&
                         static_cast<std::uint32_t>(p1) == 0 && static_cast<std::uint32_t>(p0) == 0;
    return result;
}

// A finite nonzero float: m · 2^e.
struct Binary {
    std::uint32_t significand;
    int exponent;
    bool nearerBelow;  // the float below is half as far as the one above
};

// The answer: digits · 10^exponent, the digits without trailing zeros.
struct Decimal {
    std::uint32_t digits;
    std::int32_t exponent;
};

Decimal shortest(const Binary& v) {
    const Scale& scale = kScales[static_cast<std::size_t>(v.exponent - kLowestExponent)];
    const std::uint32_t m = v.significand;
    const bool endsIncluded = m % 2 == 0;
    const Scaled low = scaled(v.nearerBelow ? 4 * m - 1 : 4 * m - 2, scale);
    const Scaled value = scaled(4 * m, scale);
    const Scaled high = scaled(4 * m + 2, scale);
    std::uint32_t first = low.whole + (low.exact && endsIncluded ? 0 : 1);
    std::uint32_t last = high.whole - (high.exact && !endsIncluded ? 1 : 0);
    // v at the coarser scales, with the digits dropped on the way: the last one and whether
    // any before it was not zero.
    std::uint32_t nearest = value.whole;
    std::uint32_t lastDropped = 0;
    bool nonzeroDropped = false;
    std::int32_t coarser = 0;
    while (last / 10 >= (first + 9) / 10) {
        first = (first + 9) / 10;
        last /= 10;
        nonzeroDropped = nonzeroDropped || lastDropped != 0;
        lastDropped = nearest % 10;
        nearest /= 10;
        ++coarser;
    }
    // The whole number nearest v at this scale, the even one when v is halfway between two
    // (as 5.97265625 is between 5.9726562 and 5.9726563), or the candidate nearest it.
    bool halfway = value.exactlyHalf;
    bool beyondHalf = value.halfOrMore && !halfway;
    if (coarser > 0) {
        const bool restIsHalf = lastDropped == 5 && !nonzeroDropped;
        halfway = restIsHalf && value.exact;
        beyondHalf = lastDropped > 5 || (lastDropped == 5 && !halfway);
    }
    if (beyondHalf || (halfway && nearest % 2 != 0)) {
        ++nearest;
    }
    return {std::clamp(nearest, first, last), scale.decimal + coarser};
}

// Writes the decimal digits of n to end just before `end`.
template <typename Unsigned>
void digitsBefore(char* end, Unsigned n) {
    while (n >= 100) {
        const auto pair = static_cast<std::size_t>(n % 100);
        n /= 100;
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * pair], 2);
    }
    if (n >= 10) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * static_cast<std::size_t>(n)], 2);
    } else {
        *--end = static_cast<char>('0' + n);
    }
}

std::int32_t digitCount(std::uint64_t n) {
    std::int32_t count = 1;
    for (std::uint64_t power = 10; count < 20 && n >= power; power *= 10) {
        ++count;
    }
    return count;
}

// Writes a finite nonzero float's digits, point and exponent to `out`, which has room for
// them; returns the length.
std::int32_t writeFinite(char* out, const Binary& v) {
    const Decimal d = shortest(v);
    const std::int32_t count = digitCount(d.digits);
    // The decimal point falls after `point` digits: v = 0.digits · 10^point.
    const std::int32_t point = d.exponent + count;
    const std::int32_t scientificLength = count + (count > 1 ? 1 : 0) + 4;
    std::int32_t fixedLength = 2 - d.exponent;  // "0.", zeros, digits
    if (d.exponent >= 0) {
        fixedLength = count + d.exponent;
    } else if (point > 0) {
        fixedLength = count + 1;
    }
    if (fixedLength <= scientificLength) {
        if (d.exponent >= 0) {
            // A whole number, written exactly: it has as many digits as the shortest form.
            const std::uint64_t whole = v.exponent >= 0
                                            ? std::uint64_t{v.significand} << v.exponent
                                            : std::uint64_t{v.significand} >> -v.exponent;
            const std::int32_t length = digitCount(whole);
            digitsBefore(out + length, whole);
            return length;
        }
        if (point > 0) {
            // The digits one place on, then the whole part back in front of the point.
            digitsBefore(out + count + 1, d.digits);
            for (std::int32_t i = 0; i < point; ++i) {
                out[i] = out[i + 1];
            }
            out[point] = '.';
            return count + 1;
        }
        out[0] = '0';
        out[1] = '.';
        for (std::int32_t i = 0; i < -point; ++i) {
            out[2 + i] = '0';
        }
        digitsBefore(out + fixedLength, d.digits);
        return fixedLength;
    }
    // d.ddd: the digits one place on, then the first back in front of the point.
    digitsBefore(out + 1 + count, d.digits);
    out[0] = out[1];
    char* at = out + 1;
    if (count > 1) {
        out[1] = '.';
        at = out + 1 + count;
    }
    // A float's decimal exponent lies between -45 and 38: always two digits.
    const std::int32_t exponent = point - 1;
    at[0] = 'e';
    at[1] = exponent < 0 ? '-' : '+';
    const auto magnitude = static_cast<std::size_t>(exponent < 0 ? -exponent : exponent);
    std::memcpy(at + 2, &kDigitPairs[2 * magnitude], 2);
    return static_cast<std::int32_t>(at + 4 - out);
}

// Writes the text of any float to `out`, which has room for kLongestFloatText characters;
// returns the length.
std::size_t writeText(char* out, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t biased = (bits >> 23) & 0xff;
    const std::uint32_t fraction = bits & 0x7fffff;
    std::size_t length = 0;
    if ((bits >> 31) != 0) {
        out[length++] = '-';
    }
    if (biased == 0xff) {
        std::memcpy(out + length, fraction == 0 ? "inf" : "nan", 3);
        return length + 3;
    }
    if (biased == 0 && fraction == 0) {
        out[length] = '0';
        return length + 1;
    }
    Binary v = {};
    v.significand = biased == 0 ? fraction : fraction | (std::uint32_t{1} << 23);
    v.exponent = (biased == 0 ? 1 : static_cast<int>(biased)) - 150;
    v.nearerBelow = fraction == 0 && biased > 1;
    return length + static_cast<std::size_t>(writeFinite(out + length, v));
}
}  // namespace

std::to_chars_result floatToChars(char* first, char* last, float value) {
    const auto room = static_cast<std::size_t>(last - first);
    if (room >= kLongestFloatText) {
        return {first + writeText(first, value), std::errc()};
    }
    char text[kLongestFloatText];
    const std::size_t length = writeText(text, value);
    if (room < length) {
        return {last, std::errc::value_too_large};
    }
    std::memcpy(first, text, length);
    return {first + length, std::errc()};
}
