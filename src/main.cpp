// main -- the process entry: the command line, start-up, the frame loop, shutdown; and, when
// asked, a recording of the input, a trace of the state or a demo played from a script.
#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "game_snapshot.hpp"
#include "game_trace.hpp"
#include "input_script.hpp"
#include "platform_files.hpp"

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
    "\n"
    "Keys:\n"
    "  Left, Right    move the paddle; change a value in the menu\n"
    "  Up, Down       move the menu's cursor\n"
    "  Return         choose a menu row\n"
    "  P              leave a menu page; in a stage, win 5000 points on the frame\n"
    "                 that completes 30 seconds of unpaused play\n"
    "  Backspace      pause and resume a stage\n"
    "Closing the window ends the game.\n"
    "\n"
    "Game controllers, any number, plugged in at any time; buttons by position:\n"
    "  D-pad, left stick  as the arrow keys\n"
    "  South (A, Cross)   as Return\n"
    "  East (B, Circle)   as P; so does Back (Select)\n"
    "  Start              as Backspace\n"
    "Unplugging a controller pauses a running stage.\n"
    "\n"
    "Resources: the sprite sheet IMG/Main.png in the Resources/ folder beside the\n"
    "game's real executable (symbolic links resolved).\n"
    "\n"
    "Exit status: 0 when the game ends normally, 1 when it cannot start or a file\n"
    "cannot be written, 2 for a wrong command line.\n";
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

// A file written under a temporary name and renamed to its own only once complete, so a game
// cut short never leaves a half-written file under the name asked for. "-" is standard output.
class OutputFile {
  public:
    bool open(const char* path, const char* what) {
        what_ = what;
        if (std::strcmp(path, "-") == 0) {
            useBinaryStandardOutput();
            file_ = stdout;
            return true;
        }
        path_ = path;
        // Renaming onto a folder would fail only once the game is over.
        if (isFolder(path)) {
            std::fprintf(stderr, "brickfall: cannot write the %s %s: it is a folder\n", what_,
                         path);
            return false;
        }
        temporary_ = path_ + ".partial";
        file_ = openFile(temporary_.c_str(), "wb");
        if (file_ == nullptr) {
            std::fprintf(stderr, "brickfall: cannot write the %s %s: %s\n", what_,
                         temporary_.c_str(), std::strerror(errno));
            return false;
        }
        return true;
    }
    std::FILE* file() const { return file_; }
    // Closes the file and gives it its name; false, with the reason on stderr, if any write
    // failed, in which case nothing is left under either name.
    bool commit() {
        if (file_ == stdout) {
            return std::fflush(stdout) == 0;
        }
        if (file_ == nullptr) {
            return true;
        }
        const bool written = std::ferror(file_) == 0;
        const bool closed = std::fclose(file_) == 0;
        const int error = errno;
        file_ = nullptr;
        if (written && closed && replaceFile(temporary_.c_str(), path_.c_str())) {
            return true;
        }
        std::fprintf(stderr, "brickfall: could not write the %s %s: %s\n", what_, path_.c_str(),
                     std::strerror(written && closed ? errno : error));
        removeFile(temporary_.c_str());
        return false;
    }
    // Drops what was written: nothing of a game that never started is kept.
    void discard() {
        if (file_ != nullptr && file_ != stdout) {
            std::fclose(file_);
            removeFile(temporary_.c_str());
        }
        file_ = nullptr;
    }

  private:
    const char* what_ = "";
    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
};

// What the pass observers work with; they take no arguments of their own.
Script demoScript;
ScriptPlayer demoPlayer(demoScript);
bool playingDemo = false;
std::optional<ScriptRecorder> recorder;
std::FILE* traceOut = nullptr;
GameState traceState;
long long passes = 0;

// Before each pass reads its input: the demo's keys for the pass, as the keyboard would send.
void feedDemoPass() {
    const PassInput input = demoPlayer.next();
    feedInput(input.held, input.minimized, input.unplugged);
}

void endPass(bool ranFrame) {
    ++passes;
    if (recorder) {
        recorder->note(readPassInput());
    }
    if (traceOut != nullptr && ranFrame) {
        readGameState(traceState);
        writeTraceLine(traceOut, passes, traceState);
    }
    // As brickfall-sim does, the game ends after the script's last pass.
    if (playingDemo && passes >= demoScript.length) {
        quitGame();
    }
}
}  // namespace

int SDL_main(int argc, char* argv[]) {
    CommandLine line;
    switch (parseCommandLine(argc, argv, line)) {
        case Request::Help:
            std::fputs(kUsage, stdout);
            return EXIT_SUCCESS;
        case Request::Version:
            std::printf("brickfall %s\n", BRICKFALL_VERSION);
            return EXIT_SUCCESS;
        case Request::Wrong:
            std::fputs(kUsage, stderr);
            return kUsageStatus;
        case Request::Play:
            break;
    }
    if (line.demoPath != nullptr) {
        std::string error;
        if (!loadScript(line.demoPath, demoScript, error)) {
            std::fprintf(stderr, "brickfall: %s\n", error.c_str());
            return EXIT_FAILURE;
        }
        playingDemo = true;
    }
    OutputFile record;
    OutputFile trace;
    if (line.recordPath != nullptr) {
        if (!record.open(line.recordPath, "recording")) {
            return EXIT_FAILURE;
        }
        std::fprintf(record.file(),
                     "# brickfall %s: what the keyboard and controllers held on each pass;\n"
                     "# play it back with brickfall-sim --script FILE or brickfall --demo FILE\n",
                     BRICKFALL_VERSION);
        recorder.emplace(record.file());
    }
    if (line.tracePath != nullptr) {
        if (!trace.open(line.tracePath, "trace")) {
            record.discard();
            return EXIT_FAILURE;
        }
        traceOut = trace.file();
    }

    startUp();
    if (playingDemo) {
        setFedInputOnly(true);
        setFrameStartObserver(feedDemoPass);
    }
    setPassEndObserver(endPass);
    runFrameLoop();
    setPassEndObserver(nullptr);
    setFrameStartObserver(nullptr);

    bool written = true;
    if (hasFailed()) {
        record.discard();
        trace.discard();
    } else {
        if (recorder) {
            recorder->finish();
        }
        written = record.commit();
        written = trace.commit() && written;
    }
    const int status = shutDown();
    return status != EXIT_SUCCESS ? status : (written ? EXIT_SUCCESS : EXIT_FAILURE);
}

// Where SDL provides no main glue of its own, the process entry hands over directly.
#if !defined(SDL_MAIN_NEEDED) && !defined(SDL_MAIN_AVAILABLE)
int main(int argc, char* argv[]) {
    return SDL_main(argc, argv);
}
#endif
