// brickfall-float-text-proof -- checks that floatToChars writes every 32-bit float exactly as
// the C++ library's std::to_chars does: all 2^32 bit patterns, byte for byte, with the
// library's answer when the text does not fit checked on a sample, and its text read back.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "block_workers.hpp"
#include "count_option.hpp"
#include "float_text.hpp"

namespace {
constexpr const char* kUsage =
    "usage: brickfall-float-text-proof [--threads N] [--from BITS] [--to BITS]\n"
    "Writes every float whose bit pattern lies in [--from, --to] with floatToChars and with\n"
    "std::to_chars, and counts where the texts differ. On every 64th pattern it also checks\n"
    "that a buffer one character short gives {last, value_too_large}, as std::to_chars does,\n"
    "and that a finite text reads back (std::from_chars) as the same float. Exits with status\n"
    "1 if anything differs.\n"
    "  --threads N  worker threads (default: one per CPU)\n"
    "  --from BITS  first bit pattern, decimal or 0x hexadecimal (default 0)\n"
    "  --to BITS    last bit pattern (default 0xffffffff)\n";

constexpr std::uint64_t kBlock = std::uint64_t{1} << 20;
constexpr std::uint32_t kSampleEvery = 64;
constexpr std::size_t kMostListed = 20;
constexpr std::size_t kBufferSize = 64;

struct Mismatch {
    std::uint32_t bits;
    std::string ours;
    std::string library;
};

// What one thread found; the threads' tallies merge at the end.
struct Tally {
    std::uint64_t checked = 0;
    std::uint64_t mismatches = 0;
    std::uint64_t sampled = 0;
    std::uint64_t tooShortWrong = 0;
    std::uint64_t readBackWrong = 0;
    std::uint64_t nans = 0;
    std::uint64_t infinities = 0;
    std::uint64_t zeros = 0;
    std::uint64_t fixed = 0;
    std::uint64_t scientific = 0;
    // Fixed texts of whole numbers with ten digits or more: every digit is the exact value's,
    // beyond the nine a float's shortest form ever needs.
    std::uint64_t longWholeNumbers = 0;
    std::size_t longest = 0;
    std::uint32_t longestBits = 0;
    std::vector<Mismatch> listed;

