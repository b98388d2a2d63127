// sim_script -- the headless simulator's input scripts: how many passes each set of actions
// is held for.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine_input.hpp"

using HeldActions = std::array<bool, kInputActionCount>;

struct ScriptStep {
    std::int64_t count;
    HeldActions held;
};

struct Script {
    std::vector<ScriptStep> steps;
    std::int64_t length = 0;  // passes in all
};

struct ScriptParseResult {
    Script script;
    bool ok = true;
    int errorLine = 0;
    std::string error;
};

// Each non-empty line is "COUNT ACTIONS": ACTIONS is a comma-separated list of action names
// or "-" for none; "#" starts a comment.
ScriptParseResult parseScript(std::string_view text);

// Walks a script pass by pass; nothing is held once the script has run out.
class ScriptPlayer {
  public:
    explicit ScriptPlayer(const Script& script) : script_(script) {}
    HeldActions next();

  private:
    const Script& script_;
    std::size_t step_ = 0;
    std::int64_t passesIntoStep_ = 0;
};

const char* actionName(InputAction action);
