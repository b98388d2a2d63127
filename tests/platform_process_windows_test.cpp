#include <gtest/gtest.h>

#include <string>

#include "platform_process.hpp"

namespace {
bool workRan = false;

std::string answerAndNote() {
    workRan = true;
    return "llvmpipe (LLVM 15.0.6, 256 bits)";
}
}  // namespace

// Windows makes no helper: the work never runs, any stale answer is cleared, and ending the
// helper that was never made is harmless, so the renderer is left to SDL's default choice.
TEST(PlatformProcessWindows, NoHelperIsMadeAndTheAnswerIsEmpty) {
    for (const char* stale : {"", "a stale answer"}) {
        workRan = false;
        std::string answer = stale;
        HelperProcess helper = startHelperProcess(answerAndNote, 3000, answer);
        EXPECT_FALSE(workRan) << stale;
        EXPECT_TRUE(answer.empty()) << stale;
        EXPECT_EQ(helper.process, -1);
        EXPECT_EQ(helper.channel, -1);
        endHelperProcess(helper);
        endHelperProcess(helper);
    }
}
