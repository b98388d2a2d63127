// brickfall-sim -- runs the real game headless, pass after pass without real-time pacing,
// driven by an input script or a seeded random player that checks the game's invariants after
// every pass; writes a state trace, snapshots and a summary.
#include <SDL.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_video.hpp"
#include "entity_ball.hpp"
#include "game_scene_manager.hpp"
#include "sim_invariants.hpp"
#include "sim_monkey.hpp"
#include "sim_script.hpp"
#include "sim_trace.hpp"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {
struct Snapshot {
    long long frame;
    std::string path;
};

struct Options {
    std::string scriptPath;
    long long frames = -1;
    std::string tracePath;
    std::vector<Snapshot> snapshots;
    bool monkey = false;
    std::uint64_t monkeySeed = 0;
    long long progressEvery = 0;
};

constexpr const char* kUsage =
    "usage: brickfall-sim [--script FILE | --monkey SEED] [--frames N] [--trace FILE|-] "
    "[--snapshot F:FILE.png]... [--progress N]\n"
    "  --monkey SEED  random play from the seed that never chooses Exit or applies display\n"
    "                 settings, checking the game's invariants every pass; needs --frames;\n"
    "                 a broken invariant ends the run with status 3\n"
    "  --progress N   writes the pass count to stderr every N passes\n";

constexpr int kUsageStatus = 2;
constexpr int kBrokenInvariantStatus = 3;

bool parseCount(const char* text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && value >= 0;
}

bool parseSeed(const char* text, std::uint64_t& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return text[0] >= '0' && text[0] <= '9' && *end == '\0';
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "brickfall-sim: %s needs a value\n", option.c_str());
            return false;
        }
        const char* value = argv[++i];
        if (option == "--script") {
            options.scriptPath = value;
        } else if (option == "--frames") {
            if (!parseCount(value, options.frames)) {
                std::fprintf(stderr, "brickfall-sim: --frames needs a whole number\n");
                return false;
            }
        } else if (option == "--monkey") {
            options.monkey = true;
            if (!parseSeed(value, options.monkeySeed)) {
                std::fprintf(stderr, "brickfall-sim: --monkey needs a whole number seed\n");
                return false;
            }
        } else if (option == "--progress") {
            if (!parseCount(value, options.progressEvery) || options.progressEvery == 0) {
                std::fprintf(stderr, "brickfall-sim: --progress needs a whole number from 1\n");
                return false;
            }
        } else if (option == "--trace") {
            options.tracePath = value;
        } else if (option == "--snapshot") {
            const char* colon = std::strchr(value, ':');
            Snapshot snapshot = {};
            const std::string frameText(value, colon != nullptr ? colon : value);
            if (colon == nullptr || colon[1] == '\0' ||
                !parseCount(frameText.c_str(), snapshot.frame) || snapshot.frame < 1) {
                std::fprintf(stderr, "brickfall-sim: --snapshot needs F:FILE.png with F >= 1\n");
                return false;
            }
            snapshot.path = colon + 1;
            options.snapshots.push_back(snapshot);
        } else {
            std::fprintf(stderr, "brickfall-sim: unknown option %s\n", option.c_str());
            return false;
        }
    }
    if (options.monkey && !options.scriptPath.empty()) {
        std::fprintf(stderr, "brickfall-sim: --monkey and --script exclude each other\n");
        return false;
    }
    if (options.monkey && options.frames < 0) {
        std::fprintf(stderr, "brickfall-sim: --monkey needs --frames\n");
        return false;
    }
    return true;
}

bool loadScript(const std::string& path, Script& script) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "brickfall-sim: cannot read script %s\n", path.c_str());
        return false;
    }
    std::stringstream contents;
    contents << file.rdbuf();
    const ScriptParseResult parsed = parseScript(contents.str());
    if (!parsed.ok) {
        std::fprintf(stderr, "brickfall-sim: %s:%d: %s\n", path.c_str(), parsed.errorLine,
                     parsed.error.c_str());
        return false;
    }
    script = parsed.script;
    return true;
}

// Presses and releases keys through SDL's queue so the game's real input path sees them.
// Actions that share a key hold it when either is held.
void pressKeys(const HeldActions& held, std::vector<bool>& keyDown) {
    std::vector<bool> wanted(keyDown.size(), false);
    for (int action = 0; action < kInputActionCount; ++action) {
        if (held[static_cast<std::size_t>(action)]) {
            wanted[static_cast<std::size_t>(getActionScancode(static_cast<InputAction>(action)))] =
                true;
        }
    }
    for (std::size_t scancode = 0; scancode < keyDown.size(); ++scancode) {
        if (wanted[scancode] == keyDown[scancode]) {
            continue;
        }
        SDL_Event event = {};
        event.type = wanted[scancode] ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = wanted[scancode] ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
        SDL_PushEvent(&event);
        keyDown[scancode] = wanted[scancode];
    }
}

bool writeSnapshot(const std::string& path) {
    int width = 0;
    int height = 0;
    SDL_QueryTexture(getPlayField(), nullptr, nullptr, &width, &height);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    SDL_SetRenderTarget(getRenderer(), getPlayField());
    const int read = SDL_RenderReadPixels(getRenderer(), nullptr, SDL_PIXELFORMAT_RGBA32,
                                          pixels.data(), width * 4);
    SDL_SetRenderTarget(getRenderer(), nullptr);
    // The play field has no alpha channel of its own: every pixel is opaque.
    for (std::size_t i = 3; i < pixels.size(); i += 4) {
        pixels[i] = 255;
    }
    return read == 0 && stbi_write_png(path.c_str(), width, height, 4, pixels.data(), width * 4);
}

