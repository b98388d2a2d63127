// The game started where things go wrong: odd sprite sheets, no display, strange folders, and a
// window that is minimised, restored and closed.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "entity_ball.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "game_stage_sounds.hpp"
#include "input_devices.hpp"
#include "render_support.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

using test_support::contains;

namespace {
struct ScratchFolder {
    fs::path path = test_support::makeTemporaryDirectory();
    ~ScratchFolder() { test_support::removeDirectory(path.string()); }
};

// A copy of a program in `folder` with the game's resources, but whose sheet is `sheet`.
std::string stageWithSheet(const std::string& program, const fs::path& folder,
                           const std::string& sheet) {
    fs::create_directories(folder);
    const std::string copy = test_support::stageProgramIn(program, folder.string(), true);
    std::ofstream(folder / "Resources" / "IMG" / "Main.png", std::ios::binary | std::ios::trunc)
        << sheet;
    return copy;
}

// Every entry under a folder with its size and modification time.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> listing(
    const fs::path& folder) {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        entries[entry.path().string()] = {entry.is_regular_file() ? entry.file_size() : 0,
                                          entry.last_write_time()};
    }
    return entries;
}

void setWritable(const fs::path& folder, bool writable) {
    const auto permissions =
        writable ? fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                       fs::perms::others_read | fs::perms::others_exec
                 : fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_directory()) {
            fs::permissions(entry.path(), permissions);
        }
    }
    fs::permissions(folder, permissions);
}
}  // namespace

TEST(BlankPng, DecodesToBlackPixelsOfItsSize) {
    for (const auto& [width, height] : {std::pair{64, 40}, std::pair{3, 700}, std::pair{517, 2}}) {
        SCOPED_TRACE(std::to_string(width) + " by " + std::to_string(height));
        const std::string bytes = test_support::blankPng(width, height);
        int w = 0;
        int h = 0;
        int channels = 0;
        stbi_uc* pixels =
            stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                  static_cast<int>(bytes.size()), &w, &h, &channels, 4);
        ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        int lit = 0;
        for (int i = 0; i < w * h; ++i) {
            lit += (pixels[4 * i] | pixels[4 * i + 1] | pixels[4 * i + 2]) != 0 ? 1 : 0;
            lit += pixels[4 * i + 3] != 255 ? 1 : 0;
        }
        EXPECT_EQ(lit, 0);
        stbi_image_free(pixels);
    }
}

// The sheet's size limit is exact, whichever side passes it, and it is checked before decoding.
TEST(SheetSize, SidesUpTo4096LoadAndLongerOnesAreRefused) {
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    const std::string widest = render_support::writeResourcePng(
        "widest", 4096, 1, std::vector<std::uint8_t>(4096 * 4, 255));
    Sprite* fits = newSprite(widest.c_str());
    EXPECT_NE(fits->texture, nullptr);
    EXPECT_FALSE(hasFailed());
    freeSprite(fits);
    render_support::removeResource(widest);

    for (const auto& [width, height] : {std::pair{4097, 1}, std::pair{1, 4097}}) {
        const std::string name = render_support::writeResourcePng(
            "too-big", width, height, std::vector<std::uint8_t>(4097 * 4, 255));
        test_support::StandardErrorCapture capture;
        Sprite* refused = newSprite(name.c_str());
        const std::string message = capture.finish();
        EXPECT_EQ(refused->texture, nullptr);
        EXPECT_TRUE(hasFailed());
        EXPECT_TRUE(getQuit());
        EXPECT_EQ(message, "FILE LOADING ERROR: The image file " + name + " is " +
                               std::to_string(width) + " by " + std::to_string(height) +
                               " pixels, more than the 4096 by 4096 this game can use.\n");
        freeSprite(refused);
        render_support::removeResource(name);
    }
    quitVideo();
    quitFileHelper();
}

TEST(SheetSize, FileBeyondTheReadLimitIsRefusedUnread) {
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    // Sparse: the file takes no room on disk and is never read.
    const std::string name = "IMG//test-oversized-file.png";
    const fs::path path = getFileFullPath(name.c_str());
    std::ofstream(path, std::ios::binary) << test_support::blankPng(8, 8);
    fs::resize_file(path, 256u * 1024 * 1024 + 1);
    test_support::StandardErrorCapture capture;
    Sprite* refused = newSprite(name.c_str());
    EXPECT_EQ(capture.finish(), "FILE LOADING ERROR: The image file " + name +
                                    " is larger than the 256 MiB this game can read.\n");
    EXPECT_EQ(refused->texture, nullptr);
    EXPECT_TRUE(hasFailed());
    freeSprite(refused);
    fs::remove(path);
    quitVideo();
    quitFileHelper();
}

