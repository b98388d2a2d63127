// brickfall-bench -- what one frame costs on the headless software renderer: the worst-case
// stage update and render, the menu's render, the window copy and whole passes, each also shown
// as a share of the 8.33 ms a frame has at 120 frames per second.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "scene_menu.hpp"
#include "video_presenting.hpp"
#include "worst_case.hpp"

namespace {
constexpr double kFrameBudgetSeconds = kFramePeriodSeconds;

// The usual console table, then each result again as a share of one frame's 8.33 ms. With
// repetitions the aggregates (mean, median, deviation) get their own rows.
class FrameShareReporter : public benchmark::ConsoleReporter {
  public:
    // Coloured only on a terminal, as the library's own console output is.
    FrameShareReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // A coefficient of variation is already a ratio, not a time.
            const bool ratio = run.run_type == Run::RT_Aggregate &&
                               run.aggregate_unit == benchmark::StatisticUnit::kPercentage;
            if (!run.error_occurred && !ratio) {
                rows_.push_back(
                    {run.benchmark_name(),
                     run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit)});
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nWall-clock time per iteration as a share of the %.2f ms frame:\n",
                    kFrameBudgetSeconds * 1e3);
        for (const Row& row : rows_) {
            std::printf("  %-48s %10.3f us %9.3f %%\n", row.name.c_str(), row.seconds * 1e6,
                        100.0 * row.seconds / kFrameBudgetSeconds);
        }
    }

  private:
    struct Row {
        std::string name;
        double seconds;
    };
    std::vector<Row> rows_;
};

// A press the menu sees once: the key goes down for one pass and up for the next.
void press(InputAction action) {
    pushKeyEvent(getActionScancode(action), true);
    runFramePass();
    pushKeyEvent(getActionScancode(action), false);
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
    for (auto _ : state) {
        stageWorstCase(placementOf(state));
        benchmark::ClobberMemory();
    }
}

void StageUpdate(benchmark::State& state) {
    enterStageInPlay();
    for (auto _ : state) {
        stageWorstCase(placementOf(state));
        updateCurrentScene();
        benchmark::ClobberMemory();
    }
}

void StageRender(benchmark::State& state) {
    enterStageInPlay();
    stageWorstCase(BallPlacement::FreeFlight);
    for (auto _ : state) {
        drawPlayField();
    }
}

void MenuRender(benchmark::State& state) {
    openMenuPage(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        drawPlayField();
    }
}

// The window cleared, the play field scaled (and turned, by the rotation asked) into it and
// presented: every picture counts as new, as after an expose.
void WindowCopy(benchmark::State& state) {
    changeScene(kMenuScene);
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer,
                        static_cast<Rotation>(state.range(0)));
    for (auto _ : state) {
        markPictureChanged();
        renderVideo();
    }
    changeVideoSettings(WindowMode::Windowed, ScaleType::Integer, Rotation::None);
}

void StagePass(benchmark::State& state) {
    enterStageInPlay();
    for (auto _ : state) {
        stageWorstCase(placementOf(state));
        runFramePass();
    }
}

void MenuPass(benchmark::State& state) {
    openMenuPage(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        runFramePass();
    }
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
    // Naming the driver turns SDL's draw batching off; the game's own fallback to software,
    // with no driver named, keeps it on.
    SDL_setenv("SDL_RENDER_BATCHING", "1", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    startUp();
    if (getQuit()) {
        shutDown();
        return 1;
    }
    FrameShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return shutDown();
}