// How far a monkey run got into the game, so a soak's record says what it exercised.
struct MonkeyReach {
    long long stagesStarted = 0;
    long long menuPasses = 0;
    std::int32_t mostBalls = 0;
    std::int32_t mostCoins = 0;
    std::int32_t fewestBlocks = kBlockCapacity;
    std::int32_t highScore = 0;

    void note(const GameState& previous, const GameState& current) {
        if (previous.scene != kStageScene && current.scene == kStageScene) {
            ++stagesStarted;
        }
        menuPasses += current.scene == kMenuScene ? 1 : 0;
        mostBalls = std::max(mostBalls, current.ballCount);
        mostCoins = std::max(mostCoins, current.coinCount);
        fewestBlocks = std::min(fewestBlocks, current.blockCount);
        highScore = current.highScore;
    }
};
}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return kUsageStatus;
    }
    Script script;
    if (!options.scriptPath.empty() && !loadScript(options.scriptPath, script)) {
        return kUsageStatus;
    }
    const long long frames = options.frames >= 0 ? options.frames : script.length;

    std::FILE* trace = nullptr;
    if (options.tracePath == "-") {
        trace = stdout;
    } else if (!options.tracePath.empty()) {
        trace = std::fopen(options.tracePath.c_str(), "w");
        if (trace == nullptr) {
            std::fprintf(stderr, "brickfall-sim: cannot write trace %s\n",
                         options.tracePath.c_str());
            return kUsageStatus;
        }
    }

    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
    // Naming the driver turns SDL's draw batching off; the game's own fallback to software,
    // with no driver named, keeps it on.
    SDL_setenv("SDL_RENDER_BATCHING", "1", 1);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 0);

    if (options.monkey) {
        // A quit in a monkey run can then only come from the game itself, never from a signal
        // that stops the soak.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    }
    const auto start = std::chrono::steady_clock::now();
    startUp();
    ScriptPlayer player(script);
    Monkey monkey(options.monkeySeed);
    MonkeyReach reach;
    // Two states, swapped each pass, so the check between passes copies nothing.
    std::array<GameState, 2> states;
    readGameState(states[0]);
    std::string brokenInvariant;
    std::vector<bool> keyDown(SDL_NUM_SCANCODES, false);
    long long passes = 0;
    bool snapshotsWritten = true;
    while (passes < frames && !hasFailed()) {
        pressKeys(options.monkey ? monkey.next(readMonkeyView()) : player.next(), keyDown);
        runFramePass();
        ++passes;
        if (options.progressEvery > 0 && passes % options.progressEvery == 0) {
            std::fprintf(stderr, "pass %lld\n", passes);
        }
        for (const Snapshot& snapshot : options.snapshots) {
            if (snapshot.frame == passes && !writeSnapshot(snapshot.path)) {
                std::fprintf(stderr, "brickfall-sim: cannot write snapshot %s\n",
                             snapshot.path.c_str());
                snapshotsWritten = false;
            }
        }
        if (trace != nullptr) {
            writeTraceLine(trace, passes);
        }
        if (options.monkey) {
            const GameState& previous = states[static_cast<std::size_t>((passes + 1) % 2)];
            GameState& current = states[static_cast<std::size_t>(passes % 2)];
            readGameState(current);
            brokenInvariant = findBrokenInvariant(previous, current);
            if (!brokenInvariant.empty()) {
                break;
            }
            reach.note(previous, current);
        }
        if (getQuit()) {
            break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const SimSummary summary = readSummary();
    if (trace != nullptr && trace != stdout) {
        std::fclose(trace);
    }
    const int status = shutDown();
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "peak resident memory %ld KiB\n", usage.ru_maxrss);
    std::fprintf(stderr,
                 "passes %lld, seconds %.3f, passes per second %.0f, score %d, hi-score %d\n",
                 passes, seconds, seconds > 0.0 ? static_cast<double>(passes) / seconds : 0.0,
                 summary.score, summary.highScore);
    if (options.monkey) {
        std::fprintf(stderr,
                     "monkey seed %llu: stages started %lld, passes in the menu %lld, exits "
                     "avoided %lld, applies avoided %lld, most balls %d, most coins %d, fewest "
                     "blocks %d, hi-score %d\n",
                     static_cast<unsigned long long>(options.monkeySeed), reach.stagesStarted,
                     reach.menuPasses, monkey.exitsAvoided(), monkey.appliesAvoided(),
                     reach.mostBalls, reach.mostCoins, reach.fewestBlocks, reach.highScore);
        if (!brokenInvariant.empty()) {
            std::fprintf(stderr, "brickfall-sim: pass %lld: invariant broken: %s\n", passes,
                         brokenInvariant.c_str());
            return kBrokenInvariantStatus;
        }
        if (getQuit() && !hasFailed()) {
            std::fprintf(stderr, "brickfall-sim: pass %lld: the monkey left the game\n", passes);
            return kBrokenInvariantStatus;
        }
    }
    if (status != 0) {
        return status;
    }
    return snapshotsWritten ? 0 : 1;
}
