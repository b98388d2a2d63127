// platform_display -- the room a window may take: on a desktop the whole display, in a browser
// the part of the page that its canvas may fill, counted in the screen's own pixels.
#pragma once

#include <cstdint>

// The room for a window that is not full screen, in pixels; false where that is the display's
// whole size, which SDL tells.
bool readWindowRoom(std::int32_t& width, std::int32_t& height);
// Whether the window asks SDL for the display's own pixels where they are finer than the
// system's units. A page sizes its canvas in device pixels itself, so it does not.
bool windowAsksForFinePixels();
// Whether a new window is cleared to black and shown at once, before the game's first picture.
// A desktop window would otherwise show whatever was under it; a page shows its own picture of
// the title until the game's first, and a clear of the whole canvas costs a slow phone a tenth
// of a second.
bool windowShownBlackAtOnce();
