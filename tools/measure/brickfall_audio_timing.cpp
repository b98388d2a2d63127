// brickfall-audio-timing -- times the mixer's callbacks while the game plays stages in real
// time, to tell whether its chunk size keeps the sound device fed on this machine; or plays the
// loudest stage the rules allow, for a recording of what the mixer makes of it.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_timer.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "worst_case.hpp"

namespace {
constexpr std::size_t kMostCallbacks = 1 << 18;

// Filled by the mixer's thread; room for every callback up front, so it never allocates.
std::vector<Uint64> callbackEnds(kMostCallbacks);
std::atomic<std::size_t> callbacks{0};
std::atomic<int> chunkBytes{0};

void noteCallback(void* /*data*/, Uint8* /*stream*/, int length) {
    const std::size_t index = callbacks.fetch_add(1);
    if (index < callbackEnds.size()) {
        callbackEnds[index] = SDL_GetPerformanceCounter();
    }
    chunkBytes = length;
}
}  // namespace

int main(int argc, char** argv) {
    const bool loudest = argc == 3 && std::strcmp(argv[2], "--loudest") == 0;
    const double seconds = argc == 2 || loudest ? std::atof(argv[1]) : 0.0;
    if (seconds <= 0.0) {
        std::fprintf(stderr,
                     "usage: brickfall-audio-timing SECONDS [--loudest]\n"
                     "  plays stages in real time, headless, on SDL's audio driver of choice\n"
                     "  (SDL_AUDIODRIVER, default disk into SDL_DISKAUDIOFILE, default\n"
                     "  /dev/null), and reports the gaps between the mixer's callbacks against\n"
                     "  the length of its chunk. --loudest plays one stage with its tune in which\n"
                     "  every frame ten balls strike blocks, the walls and the paddle\n");
        return 2;
    }
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
    SDL_setenv("SDL_AUDIODRIVER", "disk", 0);
    SDL_setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
    startUp();
    if (getQuit()) {
        return shutDown();
    }
    Mix_SetPostMix(noteCallback, nullptr);
    if (loudest) {
        enterStageInPlay();
    }
    const double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
    const Uint64 start = SDL_GetPerformanceCounter();
    // A player who starts a stage whenever the menu shows and lets the ball go where it will:
    // strikes, bounces and losses, each with its effect, over the tune.
    bool startHeld = false;
    while (static_cast<double>(SDL_GetPerformanceCounter() - start) / frequency < seconds) {
        if (!frame_timer::frameReady()) {
            frame_timer::sleep();
            continue;
        }
        if (loudest) {
            stageWorstCase(BallPlacement::StrikesAndBounces);
        } else if (getCurrentScene() == kMenuScene) {
            startHeld = !startHeld;
            pushKeyEvent(getActionScancode(InputAction::Confirm), startHeld);
        }
        runFramePass();
    }
    Mix_SetPostMix(nullptr, nullptr);
    int deviceRate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&deviceRate, &format, &channels);
    const int bytesPerFrame = std::max(1, SDL_AUDIO_BITSIZE(format) / 8 * channels);

    const std::size_t count = std::min(callbacks.load(), callbackEnds.size());
    const double chunkMilliseconds =
        1000.0 * chunkBytes.load() / bytesPerFrame / static_cast<double>(std::max(1, deviceRate));
    std::vector<double> gaps;
    for (std::size_t i = 2; i < count; ++i) {
        gaps.push_back(1000.0 * static_cast<double>(callbackEnds[i] - callbackEnds[i - 1]) /
                       frequency);
    }
    std::sort(gaps.begin(), gaps.end());
    const int status = shutDown();
    if (gaps.empty()) {
        std::printf("audio driver gave too few callbacks to time\n");
        return 1;
    }
    // A device holds about two chunks; a gap of more than two means it ran dry.
    const auto dry = std::count_if(gaps.begin(), gaps.end(),
                                   [&](double gap) { return gap > 2.0 * chunkMilliseconds; });
    std::printf(
        "chunk %d samples (%.2f ms); %zu callbacks in %.1f s; gap median %.3f ms, 99th "
        "percentile %.3f ms, maximum %.3f ms; gaps over two chunks: %td\n",
        chunkBytes.load() / bytesPerFrame, chunkMilliseconds, count, seconds, gaps[gaps.size() / 2],
        gaps[gaps.size() * 99 / 100], gaps.back(), dry);
    return status;
}