// An empty IDAT chunk ahead of the image data is legal and carries nothing; the sheet loads as
// it would without it.
TEST(SheetFormat, EmptyImageDataChunkAheadOfTheDataStillLoads) {
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    const std::string name =
        render_support::writeResourcePng("empty-idat", 8, 8, render_support::coordinateImage(8, 8));
    const fs::path path = getFileFullPath(name.c_str());
    std::string bytes;
    {
        std::ifstream file(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    const std::size_t data = bytes.find("IDAT");
    ASSERT_NE(data, std::string::npos);
    // Length 0, the type, and the checksum of the type alone.
    bytes.insert(data - 4, std::string("\0\0\0\0IDAT\x35\xAF\x06\x1E", 12));
    std::ofstream(path, std::ios::binary) << bytes;

    Sprite* sheet = newSprite(name.c_str());
    ASSERT_NE(sheet->texture, nullptr);
    EXPECT_FALSE(hasFailed());
    preRender();
    renderSprite(sheet, {0, 0, 8, 8}, 20.0f, 20.0f, 0);
    const render_support::Readback target = render_support::readTarget();
    EXPECT_EQ(target.markedCount(), 64);
    EXPECT_EQ(target.sourceX(23, 19), 7);
    EXPECT_EQ(target.sourceY(23, 19), 3);
    freeSprite(sheet);
    render_support::removeResource(name);
    quitVideo();
    quitFileHelper();
}

// A one-pixel sheet loads: cells beyond it draw nothing, a cell over it draws inside its own
// place and nowhere else.
TEST(SheetSize, OnePixelSheetDrawsNothingOutsideItsCells) {
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    const std::string name =
        render_support::writeResourcePng("one", 1, 1, render_support::coordinateImage(1, 1));
    Sprite* sheet = newSprite(name.c_str());
    ASSERT_NE(sheet->texture, nullptr);
    EXPECT_FALSE(hasFailed());

    preRender();
    renderSprite(sheet, kBallCell, 120.0f, 160.0f, 0);
    renderSprite(sheet, kBlockCell, 40.0f, 60.0f, 0);
    renderSprite(sheet, kPaddleCell, 120.0f, 290.0f, 0);
    EXPECT_EQ(render_support::readTarget().markedCount(), 0);

    preRender();
    renderSprite(sheet, kFirstGlyphCell, 20.0f, 20.0f, 0);  // the space glyph's cell covers it
    const render_support::Readback target = render_support::readTarget();
    const render_support::Box box = render_support::markedBox(target);
    EXPECT_GT(target.markedCount(), 0);
    EXPECT_GE(box.left, 16);
    EXPECT_GE(box.top, 16);
    EXPECT_LE(box.right, 23);
    EXPECT_LE(box.bottom, 23);

    freeSprite(sheet);
    render_support::removeResource(name);
    quitVideo();
    quitFileHelper();
}

TEST(HostileSheet, OnePixelSheetPlaysAWholeStageAndEndsCleanly) {
    ScratchFolder folder;
    const std::string sheet = test_support::blankPng(1, 1);
    const std::string sim = stageWithSheet(BRICKFALL_SIM_BINARY, folder.path / "sim", sheet);
    std::ofstream(folder.path / "stage.script") << "1 Confirm\n1 -\n1 Pause\n1 -\n1 Pause\n";
    const auto played = test_support::runProcess(
        {sim, "--script", (folder.path / "stage.script").string(), "--frames", "3000"}, {}, 300.0);
    EXPECT_EQ(played.exitStatus, 0) << played.standardError;
    EXPECT_TRUE(contains(played.standardError, "passes 3000,")) << played.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(played.standardError)) << played.standardError;

    const std::string game = stageWithSheet(BRICKFALL_GAME_BINARY, folder.path / "game", sheet);
    const auto closed =
        test_support::runProcess({game}, test_support::kHeadlessEnvironment, 30.0, 1.0);
    EXPECT_FALSE(closed.timedOut);
    EXPECT_EQ(closed.exitStatus, 0) << closed.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(closed.standardError)) << closed.standardError;
}

