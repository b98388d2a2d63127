// Shared helpers for the test suite: real SDL input events and child processes with a deadline.
#include "test_support.hpp"

#include <SDL.h>

// MinGW-w64 has unistd.h too, with dup, dup2 and close; the rest are for child processes.
#include <unistd.h>
#if BRICKFALL_TESTS_START_PROGRAMS
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "engine_game_manager.hpp"

namespace test_support {

const std::vector<std::string> kHeadlessEnvironment = {
    "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "SDL_RENDER_DRIVER=software"};

bool mentionsSanitizer(const std::string& text) {
    return text.find("Sanitizer") != std::string::npos ||
           text.find("runtime error") != std::string::npos;
}

void pushActionKey(InputAction action, bool down) {
    pushKeyEvent(getActionScancode(action), down);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

void updateFromDevices() {
    pollDevices();
    updateInputs(readDevices());
}

void InputFixture::SetUp() {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    initializeInput();
}

void InputFixture::TearDown() {
    quitInput();
    SDL_Quit();
}

void GameFixture::SetUp() {
    startUp();
    ASSERT_FALSE(getQuit());
}

void GameFixture::TearDown() {
    setInputProducer(nullptr);
    setPassObserver(nullptr);
    shutDown();
}

namespace {
class HeldCommands final : public InputProducer {
  public:
    PassInput next() override { return command; }
    PassInput command;
};
HeldCommands heldCommands;
}  // namespace

void holdInPasses(const HeldActions& held) {
    heldCommands.command = {held, false, false};
    setInputProducer(&heldCommands);
}

HeldActions holding(std::initializer_list<InputAction> actions) {
    HeldActions held = {};
    for (InputAction action : actions) {
        held[static_cast<std::size_t>(action)] = true;
    }
    return held;
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

#if BRICKFALL_TESTS_START_PROGRAMS
ProcessResult runProcess(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, double timeoutSeconds,
                         double terminateAfterSeconds) {
    ProcessResult result;
    int errorPipe[2];
    int outputPipe[2];
    if (pipe(errorPipe) != 0) {
        return result;
    }
    if (pipe(outputPipe) != 0) {
        close(errorPipe[0]);
        close(errorPipe[1]);
        return result;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(errorPipe[1], STDERR_FILENO);
        dup2(outputPipe[1], STDOUT_FILENO);
        for (const int descriptor : {errorPipe[0], errorPipe[1], outputPipe[0], outputPipe[1]}) {
            close(descriptor);
        }
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
    close(outputPipe[1]);
    fcntl(errorPipe[0], F_SETFL, O_NONBLOCK);
    fcntl(outputPipe[0], F_SETFL, O_NONBLOCK);
    char buffer[4096];
    // Both pipes are emptied as the child writes, so neither fills and blocks it.
    const auto drain = [&]() {
        ssize_t count = 0;
        while ((count = read(errorPipe[0], buffer, sizeof(buffer))) > 0) {
            result.standardError.append(buffer, static_cast<std::size_t>(count));
        }
        while ((count = read(outputPipe[0], buffer, sizeof(buffer))) > 0) {
            result.standardOutput.append(buffer, static_cast<std::size_t>(count));
        }
    };
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(timeoutSeconds);
    const auto terminateAt = start + std::chrono::duration<double>(terminateAfterSeconds);
    bool terminateSent = terminateAfterSeconds < 0.0;
    int status = 0;
    rusage usage = {};
    bool exited = false;
    while (!exited) {
        std::array<pollfd, 2> descriptors = {
            {{errorPipe[0], POLLIN, 0}, {outputPipe[0], POLLIN, 0}}};
        poll(descriptors.data(), descriptors.size(), 20);
        drain();
        if (!terminateSent && std::chrono::steady_clock::now() > terminateAt) {
            kill(child, SIGTERM);
            terminateSent = true;
        }
        if (wait4(child, &status, WNOHANG, &usage) == child) {
            exited = true;
        } else if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            wait4(child, &status, 0, &usage);
            result.timedOut = true;
            exited = true;
        }
    }
    drain();
    close(errorPipe[0]);
    close(outputPipe[0]);
    result.peakResidentKiB = usage.ru_maxrss;
    if (!result.timedOut && WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    }
    return result;
}

#endif

namespace {
// Writes deflate's bit stream: fields least significant bit first, Huffman codes most first.
class BitWriter {
  public:
    void field(std::uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            put((value >> i) & 1u);
        }
    }
    void code(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            put((value >> i) & 1u);
        }
    }
    std::string finish() {
        if (used_ > 0) {
            bytes_ += static_cast<char>(current_);
        }
        return bytes_;
    }

  private:
    void put(std::uint32_t bit) {
        current_ |= bit << used_;
        if (++used_ == 8) {
            bytes_ += static_cast<char>(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    std::string bytes_;
    std::uint32_t current_ = 0;
    int used_ = 0;
};

// A zlib stream of `count` zero bytes: one literal, then copies of 258 bytes from one back,
// in a single block with deflate's fixed codes.
std::string deflateZeros(std::uint64_t count) {
    constexpr std::uint32_t kLiteralZero = 0x30;  // 8-bit fixed code of literal 0
    constexpr std::uint32_t kLength258 = 0xC5;    // 8-bit fixed code of length symbol 285
    constexpr std::uint64_t kLongestCopy = 258;
    BitWriter bits;
    bits.field(1, 1);  // the last block
    bits.field(1, 2);  // fixed codes
    std::uint64_t written = 0;
    while (written < count) {
        if (written > 0 && count - written >= kLongestCopy) {
            bits.code(kLength258, 8);
            bits.code(0, 5);  // distance 1
            written += kLongestCopy;
        } else {
            bits.code(kLiteralZero, 8);
            ++written;
        }
    }
    bits.code(0, 7);  // end of block
    std::string stream = "\x78\x01" + bits.finish();
    // Adler-32 of zeros: the byte sum stays 1, the running sum grows by 1 per byte.
    const std::uint32_t adler = static_cast<std::uint32_t>((count % 65521) << 16) | 1u;
    for (int shift = 24; shift >= 0; shift -= 8) {
        stream += static_cast<char>((adler >> shift) & 0xFFu);
    }
    return stream;
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string bigEndian(std::uint32_t value) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes += static_cast<char>((value >> shift) & 0xFFu);
    }
    return bytes;
}

std::string pngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return bigEndian(static_cast<std::uint32_t>(data.size())) + body + bigEndian(crc32(body));
}
}  // namespace

std::string inflatingPng(int width, int height, std::uint64_t inflatedBytes) {
    const std::string header = bigEndian(static_cast<std::uint32_t>(width)) +
                               bigEndian(static_cast<std::uint32_t>(height)) +
                               std::string("\x01\x00\x00\x00\x00", 5);  // 1-bit grey
    return "\x89PNG\r\n\x1a\n" + pngChunk("IHDR", header) +
           pngChunk("IDAT", deflateZeros(inflatedBytes)) + pngChunk("IEND", "");
}

std::string blankPng(int width, int height) {
    // Each row is a filter byte followed by its packed pixels.
    const std::uint64_t rowBytes = 1 + (static_cast<std::uint64_t>(width) + 7) / 8;
    return inflatingPng(width, height, rowBytes * static_cast<std::uint64_t>(height));
}

std::string makeTemporaryDirectory() {
    return makeTemporaryDirectoryIn(std::filesystem::temp_directory_path().string());
}

std::string makeTemporaryDirectoryIn(const std::string& parent) {
    namespace fs = std::filesystem;
    std::random_device seed;
    std::mt19937_64 names(seed());
    // create_directory fails on a name already taken, so a name is never shared.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path path =
            fs::path(parent) / ("brickfall-test-" + std::to_string(names() % 1000000000));
        std::error_code error;
        if (fs::create_directory(path, error)) {
            return path.string();
        }
    }
    return {};
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
