// input_script -- the language of input scripts: what the input module held on every pass of a
// whole game, read, played back and written.
#include "input_script.hpp"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "platform_files.hpp"

namespace {
constexpr std::array<const char*, kInputActionCount> kActionNames = {
    "Up", "Down", "Left", "Right", "Confirm", "Back", "Special", "Pause", "Select"};

constexpr char kMinimizedName[] = "Minimized";
constexpr char kUnpluggedName[] = "Unplugged";
constexpr char kKnownItems[] =
    "Up, Down, Left, Right, Confirm, Back, Special, Pause, Select, Minimized and Unplugged, or - "
    "for nothing";

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

bool parseActions(std::string_view list, ScriptStep& step, std::string& error) {
    HeldActions& held = step.held;
    held.fill(false);
    step.minimized = false;
    step.unplugged = false;
    if (list == "-") {
        return true;
    }
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view name = trim(list.substr(0, comma));
        const bool minimized = name == kMinimizedName;
        const bool unplugged = name == kUnpluggedName;
        bool known = minimized || unplugged;
        step.minimized = step.minimized || minimized;
        step.unplugged = step.unplugged || unplugged;
        for (std::size_t action = 0; action < kActionNames.size(); ++action) {
            if (name == kActionNames[action]) {
                held[action] = true;
                known = true;
            }
        }
        if (!known) {
            error = "unknown action '" + std::string(name) + "' (known: " + kKnownItems + ")";
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
    return parseActions(actions, step, error);
}

constexpr std::string_view kVersionPrefix = kScriptVersionPrefix;

// Reads the version a version line names after its prefix.
bool parseVersion(std::string_view named, int& version, std::string& error) {
    const std::string_view number = trim(named);
    int value = 0;
    const auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (status != std::errc() || end != number.data() + number.size() || value < 1) {
        error = "the version line must name a whole number: " + std::string(kScriptVersionPrefix) +
                std::to_string(kScriptVersion);
        return false;
    }
    if (value > kScriptVersion) {
        error = "input script version " + std::to_string(value) +
                " is newer than this brickfall reads (" + std::to_string(kScriptVersion) +
                " and earlier)";
        return false;
    }
    version = value;
    return true;
}

// The version line is the first of the comments that open the script to name a version.
void readVersion(std::string_view text, ScriptParseResult& result) {
    for (int lineNumber = 1; !text.empty(); ++lineNumber) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = trim(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.empty()) {
            continue;
        }
        if (line.front() != '#') {
            return;
        }
        if (line.substr(0, kVersionPrefix.size()) == kVersionPrefix) {
            if (!parseVersion(line.substr(kVersionPrefix.size()), result.script.version,
                              result.error)) {
                result.ok = false;
                result.errorLine = lineNumber;
            }
            return;
        }
    }
}
}  // namespace

ScriptParseResult parseScript(std::string_view text) {
    ScriptParseResult result;
    readVersion(text, result);
    if (!result.ok) {
        return result;
    }
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

PassInput ScriptPlayer::next() {
    while (step_ < script_.steps.size() && passesIntoStep_ >= script_.steps[step_].count) {
        ++step_;
        passesIntoStep_ = 0;
    }
    if (step_ == script_.steps.size()) {
        return PassInput{};
    }
    ++passesIntoStep_;
    const ScriptStep& step = script_.steps[step_];
    return {step.held, step.minimized, step.unplugged};
}

bool loadScript(const char* path, Script& script, std::string& error) {
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) {
        error = std::string("cannot read script ") + path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[4096];
    std::size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        text.append(buffer, read);
    }
    const bool unreadable = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (unreadable) {
        error = std::string("cannot read script ") + path + ": " + std::strerror(readError);
        return false;
    }
    ScriptParseResult parsed = parseScript(text);
    if (!parsed.ok) {
        error = std::string(path) + ":" + std::to_string(parsed.errorLine) + ": " + parsed.error;
        return false;
    }
    if (parsed.script.length == 0) {
        error = std::string("script ") + path + " holds no passes";
        return false;
    }
    script = std::move(parsed.script);
    return true;
}

const char* actionName(InputAction action) {
    return kActionNames[static_cast<std::size_t>(action)];
}

ScriptRecorder::ScriptRecorder(std::FILE* out, std::string_view comment) : out_(out) {
    std::fprintf(out_, "%s%d\n", kScriptVersionPrefix, kScriptVersion);
    while (!comment.empty()) {
        const std::size_t newline = comment.find('\n');
        const std::string_view line = comment.substr(0, newline);
        std::fprintf(out_, "# %.*s\n", static_cast<int>(line.size()), line.data());
        comment.remove_prefix(newline == std::string_view::npos ? comment.size() : newline + 1);
    }
}

void ScriptRecorder::note(const PassInput& input) {
    if (runLength_ > 0 && (input != run_ || runLength_ == kMaxStepCount)) {
        finish();
    }
    run_ = input;
    ++runLength_;
}

void ScriptRecorder::finish() {
    writeRunInHand(out_);
    runLength_ = 0;
}

void ScriptRecorder::writeRunInHand(std::FILE* out) const {
    if (runLength_ == 0) {
        return;
    }
    std::fprintf(out, "%lld ", static_cast<long long>(runLength_));
    const char* separator = "";
    for (std::size_t action = 0; action < run_.held.size(); ++action) {
        if (run_.held[action]) {
            std::fprintf(out, "%s%s", separator, kActionNames[action]);
            separator = ",";
        }
    }
    if (run_.minimized) {
        std::fprintf(out, "%s%s", separator, kMinimizedName);
        separator = ",";
    }
    if (run_.unplugged) {
        std::fprintf(out, "%s%s", separator, kUnpluggedName);
        separator = ",";
    }
    std::fputs(*separator == '\0' ? "-\n" : "\n", out);
}
