// Shared helpers for the test suite: real SDL input events and child processes with a deadline.
#include "test_support.hpp"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace test_support {

void pushScancode(int scancode, bool down) {
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    SDL_PushEvent(&event);
}

void pushActionKey(InputAction action, bool down) {
    pushScancode(getActionScancode(action), down);
}

void pushWindowEvent(int windowEventId) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(windowEventId);
    SDL_PushEvent(&event);
}

void pushQuit() {
    SDL_Event event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

ProcessResult runProcess(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, double timeoutSeconds,
                         double terminateAfterSeconds) {
    ProcessResult result;
    int errorPipe[2];
    if (pipe(errorPipe) != 0) {
        return result;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(errorPipe[1], STDERR_FILENO);
        close(errorPipe[0]);
        close(errorPipe[1]);
        for (const std::string& entry : environment) {
            putenv(const_cast<char*>(entry.c_str()));
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(errorPipe[1]);
    fcntl(errorPipe[0], F_SETFL, O_NONBLOCK);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(timeoutSeconds);
    const auto terminateAt = start + std::chrono::duration<double>(terminateAfterSeconds);
    bool terminateSent = terminateAfterSeconds < 0.0;
    int status = 0;
    bool exited = false;
    char buffer[4096];
    while (!exited) {
        pollfd descriptor = {errorPipe[0], POLLIN, 0};
        poll(&descriptor, 1, 20);
        ssize_t count = 0;
        while ((count = read(errorPipe[0], buffer, sizeof(buffer))) > 0) {
            result.standardError.append(buffer, static_cast<std::size_t>(count));
        }
        if (!terminateSent && std::chrono::steady_clock::now() > terminateAt) {
            kill(child, SIGTERM);
            terminateSent = true;
        }
        if (waitpid(child, &status, WNOHANG) == child) {
            exited = true;
        } else if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.timedOut = true;
            exited = true;
        }
    }
    ssize_t count = 0;
    while ((count = read(errorPipe[0], buffer, sizeof(buffer))) > 0) {
        result.standardError.append(buffer, static_cast<std::size_t>(count));
    }
    close(errorPipe[0]);
    if (!result.timedOut && WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    }
    return result;
}

std::string makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brickfall-test-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

std::string stageProgramIn(const std::string& program, const std::string& directory,
                           bool withResources) {
    namespace fs = std::filesystem;
    const fs::path target = fs::path(directory) / fs::path(program).filename();
    fs::copy_file(program, target, fs::copy_options::overwrite_existing);
    if (withResources) {
        fs::copy(fs::path(BRICKFALL_BUILD_DIR) / "Resources", fs::path(directory) / "Resources",
                 fs::copy_options::recursive);
    }
    return target.string();
}

void removeDirectory(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

StandardErrorCapture::StandardErrorCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    savedDescriptor_ = dup(STDERR_FILENO);
    if (file_ != nullptr) {
        dup2(fileno(file_), STDERR_FILENO);
    }
}

StandardErrorCapture::~StandardErrorCapture() {
    finish();
}

std::string StandardErrorCapture::finish() {
    std::string captured;
    if (savedDescriptor_ < 0) {
        return captured;
    }
    std::fflush(stderr);
    dup2(savedDescriptor_, STDERR_FILENO);
    close(savedDescriptor_);
    savedDescriptor_ = -1;
    if (file_ != nullptr) {
        std::rewind(file_);
        char buffer[4096];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof(buffer), file_)) > 0) {
            captured.append(buffer, count);
        }
        std::fclose(file_);
        file_ = nullptr;
    }
    return captured;
}

}  // namespace test_support
