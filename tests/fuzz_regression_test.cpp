// Inputs the fuzzers found, kept as tests: each must stay a clean, reported failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "input_devices.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

namespace {
constexpr char kMissingImage[] =
    "FILE LOADING ERROR: An image file is missing or the executable is in the wrong "
    "directory.\n";

fs::path sheetCorpus() {
    return fs::path(BRICKFALL_SOURCE_DIR) / "fuzz" / "corpus" / "sheet_loader";
}

}  // namespace

// Each fails as any corrupt sheet does, and the sanitizer build finds nothing on the way:
// - a 188-byte sheet whose IDAT chunk claims 2 GiB, which the decoder allocated before finding
//   the file short;
// - a sheet whose first IDAT chunk is empty, which the decoder copied from a null buffer;
// - the same with the file ending before that chunk's checksum.
TEST(SheetFuzzFindings, EachIsRefusedWithTheMissingImageMessage) {
    const std::vector<std::string> findings = {"regression-idat-length-2gib.png",
                                               "regression-empty-first-idat.png",
                                               "regression-empty-idat-without-checksum.png"};
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    const fs::path sheet = getFileFullPath("IMG//fuzz-finding.png");
    fs::create_directories(sheet.parent_path());
    for (const std::string& finding : findings) {
        SCOPED_TRACE(finding);
        const std::string bytes = test_support::readFile((sheetCorpus() / finding).string());
        ASSERT_FALSE(bytes.empty());
        std::ofstream(sheet, std::ios::binary) << bytes;
        test_support::StandardErrorCapture capture;
        Sprite* sprite = newSprite("IMG//fuzz-finding.png");
        EXPECT_EQ(capture.finish(), kMissingImage);
        EXPECT_EQ(sprite->texture, nullptr);
        EXPECT_TRUE(hasFailed());
        freeSprite(sprite);
    }
    fs::remove(sheet);
    quitVideo();
    quitFileHelper();
}

#if BRICKFALL_TESTS_START_PROGRAMS
// A 64 by 64 sheet whose pixels inflate to 1 GiB instead of 4 KiB: decoding stops at what a
// sheet of that size can need, so the game ends with its message holding little memory.
TEST(SheetFuzzFindings, DecompressionBombEndsWithoutInflating) {
    constexpr std::uint64_t kInflated = std::uint64_t{1} << 30;
    constexpr long kMostKiB = 512 * 1024;
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string game = test_support::stageProgramIn(BRICKFALL_GAME_BINARY, directory, false);
    fs::create_directories(fs::path(directory) / "Resources" / "IMG");
    std::ofstream(fs::path(directory) / "Resources" / "IMG" / "Main.png", std::ios::binary)
        << test_support::inflatingPng(64, 64, kInflated);
    const auto result = test_support::runProcess(
        {game}, {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "SDL_RENDER_DRIVER=software"},
        60.0);
    EXPECT_FALSE(result.timedOut) << "still inflating after a minute";
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_NE(result.exitStatus, -1) << "ended by a signal";
    EXPECT_NE(result.standardError.find(kMissingImage), std::string::npos) << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
    EXPECT_LT(result.peakResidentKiB, kMostKiB);
    test_support::removeDirectory(directory);
}
#endif
