// brickfall-bench -- what one frame costs on the headless software renderer: the worst-case
// stage update and render, the menu's render, the window copy and whole passes, each also shown
// as a share of the 8.33 ms a frame has at 120 frames per second.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_video.hpp"
#include "game_scene_manager.hpp"
#include "scene_menu.hpp"
#include "worst_case.hpp"

namespace {
constexpr double kFrameBudgetSeconds = 1.0 / 120.0;
using Clock = std::chrono::steady_clock;

// Labels the result with its wall-clock share of one frame at 120 frames per second; `start` is
// taken just before the measured loop.
void labelFrameShare(benchmark::State& state, Clock::time_point start) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double share =
        100.0 * seconds / static_cast<double>(state.iterations()) / kFrameBudgetSeconds;
    char label[48];
    std::snprintf(label, sizeof label, "%.3f%% of the frame", share);
    state.SetLabel(label);
}

void pushKey(InputAction action, bool down) {
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(getActionScancode(action));
    SDL_PushEvent(&event);
}

// A press the menu sees once: the key goes down for one pass and up for the next.
void press(InputAction action) {
    pushKey(action, true);
    runFramePass();
    pushKey(action, false);
    runFramePass();
}

// Opens a menu page with its longest texts showing: "Windowed FullScreen" on the video page.
void openMenuPage(std::int32_t page) {
    changeScene(kMenuScene);
    if (page == kMainPage) {
        return;
    }
    press(InputAction::Down);
    press(InputAction::Confirm);
    if (page == kVideoPage) {
        press(InputAction::Confirm);
        press(InputAction::Right);
        press(InputAction::Right);
    } else if (page == kAudioPage) {
        press(InputAction::Down);
        press(InputAction::Confirm);
    }
}

// The draws alone: the software renderer may queue them, so they are flushed before timing ends.
void drawPlayField() {
    preRender();
    renderCurrentScene();
    SDL_RenderFlush(getRenderer());
}

BallPlacement placementOf(const benchmark::State& state) {
    return static_cast<BallPlacement>(state.range(0));
}

// Restaging is part of every stage benchmark below; this is its cost alone, to subtract.
void StageRestage(benchmark::State& state) {
    enterStageInPlay();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        stageWorstCase(placementOf(state));
        benchmark::ClobberMemory();
    }
    labelFrameShare(state, start);
}

void StageUpdate(benchmark::State& state) {
    enterStageInPlay();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        stageWorstCase(placementOf(state));
        updateCurrentScene();
        benchmark::ClobberMemory();
    }
    labelFrameShare(state, start);
}

void StageRender(benchmark::State& state) {
    enterStageInPlay();
    stageWorstCase(BallPlacement::FreeFlight);
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        drawPlayField();
    }
    labelFrameShare(state, start);
}

void MenuRender(benchmark::State& state) {
    openMenuPage(static_cast<std::int32_t>(state.range(0)));
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        drawPlayField();
    }
    labelFrameShare(state, start);
}

// The play field scaled (and turned, by the rotation asked) into the window, presented, and
// the window cleared.
void WindowCopy(benchmark::State& state) {
    changeScene(kMenuScene);
    changeVideoSettings(kWindowed, kScaleInteger, static_cast<std::int32_t>(state.range(0)));
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        renderVideo();
    }
    labelFrameShare(state, start);
    changeVideoSettings(kWindowed, kScaleInteger, 0);
}

void StagePass(benchmark::State& state) {
    enterStageInPlay();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        stageWorstCase(placementOf(state));
        runFramePass();
    }
    labelFrameShare(state, start);
}

void MenuPass(benchmark::State& state) {
    openMenuPage(static_cast<std::int32_t>(state.range(0)));
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        runFramePass();
    }
    labelFrameShare(state, start);
}

void placements(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("corner_strikes")->DenseRange(0, 1)->UseRealTime();
}
void pages(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("page")->DenseRange(kMainPage, kAudioPage)->UseRealTime();
}
}  // namespace

BENCHMARK(StageRestage)->Apply(placements);
BENCHMARK(StageUpdate)->Apply(placements);
BENCHMARK(StageRender)->UseRealTime();
BENCHMARK(MenuRender)->Apply(pages);
BENCHMARK(WindowCopy)->ArgName("rotation")->DenseRange(0, 3)->UseRealTime();
BENCHMARK(StagePass)->Apply(placements);
BENCHMARK(MenuPass)->Apply(pages);

int main(int argc, char** argv) {
    // Headless on SDL's dummy drivers and its software renderer, as the other tools run.
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    startUp();
    if (getQuit()) {
        shutDown();
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return shutDown();
}
