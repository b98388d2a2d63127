// count_option -- a whole number given for an option on a proof's command line.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>

// Reads all of `text` as a number of at most 64 bits in `base`, as std::strtoull takes it (0
// also reads 0x hexadecimal and a leading 0 as octal); false, leaving `value`, for anything
// else, a sign included: strtoull would take "-1" as the largest number.
inline bool parseCount(const char* text, std::uint64_t& value, int base) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, base);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') {
        return false;
    }
    value = parsed;
    return true;
}
