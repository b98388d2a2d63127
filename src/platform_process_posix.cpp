// platform_process -- a helper process that answers one question and then waits: the one place
// that knows how the operating system makes, reads and ends a process.
#include "platform_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {
// In the child: the answer goes down the pipe, then the child holds on until the parent closes
// its end of `hold`, or is gone itself.
[[noreturn]] void runHelper(HelperWork work, int answerFd, int holdFd) {
    // What the helper's libraries have to say (a display that is not ready, a missing Wayland
    // socket) is not the player's business; the game says it if it matters.
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        close(quiet);
    }
    const std::string answer = work();
    if (!answer.empty()) {
        const ssize_t written = write(answerFd, answer.data(), answer.size());
        static_cast<void>(written);
    }
    close(answerFd);
    char byte = 0;
    while (read(holdFd, &byte, 1) > 0) {
    }
    _exit(0);
}
}  // namespace

HelperProcess startHelperProcess(HelperWork work, std::int32_t timeoutMilliseconds,
                                 std::string& answer) {
    HelperProcess helper;
    answer.clear();
    int answers[2] = {-1, -1};
    int hold[2] = {-1, -1};
    if (pipe(answers) != 0) {
        return helper;
    }
    if (pipe(hold) != 0) {
        close(answers[0]);
        close(answers[1]);
        return helper;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(answers[0]);
        close(hold[1]);
        runHelper(work, answers[1], hold[0]);
    }
    close(answers[1]);
    close(hold[0]);
    helper.process = child;
    helper.channel = hold[1];
    if (child > 0) {
        pollfd readable = {answers[0], POLLIN, 0};
        char chunk[256];
        while (poll(&readable, 1, timeoutMilliseconds) > 0) {
            const ssize_t got = read(answers[0], chunk, sizeof(chunk));
            if (got <= 0) {
                break;
            }
            answer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    close(answers[0]);
    return helper;
}

void endHelperProcess(HelperProcess& helper) {
    if (helper.channel >= 0) {
        close(static_cast<int>(helper.channel));
        helper.channel = -1;
    }
    if (helper.process > 0) {
        // A helper still stuck in its work must not hold up the game.
        const auto child = static_cast<pid_t>(helper.process);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        helper.process = -1;
    }
}
