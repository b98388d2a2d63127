# Read by CTest after the discovered GoogleTest cases are defined: every case runs on SDL's
# dummy drivers and without a display, so no window shows and no message box can block.
# The renderer is left to the video module, which falls back to software under the dummy
# driver, as the game does; the video tests read presented frames back from the window surface
# either way.
# Under Wine, its own messages are left out of what the tests read.
set_tests_properties(${brickfall_tests_TESTS} PROPERTIES ENVIRONMENT
    "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;DISPLAY=;WAYLAND_DISPLAY=;WINEDEBUG=-all")
