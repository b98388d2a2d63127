// main -- the process entry: start-up, the frame loop, shutdown.
#include <SDL.h>

#include "engine_game_manager.hpp"

int SDL_main(int /*argc*/, char* /*argv*/[]) {
    startUp();
    runFrameLoop();
    return shutDown();
}

// Where SDL provides no main glue of its own, the process entry hands over directly.
#if !defined(SDL_MAIN_NEEDED) && !defined(SDL_MAIN_AVAILABLE)
int main(int argc, char* argv[]) {
    return SDL_main(argc, argv);
}
#endif
