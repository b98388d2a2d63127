// platform_display -- in a browser the canvas has the page's room, not the screen's: the page
// says how much in device pixels (its roomForCanvas), so that the field's whole-pixel scale fits
// without scrolling the page and stays crisp on a phone's fine screen.
#include <emscripten/emscripten.h>

#include "platform_display.hpp"

bool readWindowRoom(std::int32_t& width, std::int32_t& height) {
    // Written as width * 65536 + height, or 0 where the page says nothing.
    const int room = EM_ASM_INT({
        if (typeof Module["roomForCanvas"] != "function") {
            return 0;
        }
        const room = Module["roomForCanvas"]();
        return Math.min(Math.max(room[0] | 0, 1), 32767) * 65536 +
               Math.min(Math.max(room[1] | 0, 1), 65535);
    });
    if (room <= 0) {
        return false;
    }
    width = room / 65536;
    height = room % 65536;
    return true;
}

// SDL would multiply the window by the device's pixel ratio, a fraction on many phones; the
// page shows the canvas's device pixels at their own size instead.
bool windowAsksForFinePixels() {
    return false;
}

bool windowShownBlackAtOnce() {
    return false;
}
