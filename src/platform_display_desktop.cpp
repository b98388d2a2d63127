// platform_display -- a desktop window may be as large as its display.
#include "platform_display.hpp"

bool readWindowRoom(std::int32_t&, std::int32_t&) {
    return false;
}

bool windowAsksForFinePixels() {
    return true;
}

bool windowShownBlackAtOnce() {
    return true;
}
