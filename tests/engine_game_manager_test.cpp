#include "engine_game_manager.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.hpp"

#if BRICKFALL_TESTS_START_PROGRAMS
namespace {
// A game copied into a fresh folder whose sheet is replaced by `sheetBytes`, or left out.
struct StagedGame {
    std::string directory = test_support::makeTemporaryDirectory();
    std::string binary;
    ~StagedGame() { test_support::removeDirectory(directory); }
};
}  // namespace

TEST(GameProcess, ClosingTheWindowEndsWithStatusZero) {
    const auto result = test_support::runProcess({BRICKFALL_GAME_BINARY},
                                                 test_support::kHeadlessEnvironment, 30.0, 1.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}

TEST(GameProcess, NoUsableVideoIsReportedWithANonZeroStatus) {
    std::vector<std::string> environment = test_support::kHeadlessEnvironment;
    environment[0] = "SDL_VIDEODRIVER=no-such-driver";
    const auto result = test_support::runProcess({BRICKFALL_GAME_BINARY}, environment, 30.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_NE(result.standardError.find("VIDEO ERROR: The window could not be created: "),
              std::string::npos)
        << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}

TEST(GameProcess, MissingOrBrokenSheetEndsWithItsMessageAndANonZeroStatus) {
    const std::string message =
        "FILE LOADING ERROR: An image file is missing or the executable is in the wrong "
        "directory.";
    const std::string pngSignature = "\x89PNG\r\n\x1a\n";
    const struct {
        const char* name;
        bool hasSheet;
        std::string bytes;
    } cases[] = {
        {"missing", false, ""},
        {"empty", true, ""},
        {"not a png", true, "this is not an image"},
        {"truncated png", true, pngSignature + std::string("\0\0\0\rIHDR\0\0", 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StagedGame game;
        game.binary = test_support::stageProgramIn(BRICKFALL_GAME_BINARY, game.directory, false);
        if (c.hasSheet) {
            const auto folder = std::filesystem::path(game.directory) / "Resources" / "IMG";
            std::filesystem::create_directories(folder);
            std::ofstream(folder / "Main.png", std::ios::binary) << c.bytes;
        }
        const auto result =
            test_support::runProcess({game.binary}, test_support::kHeadlessEnvironment, 30.0);
        EXPECT_FALSE(result.timedOut);
        EXPECT_NE(result.exitStatus, 0);
        EXPECT_NE(result.standardError.find(message), std::string::npos) << result.standardError;
        EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
    }
}
#endif
