// engine_game_manager -- the quit flag, error reporting, and the start-up and shutdown sequences
// that the game and the headless tools share.
#include "engine_game_manager.hpp"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "engine_audio.hpp"
#include "engine_file_helper.hpp"
#include "engine_input.hpp"
#include "engine_sprite.hpp"
#include "engine_timer.hpp"
#include "engine_video.hpp"
#include "game_constants.hpp"
#include "game_font.hpp"
#include "game_scene_manager.hpp"
#include "game_stage_sounds.hpp"
#include "game_variables.hpp"

namespace {
bool quit = false;
bool failed = false;
}  // namespace

void quitGame() {
    quit = true;
}
bool getQuit() {
    return quit;
}

void reportError(const char* title, const char* text) {
    // stderr first: on a machine without a desktop the box cannot show, and under a window
    // system it blocks until dismissed.
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr);
}

void failGame(const char* title, const char* text) {
    reportError(title, text);
    failed = true;
    quitGame();
}

bool hasFailed() {
    return failed;
}

void startUpStep(int step) {
    switch (step) {
        case 0:
            frame_timer::initializeTimer(kFramesPerSecond);
            initializeFileHelper(kResourceNameRoom);
            initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
            break;
        case 1:
            initializeAudio();
            break;
        case 2:
            initializeInput();
            changeScene(kMenuScene);
            break;
        case 3:
            *getSprite1() = newSprite(kSheetName.c_str());
            *getFont1() = newFont(*getSprite1(), kFirstGlyphCell, kGlyphLastColumn);
            break;
        default:
            loadStageSounds();
            break;
    }
}

void startUp() {
    for (int step = 0; step < kStartUpSteps; ++step) {
        startUpStep(step);
    }
}

int shutDown() {
    quitCurrentScene();
    freeFont(*getFont1());
    freeSprite(*getSprite1());
    freeStageSounds();
    quitFileHelper();
    frame_timer::quitTimer();
    quitAudio();
    quitInput();
    quitVideo();
    return failed ? EXIT_FAILURE : EXIT_SUCCESS;
}
