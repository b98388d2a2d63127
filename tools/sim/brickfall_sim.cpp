// brickfall-sim -- runs the real game headless, pass after pass without real-time pacing,
// driven by an input script or a seeded random player that checks the game's invariants after
// every pass; writes a state trace, snapshots and a summary.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_video.hpp"
#include "entity_ball.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_snapshot.hpp"
#include "platform_memory.hpp"
#include "play_session.hpp"
#include "sim_invariants.hpp"
#include "sim_monkey.hpp"

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
    "usage: brickfall-sim [--script FILE | --monkey SEED] [--frames N] [--trace FILE|-]\n"
    "                     [--snapshot F:FILE.png]... [--progress N]\n"
    "       brickfall-sim --help\n"
    "Runs the game headless, pass after pass without waiting for real time.\n"
    "  --script FILE  hold the keys the input script FILE gives for each pass; each line is\n"
    "                 COUNT ITEMS, ITEMS a comma-separated list of Up, Down, Left, Right,\n"
    "                 Confirm, Back, Special, Pause, Select, Minimized and Unplugged (a\n"
    "                 controller was removed), or - for nothing; # starts a comment.\n"
    "                 brickfall --record writes such scripts\n"
    "  --monkey SEED  random play from the seed that never chooses Exit or applies display\n"
    "                 settings, checking the game's invariants every pass; needs --frames;\n"
    "                 a broken invariant ends the run with status 3\n"
    "  --frames N     passes to run, 1 to 1000000000000 (default: the script's length)\n"
    "  --trace FILE   write the game's state after every frame as JSON lines (- for stdout)\n"
    "  --snapshot F:FILE.png  save the play field after pass F (repeatable)\n"
    "  --progress N   writes the pass count to stderr every N passes\n"
    "  --help         show this help\n"
    "The run ends after the last pass or the pass in which the game asks to quit.\n";

constexpr int kUsageStatus = 2;
constexpr int kBrokenInvariantStatus = 3;
// Far beyond any run worth waiting for, yet a count that cannot overflow.
constexpr long long kMaxFrames = 1'000'000'000'000;

bool parseCount(const char* text, long long& value) {
    if (text[0] < '0' || text[0] > '9') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= kMaxFrames;
}

bool parseSeed(const char* text, std::uint64_t& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return text[0] >= '0' && text[0] <= '9' && *end == '\0';
}

enum class Parsed { Run, Help, Wrong };

Parsed parseOptions(int argc, char** argv, Options& options) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "brickfall-sim: nothing to run: give --script FILE, --monkey SEED with "
                     "--frames N, or --frames N alone\n");
        return Parsed::Wrong;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            return Parsed::Help;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "brickfall-sim: %s needs a value\n", option.c_str());
            return Parsed::Wrong;
        }
        const char* value = argv[++i];
        if (option == "--script") {
            options.scriptPath = value;
        } else if (option == "--frames") {
            if (!parseCount(value, options.frames) || options.frames < 1) {
                std::fprintf(stderr,
                             "brickfall-sim: --frames needs a whole number from 1 to %lld, not "
                             "%s\n",
                             kMaxFrames, value);
                return Parsed::Wrong;
            }
        } else if (option == "--monkey") {
            options.monkey = true;
            if (!parseSeed(value, options.monkeySeed)) {
                std::fprintf(stderr, "brickfall-sim: --monkey needs a whole number seed\n");
                return Parsed::Wrong;
            }
        } else if (option == "--progress") {
            if (!parseCount(value, options.progressEvery) || options.progressEvery == 0) {
                std::fprintf(stderr, "brickfall-sim: --progress needs a whole number from 1\n");
                return Parsed::Wrong;
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
                return Parsed::Wrong;
            }
            snapshot.path = colon + 1;
            options.snapshots.push_back(snapshot);
        } else {
            std::fprintf(stderr, "brickfall-sim: unknown option %s\n", option.c_str());
            return Parsed::Wrong;
        }
    }
    if (options.monkey && !options.scriptPath.empty()) {
        std::fprintf(stderr, "brickfall-sim: --monkey and --script exclude each other\n");
        return Parsed::Wrong;
    }
    if (options.monkey && options.frames < 0) {
        std::fprintf(stderr, "brickfall-sim: --monkey needs --frames\n");
        return Parsed::Wrong;
    }
    return Parsed::Run;
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

