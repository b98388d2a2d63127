// Heap allocations are counted in this file for the whole test program: every form of
// operator new, and SDL's own allocator through its memory-function hooks.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <set>
#include <vector>

#include "engine_audio.hpp"
#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "game_snapshot.hpp"
#include "game_trace.hpp"
#include "game_variables.hpp"
#include "gamepad_support.hpp"
#include "input_devices.hpp"
#include "input_script.hpp"
#include "play_session.hpp"
#include "scene_menu.hpp"
#include "scene_stage1.hpp"
#include "stage_support.hpp"
#include "test_support.hpp"
#include "video_presenting.hpp"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> newCalls{0};
std::atomic<long> sdlCalls{0};

void* allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        newCalls.fetch_add(1, std::memory_order_relaxed);
    }
    // operator new must return a unique pointer even for zero bytes.
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* sdlMalloc(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        sdlCalls.fetch_add(1, std::memory_order_relaxed);
    }
    return std::malloc(size);
}
void* sdlCalloc(std::size_t count, std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        sdlCalls.fetch_add(1, std::memory_order_relaxed);
    }
    return std::calloc(count, size);
}
void* sdlRealloc(void* block, std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        sdlCalls.fetch_add(1, std::memory_order_relaxed);
    }
    return std::realloc(block, size);
}
void sdlFree(void* block) {
    std::free(block);
}
}  // namespace

// Every unaligned form is replaced as a set, so each block is freed by the allocator that made it.
void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace {
// SDL's renderer keeps a pool of draw commands that grows to the most draws one frame has
// queued. A frame of more draws than a scene can make (at most 300 blocks, 30 coins, 10 balls,
// the paddle and some 60 glyphs) fills it, so growth there is not counted as ours.
void fillRenderCommandPool() {
    preRender();
    for (int draw = 0; draw < 1000; ++draw) {
        renderSprite(*getSprite1(), kBallCell, 10.0f, 10.0f, 0);
    }
    renderVideo();
}

// The device takes floats and the module player makes 16-bit samples, so the mixer converts
// the tune in a buffer SDL makes, on the mixer's thread, at the tune's first chunk after it is
// loaded; nothing there allocates again. Frames are counted once the mixer has taken two chunks
// since the tune started, however fast the passes before them ran.
std::atomic<int> mixerChunks{0};
void countChunk(void* /*data*/, Uint8* /*stream*/, int /*length*/) {
    mixerChunks.fetch_add(1);
}
void letTheMixerTakeTheTune() {
    Mix_SetPostMix(countChunk, nullptr);
    const int before = mixerChunks.load();
    constexpr Uint32 kStep = 5;
    constexpr Uint32 kLongest = 2000;
    for (Uint32 waited = 0; mixerChunks.load() < before + 2 && waited < kLongest; waited += kStep) {
        SDL_Delay(kStep);
    }
    Mix_SetPostMix(nullptr, nullptr);
    ASSERT_GE(mixerChunks.load(), before + 2) << "the mixer took no chunk in 2 s";
}

void startCounting() {
    ASSERT_EQ(SDL_SetMemoryFunctions(sdlMalloc, sdlCalloc, sdlRealloc, sdlFree), 0);
    startUp();
    ASSERT_FALSE(getQuit()) << "start-up failed";
    fillRenderCommandPool();
}

// Runs one pass with exactly the listed actions held; counts its allocations when asked.
void countedPass(const std::vector<InputAction>& held, bool count) {
    for (std::int32_t action = 0; action < kInputActionCount; ++action) {
        test_support::pushActionKey(static_cast<InputAction>(action), false);
    }
    for (InputAction action : held) {
        test_support::pushActionKey(action, true);
    }
    counting = count;
    runFramePass();
    counting = false;
}

struct MenuStep {
    std::vector<InputAction> held;
    int passes;
};

using A = InputAction;
// Every page and every row's action, ending back on the main page's first row: each step is
// held for its passes and then released for one. The choices are stepped through every value
// and back before Apply: another window mode or size makes SDL remake the window's surface, an
// allocation of SDL's own in the frame that shows it. Turned layouts have their own test below.
const std::vector<MenuStep> kMenuTour = {
    {{A::Down}, 1},    {{A::Down}, 1},    {{A::Up}, 1},      {{A::Up}, 1},
    {{A::Down}, 1},    {{A::Confirm}, 1},  // Options
    {{A::Down}, 1},    {{A::Down}, 1},    {{A::Down}, 1},    {{A::Up}, 1},
    {{A::Up}, 1},      {{A::Up}, 1},      {{A::Confirm}, 1},                  // Video
    {{A::Right}, 1},   {{A::Right}, 1},   {{A::Left}, 1},    {{A::Left}, 1},  // window mode
    {{A::Down}, 1},    {{A::Right}, 1},   {{A::Right}, 1},   {{A::Left}, 1},
    {{A::Left}, 1},                                                            // scale
    {{A::Down}, 1},    {{A::Right}, 1},   {{A::Right}, 1},   {{A::Right}, 1},  // rotation
    {{A::Left}, 1},    {{A::Left}, 1},    {{A::Left}, 1},    {{A::Down}, 1},
    {{A::Confirm}, 1},                     // Apply
    {{A::Down}, 1},    {{A::Confirm}, 1},  // Back to Options
    {{A::Down}, 1},    {{A::Confirm}, 1},  // Audio
    {{A::Left}, 80},   {{A::Right}, 80},  {{A::Down}, 1},    {{A::Left}, 80},
    {{A::Right}, 80},  {{A::Back}, 1},                        // Options
    {{A::Down}, 1},    {{A::Down}, 1},    {{A::Confirm}, 1},  // Controls
    {{A::Confirm}, 1},                                        // Options
    {{A::Back}, 1},                                           // Main
};

struct TourSeen {
    std::set<std::int32_t> pages;
    std::int32_t lowestMusicVolume = 128;
    std::int32_t lowestSoundVolume = 128;
};

void runMenuTour(bool count, TourSeen& seen) {
    for (const MenuStep& step : kMenuTour) {
        for (int pass = 0; pass < step.passes; ++pass) {
            countedPass(step.held, count);
            seen.pages.insert(getMenuPage());
            seen.lowestMusicVolume = std::min(seen.lowestMusicVolume, getMusicVolume());
            seen.lowestSoundVolume = std::min(seen.lowestSoundVolume, getSoundEffectVolume());
        }
        countedPass({}, count);
    }
}
}  // namespace

