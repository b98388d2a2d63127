# Read by CTest after the discovered GoogleTest cases are defined: every case runs on SDL's
# dummy drivers and without a display, so no window shows and no message box can block.
set_tests_properties(${brickfall_tests_TESTS} PROPERTIES ENVIRONMENT
    "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;SDL_RENDER_DRIVER=software;DISPLAY=;WAYLAND_DISPLAY=")
