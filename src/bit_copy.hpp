// bit_copy -- an object's bits read as another type of the same size, as std::bit_cast does,
// for the C++ libraries that lack it (emscripten's among them).
#pragma once

#include <cstring>
#include <type_traits>

template <typename To, typename From>
To bitCopy(const From& from) {
    static_assert(sizeof(To) == sizeof(From), "the same size");
    static_assert(std::is_trivially_copyable_v<To> && std::is_trivially_copyable_v<From>,
                  "plain values");
    To to;
    std::memcpy(&to, &from, sizeof(To));
    return to;
}
