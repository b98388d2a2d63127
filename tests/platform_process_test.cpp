#include "platform_process.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <cstdio>
#include <string>

namespace {
std::string answerWithAName() {
    return "llvmpipe (LLVM 15.0.6, 256 bits)";
}

std::string answerNothing() {
    return {};
}

// What a chatty driver prints goes nowhere: only the answer comes back.
std::string talkThenAnswer() {
    std::printf("driver noise on stdout\n");
    std::fprintf(stderr, "driver noise on stderr\n");
    std::fflush(nullptr);
    return "answer";
}

// More than one read's worth, so the answer is gathered from several parts.
std::string answerALongName() {
    return std::string(1000, 'x');
}

bool isRunning(const HelperProcess& helper) {
    return helper.process > 0 && kill(static_cast<pid_t>(helper.process), 0) == 0;
}
}  // namespace

TEST(HelperProcess, AnswersThenWaitsUntilEndedAndIsReaped) {
    struct Case {
        const char* name;
        HelperWork work;
        std::string answer;
    };
    const Case cases[] = {
        {"a name", answerWithAName, "llvmpipe (LLVM 15.0.6, 256 bits)"},
        {"no answer", answerNothing, ""},
        {"noise on the standard streams", talkThenAnswer, "answer"},
        {"a long answer", answerALongName, std::string(1000, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string answer = "left over";
        HelperProcess helper = startHelperProcess(c.work, 3000, answer);
        EXPECT_EQ(answer, c.answer);
        EXPECT_TRUE(isRunning(helper)) << "the helper must hold on until it is ended";
        const std::intptr_t process = helper.process;
        endHelperProcess(helper);
        EXPECT_EQ(helper.process, -1);
        EXPECT_EQ(helper.channel, -1);
        // Reaped: no such process is left, not even a zombie.
        EXPECT_NE(kill(static_cast<pid_t>(process), 0), 0);
    }
}

TEST(HelperProcess, EndingAHelperNeverStartedDoesNothing) {
    HelperProcess helper;
    endHelperProcess(helper);
    EXPECT_EQ(helper.process, -1);
    EXPECT_EQ(helper.channel, -1);
}
