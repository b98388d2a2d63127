// Shared helpers for the test suite: real SDL input events and child processes with a deadline.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "bit_copy.hpp"
#include "engine_input.hpp"
#include "frame_host.hpp"
#include "input_devices.hpp"

namespace test_support {

// Pushes a key event for the action's bound key onto SDL's queue, for the devices' next drain.
void pushActionKey(InputAction action, bool down);
// The devices' drain and the input update from their command, as a pass of the game makes them.
void updateFromDevices();
// Makes the frame host take every pass's command from the tests' own producer, with exactly
// these actions held, until called again: whole passes run without SDL's event queue.
void holdInPasses(const HeldActions& held);
// Exactly these actions held.
HeldActions holding(std::initializer_list<InputAction> actions);
void pushWindowEvent(int windowEventId);
void pushQuit();

// The environment of a headless child process: SDL's dummy drivers and the software renderer.
extern const std::vector<std::string> kHeadlessEnvironment;

// Whether a child's stderr carries a sanitizer report.
bool mentionsSanitizer(const std::string& text);

// Tests that start the built programs as child processes run where POSIX makes them; under
// Wine the Windows programs are run by the scripts that test them instead.
#if defined(_WIN32)
#define BRICKFALL_TESTS_START_PROGRAMS 0
#else
#define BRICKFALL_TESTS_START_PROGRAMS 1
#endif

struct ProcessResult {
    int exitStatus = -1;  // -1 when the process was killed or did not exit normally
    bool timedOut = false;
    std::string standardError;
    std::string standardOutput;
    long peakResidentKiB = 0;  // the most memory the process held at once
};

// Runs a program with extra environment entries ("NAME=value"), captures its stderr and
// stdout and kills it with SIGKILL if it outlives the deadline. With terminateAfterSeconds >= 0 it
// is sent SIGTERM at that time, as a desktop session does when it asks a program to close.
ProcessResult runProcess(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, double timeoutSeconds,
                         double terminateAfterSeconds = -1.0);

// Copies a built program into a directory, with the built Resources/ beside it when asked;
// returns the copy's path.
std::string stageProgramIn(const std::string& program, const std::string& directory,
                           bool withResources);

// The bytes of a PNG file of the given size, one bit per pixel, every pixel black. Its pixel
// rows are deflated as runs, so even a 20000 by 20000 image takes a few hundred kilobytes.
std::string blankPng(int width, int height);
// A PNG with the header of blankPng whose image data inflates to `inflatedBytes` zero bytes,
// however many its size calls for: a decompression bomb when that is far more.
std::string inflatingPng(int width, int height, std::uint64_t inflatedBytes);

// Whether `part` occurs anywhere in `text`.
bool contains(const std::string& text, const std::string& part);
// The float whose bits these are.
inline float fromBits(std::uint32_t bits) {
    return bitCopy<float>(bits);
}

// A whole file's bytes, and its lines without their ends; empty when it cannot be read.
std::string readFile(const std::string& path);
std::vector<std::string> readLines(const std::string& path);

// A fresh empty directory under the system's temporary folder, or under `parent`, removed by
// the caller.
std::string makeTemporaryDirectory();
std::string makeTemporaryDirectoryIn(const std::string& parent);
void removeDirectory(const std::string& path);

// SDL's events, the key bindings and the controllers, with no window; all of it let go after.
class InputFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// The game's own start-up on SDL's dummy drivers; after, the frame host's producer and pass
// observer are put back and the game is shut down.
class GameFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// Sends this process's stderr into a temporary file until finish() hands back what was written.
class StandardErrorCapture {
  public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;
    std::string finish();

  private:
    int savedDescriptor_ = -1;
    std::FILE* file_ = nullptr;
};

}  // namespace test_support