// A sound file that is gone or is not sound ends start-up as a missing sheet does: its message
// once, no frame played and a failure status, from the game and the simulator alike.
TEST(HostileSounds, MissingOrUnreadableSoundFileEndsStartUpWithItsMessage) {
    const std::string soundText =
        "FILE LOADING ERROR: A sound file is missing or the executable is in the wrong directory.";
    const std::string musicText =
        "FILE LOADING ERROR: A music file is missing or the executable is in the wrong directory.";
    const struct {
        const char* name;
        const char* file;
        const char* contents;  // null: the file is removed
        const std::string& message;
    } cases[] = {
        {"missing effect", stageSoundName(StageEvent::CoinCaught), nullptr, soundText},
        {"unreadable effect", stageSoundName(StageEvent::BlockStruck), "RIFF, but no wave follows",
         soundText},
        {"missing tune", kStageSongName.c_str(), nullptr, musicText},
        {"unreadable tune", kStageSongName.c_str(), "not a module at all", musicText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string sim =
            test_support::stageProgramIn(BRICKFALL_SIM_BINARY, folder.path.string(), true);
        const std::string game =
            test_support::stageProgramIn(BRICKFALL_GAME_BINARY, folder.path.string(), false);
        const fs::path file = folder.path / "Resources" / c.file;
        ASSERT_TRUE(fs::exists(file));
        if (c.contents == nullptr) {
            fs::remove(file);
        } else {
            std::ofstream(file, std::ios::binary | std::ios::trunc) << c.contents;
        }
        const auto simulated =
            test_support::runProcess({sim, "--frames", "100"}, {"SDL_AUDIODRIVER=dummy"}, 60.0);
        const auto started =
            test_support::runProcess({game}, test_support::kHeadlessEnvironment, 60.0);
        for (const auto* result : {&simulated, &started}) {
            EXPECT_FALSE(result->timedOut);
            EXPECT_NE(result->exitStatus, 0) << result->standardError;
            EXPECT_NE(result->exitStatus, -1) << "ended by a signal";
            const std::size_t first = result->standardError.find(c.message);
            EXPECT_NE(first, std::string::npos) << result->standardError;
            EXPECT_EQ(result->standardError.find("FILE LOADING ERROR", first + 1),
                      std::string::npos)
                << "one message only\n"
                << result->standardError;
            EXPECT_FALSE(test_support::mentionsSanitizer(result->standardError))
                << result->standardError;
        }
        EXPECT_TRUE(contains(simulated.standardError, "passes 0,")) << simulated.standardError;
    }
}

// 20000 by 20000 decodes to 1.6 GB of pixels: the game says so from the file's header and
// ends at once instead of trying.
TEST(HostileSheet, HugeSheetIsRefusedWithAClearMessage) {
    const std::string sheet = test_support::blankPng(20000, 20000);
    int width = 0;
    int height = 0;
    int channels = 0;
    ASSERT_EQ(stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(sheet.data()),
                                    static_cast<int>(sheet.size()), &width, &height, &channels),
              1);
    ASSERT_EQ(width, 20000);
    ASSERT_EQ(height, 20000);
    ScratchFolder folder;
    const std::string game = stageWithSheet(BRICKFALL_GAME_BINARY, folder.path, sheet);
    const auto result = test_support::runProcess({game}, test_support::kHeadlessEnvironment, 60.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_NE(result.exitStatus, -1) << "ended by a signal";
    EXPECT_TRUE(contains(result.standardError,
                         "FILE LOADING ERROR: The image file IMG//Main.png is 20000 by 20000 "
                         "pixels, more than the 4096 by 4096 this game can use."))
        << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}

// With no display SDL would fall back to an offscreen window no one sees and nothing closes.
TEST(NoDisplay, WithoutADisplayOrAChosenDriverStartUpFailsClearly) {
    if (fs::exists("/dev/dri")) {
        GTEST_SKIP() << "a graphics device is present; SDL may open a display on it";
    }
    const auto result = test_support::runProcess(
        {"/usr/bin/env", "-u", "SDL_VIDEODRIVER", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
         "SDL_AUDIODRIVER=dummy", BRICKFALL_GAME_BINARY},
        {}, 30.0);
    EXPECT_FALSE(result.timedOut) << "the game ran on without a display";
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_NE(result.exitStatus, -1) << "ended by a signal";
    EXPECT_TRUE(contains(result.standardError, "VIDEO ERROR: No display was found."))
        << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}

TEST(NoDisplay, AnOffscreenDriverAskedForByNameIsKept) {
    // The offscreen driver loads and unloads the EGL stack, whose memory the leak checker
    // cannot attribute; the game's own memory is checked by the headless runs.
    const auto result = test_support::runProcess(
        {BRICKFALL_GAME_BINARY},
        {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "SDL_RENDER_DRIVER=software",
         "ASAN_OPTIONS=halt_on_error=1:detect_leaks=0"},
        30.0, 1.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_FALSE(contains(result.standardError, "No display")) << result.standardError;
}

// The game reads its folder and never writes to it, wherever it is and whatever it is called.
TEST(UnusualFolder, ReadOnlyFolderWithSpacesAndAccentsRunsAndStaysUntouched) {
    ScratchFolder scratch;
    const fs::path deep = scratch.path / std::string(200, 'd') / "and deeper still";
    const struct {
        const char* name;
        fs::path folder;
    } cases[] = {
        {"spaces and accents", scratch.path / "Mes Jeux \xc3\xbc"},
        {"a long path", deep / "Mes Jeux \xc3\xbc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(c.folder);
        const std::string sim =
            test_support::stageProgramIn(BRICKFALL_SIM_BINARY, c.folder.string(), true);
        const std::string game =
            test_support::stageProgramIn(BRICKFALL_GAME_BINARY, c.folder.string(), false);
        setWritable(c.folder, false);
        const auto before = listing(c.folder);

        const auto played = test_support::runProcess({sim, "--frames", "120"}, {}, 120.0);
        EXPECT_EQ(played.exitStatus, 0) << played.standardError;
        EXPECT_TRUE(contains(played.standardError, "passes 120,")) << played.standardError;
        const auto closed =
            test_support::runProcess({game}, test_support::kHeadlessEnvironment, 30.0, 1.0);
        EXPECT_FALSE(closed.timedOut);
        EXPECT_EQ(closed.exitStatus, 0) << closed.standardError;
        for (const auto* result : {&played, &closed}) {
            EXPECT_FALSE(test_support::mentionsSanitizer(result->standardError))
                << result->standardError;
        }
        EXPECT_EQ(listing(c.folder), before) << "the game wrote into its own folder";
        setWritable(c.folder, true);
    }
}

// Minimised mid-stage the game stands still; restored it goes on; closed while minimised it
// ends cleanly.
TEST(MinimisedWindow, StageStandsStillThenResumesAndACloseWhileMinimisedEndsCleanly) {
    startUp();
    ASSERT_FALSE(getQuit());
    test_support::pushActionKey(InputAction::Confirm, true);
    ASSERT_TRUE(runFramePass());
    test_support::pushActionKey(InputAction::Confirm, false);
    ASSERT_EQ(getCurrentScene(), kStageScene);
    for (int pass = 0; pass < 200; ++pass) {
        runFramePass();
    }
    const long long framesBefore = getFramesRun();
    const Ball ballBefore = getBall(0);
    ASSERT_EQ(getServeTimer(), kServeFrames) << "the ball is in flight";

    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    for (int pass = 0; pass < 50; ++pass) {
        EXPECT_FALSE(runFramePass());
    }
    EXPECT_EQ(getFramesRun(), framesBefore);
    EXPECT_EQ(getBall(0).position.x, ballBefore.position.x);
    EXPECT_EQ(getBall(0).position.y, ballBefore.position.y);

    test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getFramesRun(), framesBefore + 1);
    EXPECT_NE(getBall(0).position.y, ballBefore.position.y) << "the ball moves again";

    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_FALSE(runFramePass());
    test_support::pushQuit();
    EXPECT_FALSE(runFramePass());
    EXPECT_TRUE(getQuit());
    EXPECT_FALSE(hasFailed());
    EXPECT_EQ(shutDown(), 0);
}

// Without a sound device the audio page still works and a whole game plays through to Exit.
TEST(NoAudio, WholeGameRunsSilentAndEndsOnExit) {
    const std::string script =
        std::string(BRICKFALL_SOURCE_DIR) + "/tests/scripts/whole_game.script";
    const auto result = test_support::runProcess({BRICKFALL_SIM_BINARY, "--script", script},
                                                 {"SDL_AUDIODRIVER=no-such-driver"}, 120.0);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_TRUE(contains(result.standardError, "passes 777,")) << result.standardError;
    EXPECT_FALSE(test_support::mentionsSanitizer(result.standardError)) << result.standardError;
}