    void merge(const Tally& other) {
        checked += other.checked;
        mismatches += other.mismatches;
        sampled += other.sampled;
        tooShortWrong += other.tooShortWrong;
        readBackWrong += other.readBackWrong;
        nans += other.nans;
        infinities += other.infinities;
        zeros += other.zeros;
        fixed += other.fixed;
        scientific += other.scientific;
        longWholeNumbers += other.longWholeNumbers;
        if (other.longest > longest ||
            (other.longest == longest && other.longestBits < longestBits)) {
            longest = other.longest;
            longestBits = other.longestBits;
        }
        listed.insert(listed.end(), other.listed.begin(), other.listed.end());
    }
};

float fromBits(std::uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void classify(const char* text, std::size_t length, Tally& tally) {
    const std::string_view view(text, length);
    const std::string_view unsignedText = view.substr(view.front() == '-' ? 1 : 0);
    if (unsignedText == "nan") {
        ++tally.nans;
    } else if (unsignedText == "inf") {
        ++tally.infinities;
    } else if (unsignedText == "0") {
        ++tally.zeros;
    } else if (unsignedText.find('e') != std::string_view::npos) {
        ++tally.scientific;
    } else {
        ++tally.fixed;
        if (unsignedText.find('.') == std::string_view::npos && unsignedText.size() >= 10) {
            ++tally.longWholeNumbers;
        }
    }
}

void check(std::uint32_t bits, Tally& tally) {
    const float value = fromBits(bits);
    char ours[kBufferSize];
    char library[kBufferSize];
    const std::to_chars_result ourResult = floatToChars(ours, ours + kBufferSize, value);
    const std::to_chars_result libraryResult = std::to_chars(library, library + kBufferSize, value);
    const auto ourLength = static_cast<std::size_t>(ourResult.ptr - ours);
    const auto libraryLength = static_cast<std::size_t>(libraryResult.ptr - library);
    ++tally.checked;
    if (ourResult.ec != std::errc() || libraryResult.ec != std::errc() ||
        ourLength != libraryLength || std::memcmp(ours, library, ourLength) != 0) {
        ++tally.mismatches;
        if (tally.listed.size() < kMostListed) {
            tally.listed.push_back(
                {bits, std::string(ours, ourLength), std::string(library, libraryLength)});
        }
        return;
    }
    classify(ours, ourLength, tally);
    if (ourLength > tally.longest) {
        tally.longest = ourLength;
        tally.longestBits = bits;
    }
    if (bits % kSampleEvery != 0) {
        return;
    }
    ++tally.sampled;
    // One character short: both give up alike.
    char shortBuffer[kBufferSize];
    char* const shortEnd = shortBuffer + ourLength - 1;
    const std::to_chars_result ourShort = floatToChars(shortBuffer, shortEnd, value);
    const std::to_chars_result libraryShort = std::to_chars(shortBuffer, shortEnd, value);
    if (ourShort.ec != std::errc::value_too_large || ourShort.ptr != shortEnd ||
        libraryShort.ec != ourShort.ec || libraryShort.ptr != ourShort.ptr) {
        ++tally.tooShortWrong;
    }
    // The text reads back as the same float (NaN as a NaN).
    if (value == value) {
        float readBack = 0;
        const std::from_chars_result read = std::from_chars(ours, ours + ourLength, readBack);
        std::uint32_t readBits = 0;
        std::memcpy(&readBits, &readBack, sizeof readBits);
        if (read.ec != std::errc() || read.ptr != ours + ourLength || readBits != bits) {
            ++tally.readBackWrong;
        }
    }
}
}  // namespace

int main(int argc, char** argv) {
    std::uint64_t threads = std::max(1u, std::thread::hardware_concurrency());
    std::uint64_t from = 0;
    std::uint64_t to = 0xffffffffu;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        bool ok = hasValue;
        if (option == "--threads" && hasValue) {
            ok = parseCount(argv[++i], threads, 0) && threads >= 1 && threads <= 256;
        } else if (option == "--from" && hasValue) {
            ok = parseCount(argv[++i], from, 0) && from <= 0xffffffffu;
        } else if (option == "--to" && hasValue) {
            ok = parseCount(argv[++i], to, 0) && to <= 0xffffffffu;
        } else if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            ok = false;
        }
        if (!ok || from > to) {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    const auto workers = static_cast<unsigned>(threads);
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t cpuStarted = std::clock();
    const std::uint64_t count = to - from + 1;
    Tally tally = block_workers::runBlocks<Tally>(
        (count + kBlock - 1) / kBlock, workers, "", [&](std::uint64_t block, Tally& t) {
            const std::uint64_t begin = from + block * kBlock;
            const std::uint64_t end = std::min(to + 1, begin + kBlock);
            for (std::uint64_t bits = begin; bits < end; ++bits) {
                check(static_cast<std::uint32_t>(bits), t);
            }
        });
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    const double cpuSeconds =
        static_cast<double>(std::clock() - cpuStarted) / static_cast<double>(CLOCKS_PER_SEC);

    std::sort(tally.listed.begin(), tally.listed.end(),
              [](const Mismatch& a, const Mismatch& b) { return a.bits < b.bits; });
    for (std::size_t i = 0; i < std::min(tally.listed.size(), kMostListed); ++i) {
        const Mismatch& m = tally.listed[i];
        std::printf("MISMATCH 0x%08" PRIx32 ": ours \"%s\", std::to_chars \"%s\"\n", m.bits,
                    m.ours.c_str(), m.library.c_str());
    }
    char longest[kBufferSize];
    const std::to_chars_result longestEnd =
        floatToChars(longest, longest + kBufferSize, fromBits(tally.longestBits));
    std::printf("bit patterns 0x%08" PRIx64 " to 0x%08" PRIx64 ": %" PRIu64 " checked, %" PRIu64
                " differ from std::to_chars\n",
                from, to, tally.checked, tally.mismatches);
    std::printf("  fixed %" PRIu64 " (whole numbers of 10 or more digits: %" PRIu64
                "), scientific %" PRIu64 ", zeros %" PRIu64 ", infinities %" PRIu64
                ", NaNs %" PRIu64 "\n",
                tally.fixed, tally.longWholeNumbers, tally.scientific, tally.zeros,
                tally.infinities, tally.nans);
    std::printf("  longest text %zu characters, first at 0x%08" PRIx32 ": %.*s\n", tally.longest,
                tally.longestBits, static_cast<int>(longestEnd.ptr - longest), longest);
    std::printf("  sampled (every %" PRIu32 "th): %" PRIu64
                "; one character short answered "
                "unlike std::to_chars: %" PRIu64 "; texts not reading back: %" PRIu64 "\n",
                kSampleEvery, tally.sampled, tally.tooShortWrong, tally.readBackWrong);
    const std::uint64_t failures = tally.mismatches + tally.tooShortWrong + tally.readBackWrong;
    std::printf("%.0f s on %u threads, %.0f s of CPU; %s\n", elapsed.count(), workers, cpuSeconds,
                failures == 0 ? "every text equal to std::to_chars's" : "FAILURES: see above");
    return failures == 0 ? 0 : 1;
}