// The random player as the producer of each pass's command, looking at the state after the
// pass before.
class MonkeyPlayer final : public InputProducer {
  public:
    MonkeyPlayer(std::uint64_t seed, const std::array<GameState, 2>& states,
                 const long long& passes)
        : monkey_(seed), states_(states), passes_(passes) {}
    PassInput next() override {
        return {monkey_.next(states_[static_cast<std::size_t>(passes_ % 2)]), false, false};
    }
    const Monkey& monkey() const { return monkey_; }

  private:
    Monkey monkey_;
    const std::array<GameState, 2>& states_;
    const long long& passes_;
};
}  // namespace

int main(int argc, char** argv) {
    Options options;
    switch (parseOptions(argc, argv, options)) {
        case Parsed::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case Parsed::Wrong:
            std::fputs(kUsage, stderr);
            return kUsageStatus;
        case Parsed::Run:
            break;
    }
    PlaySession session;
    SessionOptions sessionOptions;
    sessionOptions.program = "brickfall-sim";
    sessionOptions.demoPath = options.scriptPath.empty() ? nullptr : options.scriptPath.c_str();
    sessionOptions.tracePath = options.tracePath.empty() ? nullptr : options.tracePath.c_str();
    if (session.open(sessionOptions) != SessionOpened::Ready) {
        return kUsageStatus;
    }
    const long long frames = options.frames >= 0 ? options.frames : session.script().length;

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
    // The state after each pass, in two snapshots swapped each pass, so the check between passes
    // copies nothing; the one after the last pass is also what the monkey plays on.
    std::array<GameState, 2> states;
    readGameState(states[0]);
    long long passes = 0;
    MonkeyPlayer monkey(options.monkeySeed, states, passes);
    // Only the script or the monkey moves the game, as in a demo of the real game.
    setInputProducer(options.monkey ? static_cast<InputProducer*>(&monkey) : &session.demo());
    setPassObserver(&session);
    MonkeyReach reach;
    std::string brokenInvariant;
    bool snapshotsWritten = true;
    while (passes < frames && !hasFailed()) {
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
    setPassObserver(nullptr);
    setInputProducer(nullptr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    GameState& last = states[static_cast<std::size_t>(passes % 2)];
    readGameState(last);
    const bool traced = session.finish(!hasFailed());
    const int status = shutDown();
    std::fprintf(stderr, "peak resident memory %ld KiB\n", peakResidentKiB());
    std::fprintf(stderr,
                 "passes %lld, seconds %.3f, passes per second %.0f, score %d, hi-score %d\n",
                 passes, seconds, seconds > 0.0 ? static_cast<double>(passes) / seconds : 0.0,
                 last.score, last.highScore);
    if (options.monkey) {
        std::fprintf(stderr,
                     "monkey seed %llu: stages started %lld, passes in the menu %lld, exits "
                     "avoided %lld, applies avoided %lld, most balls %d, most coins %d, fewest "
                     "blocks %d, hi-score %d\n",
                     static_cast<unsigned long long>(options.monkeySeed), reach.stagesStarted,
                     reach.menuPasses, monkey.monkey().exitsAvoided(),
                     monkey.monkey().appliesAvoided(), reach.mostBalls, reach.mostCoins,
                     reach.fewestBlocks, reach.highScore);
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
    if (!traced) {
        return 1;
    }
    for (const Snapshot& snapshot : options.snapshots) {
        if (snapshot.frame > passes) {
            std::fprintf(stderr, "brickfall-sim: no snapshot %s: the run ended after pass %lld\n",
                         snapshot.path.c_str(), passes);
            snapshotsWritten = false;
        }
    }
    return snapshotsWritten ? 0 : 1;
}
