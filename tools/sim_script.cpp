// sim_script -- the headless simulator's input scripts: how many passes each set of actions
// is held for.
#include "sim_script.hpp"

#include <charconv>

namespace {
constexpr std::array<const char*, kInputActionCount> kActionNames = {
    "Up", "Down", "Left", "Right", "Confirm", "Back", "Special", "Pause", "Select"};

// Enough for a script of many hours of play while staying far from overflow when summed.
constexpr std::int64_t kMaxStepCount = 1'000'000'000;

std::string_view trim(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool parseActions(std::string_view list, HeldActions& held, std::string& error) {
    held.fill(false);
    if (list == "-") {
        return true;
    }
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view name = trim(list.substr(0, comma));
        bool known = false;
        for (std::size_t action = 0; action < kActionNames.size(); ++action) {
            if (name == kActionNames[action]) {
                held[action] = true;
                known = true;
            }
        }
        if (!known) {
            error = "unknown action '" + std::string(name) + "'";
            return false;
        }
        if (comma == std::string_view::npos) {
            return true;
        }
        list.remove_prefix(comma + 1);
    }
}

bool parseLine(std::string_view line, ScriptStep& step, std::string& error) {
    const std::size_t split = line.find_first_of(" \t");
    if (split == std::string_view::npos) {
        error = "expected COUNT ACTIONS";
        return false;
    }
    const std::string_view countText = line.substr(0, split);
    const auto [end, status] =
        std::from_chars(countText.data(), countText.data() + countText.size(), step.count);
    if (status != std::errc() || end != countText.data() + countText.size() || step.count < 1 ||
        step.count > kMaxStepCount) {
        error = "COUNT must be a whole number from 1 to " + std::to_string(kMaxStepCount);
        return false;
    }
    const std::string_view actions = trim(line.substr(split));
    if (actions.empty()) {
        error = "expected ACTIONS after COUNT (use - for none)";
        return false;
    }
    return parseActions(actions, step.held, error);
}
}  // namespace

ScriptParseResult parseScript(std::string_view text) {
    ScriptParseResult result;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        line = trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        ScriptStep step = {};
        if (!parseLine(line, step, result.error)) {
            result.ok = false;
            result.errorLine = lineNumber;
            return result;
        }
        result.script.steps.push_back(step);
        result.script.length += step.count;
    }
    return result;
}

HeldActions ScriptPlayer::next() {
    while (step_ < script_.steps.size() && passesIntoStep_ >= script_.steps[step_].count) {
        ++step_;
        passesIntoStep_ = 0;
    }
    if (step_ == script_.steps.size()) {
        return HeldActions{};
    }
    ++passesIntoStep_;
    return script_.steps[step_].held;
}

const char* actionName(InputAction action) {
    return kActionNames[static_cast<std::size_t>(action)];
}
