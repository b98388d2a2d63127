// main -- the process entry: the command line, start-up, the frame loop, shutdown; and, when
// asked, a recording of the input, a trace of the state or a demo played from a script.
#include <SDL.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_game_manager.hpp"
#include "frame_host.hpp"
#include "input_bindings.hpp"
#include "platform_loop.hpp"
#include "play_session.hpp"

namespace {
constexpr char kUsage[] =
    "usage: brickfall [--record FILE] [--demo FILE] [--trace FILE]\n"
    "       brickfall --help | --version\n"
    "A brick-breaking arcade game: keep the balls in play with the paddle, break the\n"
    "wall of 300 blocks and catch the falling coins.\n"
    "\n"
    "Options:\n"
    "  --record FILE  write what the keyboard and controllers held on every pass to\n"
    "                 FILE, an input script that brickfall-sim --script FILE replays\n"
    "                 exactly\n"
    "  --demo FILE    play the input script FILE in the window in place of the\n"
    "                 keyboard and controllers; the game ends after the script's last\n"
    "                 pass\n"
    "  --trace FILE   write the game's state after every frame to FILE, one JSON\n"
    "                 line each, as brickfall-sim --trace does (- for stdout)\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n";
// The keys and buttons, named by the bindings table, and what they do.
struct HelpLine {
    KeyNames keys;
    const char* meaning;
};
constexpr std::array<HelpLine, 5> kKeyHelp = {{
    {joinKeyNames({InputAction::Left, InputAction::Right}, ", "),
     "move the paddle; change a value in the menu"},
    {joinKeyNames({InputAction::Up, InputAction::Down}, ", "), "move the menu's cursor"},
    {joinKeyNames({InputAction::Confirm}, ""), "choose a menu row"},
    {joinKeyNames({InputAction::Back}, ""),
     "leave a menu page; in a stage, win 5000 points on the frame\n"
     "                 that completes 30 seconds of unpaused play"},
    {joinKeyNames({InputAction::Pause}, ""), "pause and resume a stage"},
}};
constexpr char kUsageEnd[] =
    "Closing the window ends the game.\n"
    "\n"
    "Game controllers, any number, plugged in at any time; buttons by position:\n"
    "  D-pad, left stick  as the arrow keys\n"
    "  South (A, Cross)   as %s\n"
    "  East (B, Circle)   as %s; so does Back (Select)\n"
    "  Start              as %s\n"
    "Unplugging a controller pauses a running stage.\n"
    "\n"
    "Resources: the sprite sheet IMG/Main.png in the Resources/ folder beside the\n"
    "game's real executable (symbolic links resolved).\n"
    "\n"
    "Exit status: 0 when the game ends normally, 1 when it cannot start or a file\n"
    "cannot be written, 2 for a wrong command line.\n";

void printUsage(std::FILE* out) {
    std::fputs(kUsage, out);
    std::fputs("Keys:\n", out);
    for (const HelpLine& line : kKeyHelp) {
        std::fprintf(out, "  %-14s %s\n", line.keys.c_str(), line.meaning);
    }
    std::fprintf(out, kUsageEnd, bindingOf(InputAction::Confirm).keyName,
                 bindingOf(InputAction::Back).keyName, bindingOf(InputAction::Pause).keyName);
}
constexpr int kUsageStatus = 2;

struct CommandLine {
    const char* recordPath = nullptr;
    const char* demoPath = nullptr;
    const char* tracePath = nullptr;
};

enum class Request { Play, Help, Version, Wrong };

Request parseCommandLine(int argc, char** argv, CommandLine& line) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            return Request::Help;
        }
        if (option == "--version") {
            return Request::Version;
        }
        const char** target = option == "--record"  ? &line.recordPath
                              : option == "--demo"  ? &line.demoPath
                              : option == "--trace" ? &line.tracePath
                                                    : nullptr;
        if (target == nullptr) {
            std::fprintf(stderr, "brickfall: unknown option '%s'\n", option.c_str());
            return Request::Wrong;
        }
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            std::fprintf(stderr, "brickfall: %s needs a FILE\n", option.c_str());
            return Request::Wrong;
        }
        *target = argv[++i];
    }
    return Request::Play;
}

constexpr char kRecordingComment[] =
    "brickfall " BRICKFALL_VERSION
    ": what the keyboard and controllers held on each pass;\n"
    "play it back with brickfall-sim --script FILE or brickfall --demo FILE";

// The run's demo, recording and trace outlive main's frame: in a page, the game's frames go on
// after main has handed them to the page.
PlaySession session;

bool demoGiven = false;

// The engine's start-up, then the session's demo, when there is one, filling every pass's
// command in place of the player, and its recording of every pass.
void startGameStep(int step) {
    startUpStep(step);
    if (step + 1 < kStartUpSteps) {
        return;
    }
    if (demoGiven) {
        setInputProducer(&session.demo());
    }
    setPassObserver(&session);
}

int endRun() {
    setPassObserver(nullptr);
    setInputProducer(nullptr);
    const bool written = session.finish(!hasFailed());
    const int status = shutDown();
    return status != EXIT_SUCCESS ? status : (written ? EXIT_SUCCESS : EXIT_FAILURE);
}

bool saveRecordingSoFar(const char* path) {
    return session.saveRecordingSoFar(path);
}
}  // namespace

int SDL_main(int argc, char* argv[]) {
    CommandLine line;
    switch (parseCommandLine(argc, argv, line)) {
        case Request::Help:
            printUsage(stdout);
            return EXIT_SUCCESS;
        case Request::Version:
            std::printf("brickfall %s\n", BRICKFALL_VERSION);
            return EXIT_SUCCESS;
        case Request::Wrong:
            printUsage(stderr);
            return kUsageStatus;
        case Request::Play:
            break;
    }
    SessionOptions options;
    options.program = "brickfall";
    options.demoPath = line.demoPath;
    options.recordPath = line.recordPath;
    options.tracePath = line.tracePath;
    options.recordingComment = kRecordingComment;
    options.endAfterDemo = true;
    if (session.open(options) != SessionOpened::Ready) {
        return EXIT_FAILURE;
    }

    demoGiven = line.demoPath != nullptr;
    return hostUntilQuit({startGameStep, kStartUpSteps, endRun, saveRecordingSoFar});
}

// Where SDL provides no main glue of its own, the process entry hands over directly.
#if !defined(SDL_MAIN_NEEDED) && !defined(SDL_MAIN_AVAILABLE)
int main(int argc, char* argv[]) {
    return SDL_main(argc, argv);
}
#endif
