#include "count_option.hpp"

#include <gtest/gtest.h>

#include <cstdint>

TEST(CountOption, OnlyAWholeUnsignedNumberOfAtMost64BitsInItsBaseIsTaken) {
    constexpr std::uint64_t kUntouched = 77;
    const struct {
        const char* text;
        int base;
        bool taken;
        std::uint64_t value;
    } cases[] = {
        {"0", 10, true, 0},
        {"42", 10, true, 42},
        {"010", 10, true, 10},
        {"18446744073709551615", 10, true, UINT64_MAX},
        {"18446744073709551616", 10, false, kUntouched},
        {"0x10", 10, false, kUntouched},
        {"0x10", 0, true, 16},
        {"0xffffffff", 0, true, 0xffffffffu},
        {"010", 0, true, 8},
        {"-1", 10, false, kUntouched},
        {"-0", 0, false, kUntouched},
        {"", 10, false, kUntouched},
        {"12a", 10, false, kUntouched},
        {"a12", 0, false, kUntouched},
    };
    for (const auto& c : cases) {
        std::uint64_t value = kUntouched;
        EXPECT_EQ(parseCount(c.text, value, c.base), c.taken)
            << '"' << c.text << "\" base " << c.base;
        EXPECT_EQ(value, c.value) << '"' << c.text << "\" base " << c.base;
    }
}
