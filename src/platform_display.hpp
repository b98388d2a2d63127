// platform_display -- the room a window may take: on a desktop the whole display, in a browser
// the part of the page that its canvas may fill.
#pragma once

#include <cstdint>

// The room for a window that is not full screen, in pixels; false where that is the display's
// whole size, which SDL tells.
bool readWindowRoom(std::int32_t& width, std::int32_t& height);
