// engine_game_manager -- the quit flag, error reporting, and the start-up, frame and shutdown
// sequences that the game and the headless tools share.
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
#include "video_presenting.hpp"

namespace {
// While minimised nothing is drawn, so the loop sleeps until the window system has news; the
// limit only bounds how long a quit raised without an event could go unseen.
constexpr std::int32_t kMinimizedWaitMilliseconds = 100;

bool quit = false;
bool failed = false;
long long framesRun = 0;
FrameStartObserver frameStartObserver = nullptr;
PassEndObserver passEndObserver = nullptr;

void endPass(bool ranFrame) {
    if (passEndObserver != nullptr) {
        passEndObserver(ranFrame);
    }
}
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

void startUp() {
    frame_timer::initializeTimer(kFramesPerSecond);
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    initializeAudio();
    initializeInput();
    changeScene(kMenuScene);
    *getSprite1() = newSprite(kSheetName.c_str());
    *getFont1() = newFont(*getSprite1(), kFirstGlyphCell, kGlyphLastColumn);
    loadStageSounds();
}

bool runFramePass() {
    if (frameStartObserver != nullptr) {
        frameStartObserver();
    }
    updateInputs();
    if (isMinimized() != 0) {
        endPass(false);
        return false;
    }
    frame_timer::updateTimer();
    updateCurrentScene();
    // The scene's draws are sketched first, and the field drawn only when they differ from
    // those of the picture it holds.
    beginSketch();
    renderCurrentScene();
    if (endSketch()) {
        preRender();
        renderCurrentScene();
    }
    renderVideo();
    ++framesRun;
    endPass(true);
    return true;
}

void runFrameLoop() {
    while (!getQuit()) {
        if (!frame_timer::frameReady()) {
            frame_timer::sleep();
            continue;
        }
        frame_timer::limitCatchUp();
        if (!runFramePass()) {
            waitForEvents(kMinimizedWaitMilliseconds);
            frame_timer::restartCadence();
        }
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

long long getFramesRun() {
    return framesRun;
}

void setFrameStartObserver(FrameStartObserver observer) {
    frameStartObserver = observer;
}

void setPassEndObserver(PassEndObserver observer) {
    passEndObserver = observer;
}
