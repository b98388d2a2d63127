// Whole games under Valgrind's memcheck: nothing this program allocates may be lost and no
// memory error may occur, on the way through a played game, a close from the desktop and
// failed start-ups. Sanitizer builds skip these: the two tools cannot share a process.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game_stage_sounds.hpp"
#include "test_support.hpp"

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
constexpr bool kSanitizerBuild = __has_feature(address_sanitizer);
#else
constexpr bool kSanitizerBuild = false;
#endif

constexpr int kMemcheckFoundSomething = 99;
const std::string kValgrind = "/usr/bin/valgrind";

// Memory still reachable at exit belongs to libraries that keep it for the process's life
// (D-Bus, GLib's type system, the dynamic loader); only definite and indirect losses count.
std::vector<std::string> underMemcheck(std::vector<std::string> command) {
    std::vector<std::string> arguments = {
        kValgrind, "--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
        "--error-exitcode=" + std::to_string(kMemcheckFoundSomething), "--num-callers=30"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return arguments;
}

void expectClean(const test_support::ProcessResult& result, int gameStatus) {
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitStatus, kMemcheckFoundSomething) << result.standardError;
    EXPECT_EQ(result.exitStatus, gameStatus) << result.standardError;
    EXPECT_NE(result.standardError.find("ERROR SUMMARY: 0 errors from 0 contexts"),
              std::string::npos)
        << result.standardError;
}

class LeakCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        if (kSanitizerBuild) {
            GTEST_SKIP() << "memcheck cannot run a sanitizer build";
        }
        if (!std::filesystem::exists(kValgrind)) {
            GTEST_SKIP() << "valgrind is not installed: run ./test.sh, which installs it";
        }
    }
};
}  // namespace

// The option pages with a display change applied, a stage to its end, then Exit.
TEST_F(LeakCheck, ScriptedWholeGameLosesNothing) {
    const std::string script =
        std::string(BRICKFALL_SOURCE_DIR) + "/tests/scripts/whole_game.script";
    const auto result = test_support::runProcess(
        underMemcheck({BRICKFALL_SIM_BINARY, "--script", script}), {}, 110.0);
    expectClean(result, 0);
    EXPECT_NE(result.standardError.find("passes 777,"), std::string::npos)
        << "the game should end on the pass that chose Exit\n"
        << result.standardError;
}

TEST_F(LeakCheck, GameClosedFromTheDesktopLosesNothing) {
    const auto result = test_support::runProcess(underMemcheck({BRICKFALL_GAME_BINARY}),
                                                 test_support::kHeadlessEnvironment, 110.0, 8.0);
    expectClean(result, 0);
}

TEST_F(LeakCheck, StartUpWithoutASheetLosesNothing) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string game = test_support::stageProgramIn(BRICKFALL_GAME_BINARY, directory, false);
    const auto result =
        test_support::runProcess(underMemcheck({game}), test_support::kHeadlessEnvironment, 110.0);
    expectClean(result, 1);
    EXPECT_NE(result.standardError.find("FILE LOADING ERROR"), std::string::npos)
        << result.standardError;
    test_support::removeDirectory(directory);
}

// The sheet and the first effects are loaded, and freed, before the missing one is found.
TEST_F(LeakCheck, StartUpWithoutASoundLosesNothing) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string game = test_support::stageProgramIn(BRICKFALL_GAME_BINARY, directory, true);
    std::filesystem::remove(std::filesystem::path(directory) / "Resources" /
                            stageSoundName(StageEvent::BonusClaimed));
    const auto result =
        test_support::runProcess(underMemcheck({game}), test_support::kHeadlessEnvironment, 110.0);
    expectClean(result, 1);
    EXPECT_NE(result.standardError.find("FILE LOADING ERROR: A sound file is missing"),
              std::string::npos)
        << result.standardError;
    test_support::removeDirectory(directory);
}
