// fuzz_script_parser -- arbitrary text as an input script: the parser must accept or reject it
// without fault, and what it accepts must add up.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "input_script.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ScriptParseResult parsed = parseScript(text);
    if (!parsed.ok) {
        // A rejection names its line and says why.
        if (parsed.errorLine < 1 || parsed.error.empty()) {
            std::abort();
        }
        return 0;
    }
    std::int64_t length = 0;
    for (const ScriptStep& step : parsed.script.steps) {
        if (step.count < 1) {
            std::abort();
        }
        length += step.count;
    }
    if (length != parsed.script.length) {
        std::abort();
    }
    // The first passes play back exactly the first step's actions.
    ScriptPlayer player(parsed.script);
    for (std::int64_t pass = 0; pass < 64; ++pass) {
        const PassInput input = player.next();
        if (!parsed.script.steps.empty() && pass < parsed.script.steps.front().count &&
            (input.held != parsed.script.steps.front().held ||
             input.minimized != parsed.script.steps.front().minimized ||
             input.unplugged != parsed.script.steps.front().unplugged)) {
            std::abort();
        }
    }
    return 0;
}
