// play_session -- what a run plays and writes beside the game: a demo script that fills every
// pass's command, a recording of the commands the passes took and a trace of the state after
// each frame, each written under a temporary name and renamed once complete. The game and
// brickfall-sim share it.
#include "play_session.hpp"

#include <cstdio>
#include <string>

#include "engine_game_manager.hpp"
#include "game_trace.hpp"
#include "platform_files.hpp"

SessionOpened PlaySession::open(const SessionOptions& options) {
    endAfterDemo_ = options.endAfterDemo && options.demoPath != nullptr;
    if (options.demoPath != nullptr) {
        std::string error;
        if (!loadScript(options.demoPath, script_, error)) {
            std::fprintf(stderr, "%s: %s\n", options.program, error.c_str());
            return SessionOpened::ScriptUnreadable;
        }
        if (script_.version < kScriptVersion) {
            std::fprintf(stderr,
                         "%s: warning: %s is a version-%d input script, recorded before the game "
                         "took its own sine, cosine and arctangent; it may play differently now\n",
                         options.program, options.demoPath, script_.version);
        }
    }
    if (options.recordPath != nullptr) {
        if (!record_.open(options.recordPath, options.program, "recording")) {
            return SessionOpened::OutputUnwritable;
        }
        recorder_.emplace(record_.file(), options.recordingComment);
    }
    if (options.tracePath != nullptr && !trace_.open(options.tracePath, options.program, "trace")) {
        record_.discard();
        return SessionOpened::OutputUnwritable;
    }
    return SessionOpened::Ready;
}

void PlaySession::passEnded(bool ranFrame) {
    ++passes_;
    if (recorder_) {
        recorder_->note(getPassInput());
    }
    // A minimised pass changes nothing but the input module's timers.
    if (trace_.file() != nullptr && ranFrame) {
        readGameState(traceState_);
        writeTraceLine(trace_.file(), passes_, traceState_);
    }
    if (endAfterDemo_ && passes_ >= script_.length) {
        quitGame();
    }
}

bool PlaySession::finish(bool keep) {
    if (!keep) {
        record_.discard();
        trace_.discard();
        return true;
    }
    if (recorder_) {
        recorder_->finish();
    }
    const bool recorded = record_.commit();
    return trace_.commit() && recorded;
}

bool PlaySession::saveRecordingSoFar(const char* path) {
    if (!recorder_) {
        return false;
    }
    std::FILE* copy = openFile(path, "wb");
    if (copy == nullptr) {
        return false;
    }
    bool saved = record_.copyWrittenTo(copy);
    recorder_->writeRunInHand(copy);
    saved = std::ferror(copy) == 0 && saved;
    return std::fclose(copy) == 0 && saved;
}
