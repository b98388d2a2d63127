// play_session -- what a run plays and writes beside the game: a demo script that fills every
// pass's command, a recording of the commands the passes took and a trace of the state after
// each frame, each written under a temporary name and renamed once complete. The game and
// brickfall-sim share it.
#pragma once

#include <optional>
#include <string_view>

#include "frame_host.hpp"
#include "game_snapshot.hpp"
#include "input_script.hpp"
#include "output_file.hpp"

struct SessionOptions {
    // Names the program in messages.
    const char* program = "";
    const char* demoPath = nullptr;
    const char* recordPath = nullptr;
    const char* tracePath = nullptr;
    // Written below the recording's version line, as comments.
    std::string_view recordingComment;
    // The game ends after the demo's last pass.
    bool endAfterDemo = false;
};

enum class SessionOpened { Ready, ScriptUnreadable, OutputUnwritable };

class PlaySession final : public PassObserver {
  public:
    PlaySession() = default;
    PlaySession(const PlaySession&) = delete;
    PlaySession& operator=(const PlaySession&) = delete;

    // Loads the demo, with a warning on stderr when it is older than this game, and opens the
    // outputs; anything refused is said on stderr.
    SessionOpened open(const SessionOptions& options);
    // Fills each pass's command from the demo, or with nothing held when there is none.
    InputProducer& demo() { return demo_; }
    const Script& script() const { return script_; }
    long long passes() const { return passes_; }
    void passEnded(bool ranFrame) override;
    // Writes the recording of the passes played so far to `path`, a script complete in itself,
    // while the recording goes on; false when there is no recording or it cannot be written.
    bool saveRecordingSoFar(const char* path);
    // After the run: gives the outputs their names, false when one could not be written; or,
    // when the run failed, drops them.
    bool finish(bool keep);

  private:
    class ScriptProducer final : public InputProducer {
      public:
        explicit ScriptProducer(const Script& script) : player_(script) {}
        PassInput next() override { return player_.next(); }

      private:
        ScriptPlayer player_;
    };

    Script script_;
    ScriptProducer demo_{script_};
    bool endAfterDemo_ = false;
    OutputFile record_;
    OutputFile trace_;
    std::optional<ScriptRecorder> recorder_;
    GameState traceState_;
    long long passes_ = 0;
};
