// The command lines of the game and its tools: what each answers, on which stream, with which
// exit status, before any window opens.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "test_support.hpp"

using test_support::contains;

namespace {
test_support::ProcessResult run(const std::vector<std::string>& arguments) {
    return test_support::runProcess(arguments, test_support::kHeadlessEnvironment, 60.0);
}
}  // namespace

TEST(CommandLine, EachProgramAnswersHelpVersionAndWrongInputClearly) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string empty = directory + "/empty.script";
    const std::string jump = directory + "/jump.script";
    const std::string three = directory + "/three.script";
    std::ofstream(empty) << "# nothing to play\n";
    std::ofstream(jump) << "1 -\n1 Jump\n";
    std::ofstream(three) << "3 -\n";
    const std::string game = BRICKFALL_GAME_BINARY;
    const std::string sim = BRICKFALL_SIM_BINARY;
    const std::string pacing = BRICKFALL_PACING_BINARY;
    const std::string nowhere = directory + "/no/such/folder/file";
    const struct {
        std::vector<std::string> arguments;
        int status;
        // Expected on stdout and stderr; an empty expectation means the stream stays empty.
        std::vector<std::string> output;
        std::vector<std::string> error;
    } cases[] = {
        {{game, "--help"},
         0,
         {"usage: brickfall [--record FILE] [--demo FILE] [--trace FILE]", "--version",
          "  Left, Right    move the paddle", "  Up, Down       move the menu's cursor",
          "  Return         choose", "  P              leave a menu page",
          "  Backspace      pause and resume", "Game controllers", "South (A, Cross)   as Return",
          "East (B, Circle)   as P;", "Start              as Backspace",
          "Unplugging a controller pauses", "Resources/ folder beside the\ngame's real executable",
          "Exit status"},
         {}},
        {{game, "--version"}, 0, {std::string("brickfall ") + BRICKFALL_VERSION + "\n"}, {}},
        {{game, "--bogus"}, 2, {}, {"brickfall: unknown option '--bogus'", "usage: brickfall"}},
        {{game, "stray"}, 2, {}, {"unknown option 'stray'", "usage: brickfall"}},
        {{game, "--record"}, 2, {}, {"brickfall: --record needs a FILE", "usage: brickfall"}},
        {{game, "--demo"}, 2, {}, {"--demo needs a FILE"}},
        {{game, "--trace", three, "--demo"}, 2, {}, {"--demo needs a FILE"}},
        {{game, "--record", nowhere}, 1, {}, {"cannot write the recording " + nowhere}},
        {{game, "--trace", nowhere}, 1, {}, {"cannot write the trace " + nowhere}},
        {{game, "--record", directory},
         1,
         {},
         {"cannot write the recording " + directory + ": it is a folder"}},
        {{game, "--demo", nowhere}, 1, {}, {"cannot read script " + nowhere}},
        {{game, "--demo", directory}, 1, {}, {"Is a directory"}},
        {{game, "--demo", empty}, 1, {}, {"holds no passes"}},
        {{game, "--demo", jump}, 1, {}, {"jump.script:2: unknown action 'Jump' (known: Up"}},
        {{sim, "--help"}, 0, {"usage: brickfall-sim", "Minimized", "Unplugged"}, {}},
        {{sim}, 2, {}, {"nothing to run", "usage: brickfall-sim"}},
        {{sim, "--script", empty}, 2, {}, {"empty.script holds no passes"}},
        {{sim, "--script", directory}, 2, {}, {"Is a directory"}},
        {{sim, "--script", jump},
         2,
         {},
         {"jump.script:2: unknown action 'Jump' (known: Up, Down, Left, Right, Confirm, Back, "
          "Special, Pause, Select, Minimized and Unplugged, or - for nothing)"}},
        {{sim, "--frames", "99999999999999999999999"},
         2,
         {},
         {"--frames needs a whole number from 1 to"}},
        {{sim, "--frames", "0"}, 2, {}, {"--frames needs a whole number"}},
        {{sim, "--script", three, "--snapshot", "4:" + directory + "/late.png"},
         1,
         {},
         {"no snapshot " + directory + "/late.png: the run ended after pass 3"}},
        {{pacing, "--help"}, 0, {"usage: brickfall-pacing"}, {}},
        {{pacing, "--bogus"}, 2, {}, {"usage: brickfall-pacing"}},
    };
    for (const auto& c : cases) {
        std::string command;
        for (const std::string& argument : c.arguments) {
            command += std::filesystem::path(argument).filename().string() + " ";
        }
        SCOPED_TRACE(command);
        const test_support::ProcessResult result = run(c.arguments);
        EXPECT_EQ(result.exitStatus, c.status) << result.standardError;
        for (const std::string& part : c.output) {
            EXPECT_TRUE(contains(result.standardOutput, part)) << part << " in\n"
                                                               << result.standardOutput;
        }
        for (const std::string& part : c.error) {
            EXPECT_TRUE(contains(result.standardError, part)) << part << " in\n"
                                                              << result.standardError;
        }
        if (c.output.empty()) {
            EXPECT_EQ(result.standardOutput, "");
        }
        if (c.error.empty()) {
            EXPECT_EQ(result.standardError, "");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(directory + "/late.png"));
    test_support::removeDirectory(directory);
}

TEST(CommandLine, AMissingSheetIsReportedWithThePathTriedAndNothingIsRecorded) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string game = test_support::stageProgramIn(BRICKFALL_GAME_BINARY, directory, false);
    const std::string recording = directory + "/game.script";
    const auto result = run({game, "--record", recording});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(contains(result.standardError,
                         "FILE LOADING ERROR: An image file is missing or the executable is in "
                         "the wrong directory.\n"))
        << result.standardError;
    EXPECT_TRUE(contains(result.standardError, "Could not read the image file " + directory +
                                                   "/Resources//IMG//Main.png\n"))
        << result.standardError;
    EXPECT_FALSE(std::filesystem::exists(recording));
    EXPECT_FALSE(std::filesystem::exists(recording + ".partial"));
    test_support::removeDirectory(directory);
}

TEST(CommandLine, AFinalRenameThatFailsLeavesNoPartialAndEndsWithStatusOne) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string demo = directory + "/demo.script";
    const std::string trace = directory + "/game.trace";
    std::ofstream(demo) << "# brickfall input script 2\n360 -\n";
    // Once the game writes its trace aside, the name it is to take becomes a folder.
    std::thread blocker([&trace] {
        for (int wait = 0; wait < 3000 && !std::filesystem::exists(trace + ".partial"); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::filesystem::create_directory(trace);
    });
    const auto result = run({BRICKFALL_GAME_BINARY, "--demo", demo, "--trace", trace});
    blocker.join();
    EXPECT_EQ(result.exitStatus, 1) << result.standardError;
    EXPECT_TRUE(contains(result.standardError, "brickfall: could not write the trace " + trace))
        << result.standardError;
    EXPECT_FALSE(std::filesystem::exists(trace + ".partial"));
    test_support::removeDirectory(directory);
}
