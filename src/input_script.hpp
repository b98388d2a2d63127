// input_script -- the language of input scripts: what the input module held on every pass of a
// whole game, read, played back and written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Only the actions' names and the pass's command: a script never reads the live input.
#include "engine_input.hpp"

struct ScriptStep {
    std::int64_t count;
    HeldActions held;
    bool minimized = false;
    bool unplugged = false;
};

// The script format's version, named on a script's first line as "# brickfall input script 2".
// Version 2 began when the game took its own sine, cosine and arctangent: a version-1 recording
// was played with the C library's, and may play differently now. A script without the line is
// version 1; a later version than this game's is refused. The line is also found further down
// the comments that open a script, where recorders of game 1.x put it below two lines of their
// own; those were version-2 recordings all the same.
inline constexpr int kScriptVersion = 2;
inline constexpr char kScriptVersionPrefix[] = "# brickfall input script ";

struct Script {
    std::vector<ScriptStep> steps;
    std::int64_t length = 0;  // passes in all
    int version = 1;
};

struct ScriptParseResult {
    Script script;
    bool ok = true;
    int errorLine = 0;
    std::string error;
};

// Each non-empty line is "COUNT ITEMS": ITEMS is a comma-separated list of action names,
// "Minimized" (the window counts as minimised) and "Unplugged" (a controller was removed), or
// "-" for nothing; "#" starts a comment.
ScriptParseResult parseScript(std::string_view text);
// Reads and parses a script file; false with a message naming the file (and the line) when it
// cannot be read, is malformed or holds no passes.
bool loadScript(const char* path, Script& script, std::string& error);

// Walks a script pass by pass; nothing is held once the script has run out.
class ScriptPlayer {
  public:
    explicit ScriptPlayer(const Script& script) : script_(script) {}
    PassInput next();

  private:
    const Script& script_;
    std::size_t step_ = 0;
    std::int64_t passesIntoStep_ = 0;
};

const char* actionName(InputAction action);

// Writes passes to a script while the game goes: one line for each run of passes with the same
// input, so that playing the script back gives the input module the same state on every pass.
class ScriptRecorder {
  public:
    // Starts the script with its version line, then `comment`'s lines, each made a comment.
    ScriptRecorder(std::FILE* out, std::string_view comment);
    void note(const PassInput& input);
    // Writes the run in hand; called once after the last pass.
    void finish();
    // Writes the run in hand to `out` too, leaving it open: what ends a copy of the script so
    // far, while the recording goes on.
    void writeRunInHand(std::FILE* out) const;

  private:
    std::FILE* out_;
    PassInput run_ = {};
    std::int64_t runLength_ = 0;
};