TEST(MenuAllocation, MenuFramesAfterTheFirstTourAllocateNothing) {
    startCounting();
    ASSERT_EQ(getCurrentScene(), kMenuScene);
    // The first walk through the pages may settle SDL's event pool and the window's new size.
    TourSeen first;
    runMenuTour(false, first);
    const std::int32_t musicVolume = getMusicVolume();
    const std::int32_t soundVolume = getSoundEffectVolume();
    TourSeen counted;
    constexpr int kCountedTours = 3;
    for (int tour = 0; tour < kCountedTours; ++tour) {
        runMenuTour(true, counted);
        ASSERT_EQ(getCurrentScene(), kMenuScene) << "the tour never leaves the menu";
        ASSERT_EQ(getMenuPage(), kMainPage);
    }
    std::printf("%d menu tours counted: %ld new, %ld SDL allocations\n", kCountedTours,
                newCalls.load(), sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    // The counted tours did what the first did: every page, volumes stepped down and back.
    EXPECT_EQ(counted.pages, (std::set<std::int32_t>{kMainPage, kOptionsPage, kVideoPage,
                                                     kAudioPage, kControlsPage}));
    EXPECT_LT(counted.lowestMusicVolume, musicVolume);
    EXPECT_LT(counted.lowestSoundVolume, soundVolume);
    EXPECT_EQ(getMusicVolume(), musicVolume);
    EXPECT_EQ(getSoundEffectVolume(), soundVolume);
    EXPECT_EQ(getMenuWindowMode(), WindowMode::Windowed);
    EXPECT_EQ(getMenuRotation(), Rotation::None);
    shutDown();
}

// SDL's software renderer would build surfaces for every turned copy; the game's own copy
// into the window must not. Each layout is applied, settled (the window's new surface and the
// copy's tables are made then), and its stage frames counted.
TEST(StageAllocation, TurnedStageFramesAllocateNothing) {
    startCounting();
    struct Layout {
        ScaleType scaleType;
        Rotation rotation;
    };
    const Layout layouts[] = {{ScaleType::Integer, Rotation::Right},
                              {ScaleType::AspectFit, Rotation::Flip},
                              {ScaleType::Stretch, Rotation::Left}};
    constexpr int kSettlingPasses = 20;
    constexpr int kCountedPasses = 600;
    for (const Layout& layout : layouts) {
        changeScene(kStageScene);
        letTheMixerTakeTheTune();
        changeVideoSettings(WindowMode::Windowed, layout.scaleType, layout.rotation);
        const long long picturesBefore = getPicturesPresented();
        for (int pass = 0; pass < kSettlingPasses + kCountedPasses; ++pass) {
            if (getCurrentScene() != kStageScene) {
                changeScene(kStageScene);
            }
            test_support::holdInPasses(stage_support::chasingHeld());
            counting = pass >= kSettlingPasses;
            runFramePass();
            counting = false;
        }
        // The counted frames did reach the window, turned.
        EXPECT_GT(getPicturesPresented() - picturesBefore, kCountedPasses / 20)
            << "rotation " << static_cast<int>(layout.rotation);
    }
    std::printf("turned stage passes counted: %ld new, %ld SDL allocations\n", newCalls.load(),
                sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    shutDown();
}

TEST(StageAllocation, StageFramesAfterTheFirstAllocateNothing) {
    startCounting();
    changeScene(kStageScene);
    letTheMixerTakeTheTune();
    // The first passes may settle SDL's event pool; they are not counted.
    constexpr int kSettlingPasses = 200;
    constexpr int kCountedPasses = 3000;
    int stageStarts = 1;
    int counted = 0;
    std::int32_t mostCoins = 0;
    std::int32_t mostBalls = 0;
    for (int pass = 0; pass < kSettlingPasses + kCountedPasses; ++pass) {
        if (getCurrentScene() != kStageScene) {
            changeScene(kStageScene);
            ++stageStarts;
        }
        test_support::holdInPasses(stage_support::chasingHeld());
        counting = pass >= kSettlingPasses;
        runFramePass();
        counting = false;
        if (pass >= kSettlingPasses) {
            ++counted;
            mostCoins = std::max(mostCoins, getCoinCount());
            mostBalls = std::max(mostBalls, getBallCount());
        }
    }
    std::printf("%d passes counted over %d stages: %ld new, %ld SDL allocations\n", counted,
                stageStarts, newCalls.load(), sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    // The counted passes played: strikes, coins and splits all happened.
    EXPECT_GT(getHighScore(), 0);
    EXPECT_GT(mostCoins, 0);
    EXPECT_GT(mostBalls, 1);
    shutDown();
}

// Two controllers plugged in: one steers with its stick under the lowest falling ball, the
// other presses South, East and Start (a pause and a resume) in turn, so every kind of
// controller event reaches a counted frame. Opening a controller allocates, so both are
// plugged in before the settling passes.
TEST(StageAllocation, StageFramesPlayedOnControllersAllocateNothing) {
    startCounting();
    gamepad_support::VirtualPad steering;
    gamepad_support::VirtualPad pressing;
    changeScene(kStageScene);
    letTheMixerTakeTheTune();
    constexpr int kSettlingPasses = 200;
    constexpr int kCountedPasses = 3000;
    const SDL_GameControllerButton presses[] = {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B,
                                                SDL_CONTROLLER_BUTTON_START,
                                                SDL_CONTROLLER_BUTTON_START};
    int pauses = 0;
    std::int32_t mostBalls = 0;
    bool wasPaused = false;
    for (int pass = 0; pass < kSettlingPasses + kCountedPasses; ++pass) {
        if (getCurrentScene() != kStageScene) {
            changeScene(kStageScene);
        }
        steering.lean(SDL_CONTROLLER_AXIS_LEFTX, stage_support::chasingDirection() * 32767);
        pressing.press(presses[(pass / 100) % 4], pass % 100 == 0);
        counting = pass >= kSettlingPasses;
        runFramePass();
        counting = false;
        pauses += isPaused() && !wasPaused ? 1 : 0;
        wasPaused = isPaused();
        mostBalls = std::max(mostBalls, getBallCount());
    }
    std::printf("controller stage passes counted: %ld new, %ld SDL allocations\n", newCalls.load(),
                sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    // The controllers played: the stick kept balls in play long enough to split them, and
    // Start paused the stage.
    EXPECT_GT(getHighScore(), 0);
    EXPECT_GT(mostBalls, 1);
    EXPECT_GT(pauses, 0);
    steering.unplug();
    pressing.unplug();
    shutDown();
}

TEST(ReplayAllocation, DemoPassesRecordedAndTracedAllocateNothing) {
    // Starts a stage, plays it with holds, chords and a pause, and is minimised for a while;
    // the script repeats, so the counted passes do all of it again.
    const std::string round =
        "1 Confirm\n150 -\n60 Left\n30 Right,Confirm\n20 Left,Minimized\n20 Minimized\n"
        "1 Pause\n30 -\n1 Pause\n60 Right\n1 Back\n";
    const ScriptParseResult parsed = parseScript(round);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    constexpr int kRounds = 4;
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string demoPath = directory + "/demo.script";
    const std::string recordPath = directory + "/recording.script";
    const std::string tracePath = directory + "/trace";
    {
        std::ofstream demo(demoPath);
        for (int i = 0; i < kRounds; ++i) {
            demo << round;
        }
    }
    // The game's --demo, --record and --trace, as it wires them.
    PlaySession session;
    SessionOptions options;
    options.program = "test";
    options.demoPath = demoPath.c_str();
    options.recordPath = recordPath.c_str();
    options.tracePath = tracePath.c_str();
    options.endAfterDemo = true;
    ASSERT_EQ(session.open(options), SessionOpened::Ready);
    startCounting();
    setInputProducer(&session.demo());
    setPassObserver(&session);
    for (std::int64_t pass = 0; pass < kRounds * parsed.script.length; ++pass) {
        counting = pass >= parsed.script.length;
        runFramePass();
        counting = false;
        if (pass == 0) {
            ASSERT_EQ(getCurrentScene(), kStageScene);
            letTheMixerTakeTheTune();
        }
    }
    setPassObserver(nullptr);
    setInputProducer(nullptr);
    std::printf("%d rounds of %lld passes after the first: %ld new, %ld SDL allocations\n",
                kRounds - 1, static_cast<long long>(parsed.script.length), newCalls.load(),
                sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    // The passes were recorded and the frames traced, and the demo's last pass ended the game;
    // minimised passes ran no frame.
    EXPECT_EQ(session.passes(), kRounds * parsed.script.length);
    EXPECT_TRUE(getQuit());
    EXPECT_LT(getFramesRun(), session.passes());
    EXPECT_TRUE(session.finish(true));
    Script recorded;
    std::string error;
    ASSERT_TRUE(loadScript(recordPath.c_str(), recorded, error)) << error;
    EXPECT_EQ(recorded.length, session.passes());
    shutDown();
    test_support::removeDirectory(directory);
}

// The frames that start the tune, pause and resume it, play effects and stop the tune on the
// way back to the menu, counted on the second stage, once the first has been through them.
TEST(StageAllocation, FramesThatStartPauseAndEndAStageAllocateNothing) {
    startCounting();
    for (int stage = 0; stage < 2; ++stage) {
        const bool count = stage == 1;
        countedPass({A::Confirm}, count);
        ASSERT_EQ(getCurrentScene(), kStageScene);
        EXPECT_EQ(Mix_PlayingMusic(), 1);
        if (!count) {
            letTheMixerTakeTheTune();
        }
        countedPass({}, count);
        countedPass({A::Pause}, count);
        EXPECT_EQ(Mix_PausedMusic(), 1);
        countedPass({}, count);
        countedPass({A::Pause}, count);
        EXPECT_EQ(Mix_PausedMusic(), 0);
        while (getServeTimer() < kServeFrames) {
            countedPass({}, false);
        }
        setBall(0, {{60.0f, 319.5f}, {0.0f, 1.0f}, 1.0f, 0, false});
        countedPass({}, count);
        EXPECT_GE(Mix_Playing(-1), 1) << "the last ball's effect sounds";
        countedPass({}, count);
        ASSERT_EQ(getCurrentScene(), kMenuScene);
        EXPECT_EQ(Mix_PlayingMusic(), 0);
        countedPass({}, count);
    }
    std::printf("stage start, pause, resume and end counted: %ld new, %ld SDL allocations\n",
                newCalls.load(), sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    shutDown();
}
