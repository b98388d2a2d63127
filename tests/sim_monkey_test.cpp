#include "sim_monkey.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_snapshot.hpp"
#include "input_devices.hpp"
#include "scene_menu.hpp"
#include "sim_invariants.hpp"
#include "stage_support.hpp"
#include "test_support.hpp"

using test_support::holding;
using test_support::readFile;

namespace {

GameState mainPage(std::int32_t cursor) {
    GameState state;
    state.scene = kMenuScene;
    state.menuPage = kMainPage;
    state.menuCursor = cursor;
    return state;
}

// Keys held on two passes in a row, the menu as the monkey sees it, and whether the second pass
// makes the menu act on the row in question.
struct RowChoiceCase {
    const char* name;
    HeldActions before;
    HeldActions now;
    GameState state;
    bool chosen;
};
}  // namespace

TEST(MonkeyRandom, IsFixedBySeedAndCoversItsRange) {
    MonkeyRandom a(42);
    MonkeyRandom b(42);
    MonkeyRandom c(43);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const std::uint64_t value = a.next();
        EXPECT_EQ(value, b.next());
        differs = differs || value != c.next();
    }
    EXPECT_TRUE(differs);
    // SplitMix64's first output for seed 0, as published with the generator.
    EXPECT_EQ(MonkeyRandom(0).next(), 0xE220A8397B1DCDAFull);

    std::set<std::int64_t> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t value = a.between(-2, 3);
        EXPECT_GE(value, -2);
        EXPECT_LE(value, 3);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 6u);
}

// The lowest ball on its way down is the one chased, until the paddle is within 2 pixels of it.
TEST(ChaseLowestBall, SteersUnderTheLowestFallingBallOutsideTheDeadZone) {
    const auto ball = [](float x, float y, float directionY) {
        return Ball{{x, y}, {1.0f, directionY}, 1.0f, 0, false};
    };
    struct Case {
        const char* name;
        std::vector<Ball> balls;
        std::optional<InputAction> key;
    };
    const Case cases[] = {
        {"no ball", {}, std::nullopt},
        {"only a rising ball", {ball(20.0f, 200.0f, -1.0f)}, std::nullopt},
        {"falling, far left", {ball(20.0f, 200.0f, 1.0f)}, InputAction::Left},
        {"falling, far right", {ball(220.0f, 200.0f, 1.0f)}, InputAction::Right},
        {"exactly 2 left", {ball(118.0f, 200.0f, 1.0f)}, InputAction::Left},
        {"exactly 2 right", {ball(122.0f, 200.0f, 1.0f)}, InputAction::Right},
        {"just inside on the left", {ball(118.5f, 200.0f, 1.0f)}, std::nullopt},
        {"just inside on the right", {ball(121.5f, 200.0f, 1.0f)}, std::nullopt},
        {"the lower of two falling",
         {ball(20.0f, 150.0f, 1.0f), ball(220.0f, 250.0f, 1.0f)},
         InputAction::Right},
        {"a rising ball lower still is no matter",
         {ball(20.0f, 150.0f, 1.0f), ball(220.0f, 280.0f, -1.0f)},
         InputAction::Left},
        {"the first of two level balls",
         {ball(20.0f, 150.0f, 1.0f), ball(220.0f, 150.0f, 1.0f)},
         InputAction::Left},
        {"a falling ball above the field", {ball(220.0f, -1.5f, 1.0f)}, InputAction::Right},
    };
    for (const Case& c : cases) {
        GameState state;
        state.scene = kStageScene;
        state.paddle = {120.0f, 290.0f};
        state.ballCount = static_cast<std::int32_t>(c.balls.size());
        for (std::size_t i = 0; i < c.balls.size(); ++i) {
            state.balls[i] = c.balls[i];
        }
        EXPECT_EQ(chaseLowestBall(state), c.key) << c.name;
    }
}

class MonkeyInMenu : public stage_support::InputTest {};

TEST_F(MonkeyInMenu, ExitIsChosenOnlyByANewConfirmLandingOnItsRow) {
    const HeldActions none = {};
    const RowChoiceCase cases[] = {
        {"Confirm on Exit", none, holding({InputAction::Confirm}), mainPage(2), true},
        {"Select shares Confirm's key", none, holding({InputAction::Select}), mainPage(2), true},
        {"Down onto Exit, then Confirm", none, holding({InputAction::Down, InputAction::Confirm}),
         mainPage(1), true},
        {"Up and Down together on Exit", none,
         holding({InputAction::Up, InputAction::Down, InputAction::Confirm}), mainPage(2), true},
        {"Up off Exit first", none, holding({InputAction::Up, InputAction::Confirm}), mainPage(2),
         false},
        {"Confirm already held", holding({InputAction::Confirm}), holding({InputAction::Confirm}),
         mainPage(2), false},
        {"Select held, Confirm added", holding({InputAction::Select}),
         holding({InputAction::Confirm, InputAction::Select}), mainPage(2), false},
        {"Down already held", holding({InputAction::Down}),
         holding({InputAction::Down, InputAction::Confirm}), mainPage(1), false},
        {"Confirm on Start", none, holding({InputAction::Confirm}), mainPage(0), false},
        {"no Confirm", none, holding({InputAction::Down}), mainPage(1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wouldChooseExit(c.before, c.now, c.state), c.chosen);
    }
    GameState options = mainPage(2);
    options.menuPage = kOptionsPage;
    EXPECT_FALSE(wouldChooseExit(none, holding({InputAction::Confirm}), options));
    GameState stage = mainPage(2);
    stage.scene = kStageScene;
    EXPECT_FALSE(wouldChooseExit(none, holding({InputAction::Confirm}), stage));
}

TEST_F(MonkeyInMenu, ApplyIsChosenOnlyByANewConfirmLandingOnItsRow) {
    const auto videoPage = [](std::int32_t cursor) {
        GameState state = mainPage(cursor);
        state.menuPage = kVideoPage;
        return state;
    };
    const HeldActions none = {};
    const RowChoiceCase cases[] = {
        {"Confirm on Apply", none, holding({InputAction::Confirm}), videoPage(3), true},
        {"Down onto Apply, then Confirm", none, holding({InputAction::Down, InputAction::Select}),
         videoPage(2), true},
        {"Up from Back onto Apply", none, holding({InputAction::Up, InputAction::Confirm}),
         videoPage(4), true},
        {"Confirm already held", holding({InputAction::Confirm}), holding({InputAction::Confirm}),
         videoPage(3), false},
        {"Confirm on Back", none, holding({InputAction::Confirm}), videoPage(4), false},
        {"Exit's row on the main page", none, holding({InputAction::Confirm}), mainPage(3), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wouldApplyDisplay(c.before, c.now, c.state), c.chosen);
    }
}

// The monkey against the real menu and stage updates, without drawing: it never quits, never
// applies display settings, and keeps finding its way into stages while every invariant holds.
TEST_F(MonkeyInMenu, PlaysTheRealScenesWithoutEverLeaving) {
    constexpr int kPasses = 200000;
    std::set<std::int32_t> pagesVisited;
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        changeScene(kMenuScene);
        Monkey monkey(seed);
        GameState previous;
        readGameState(previous);
        GameState current;
        int stagesStarted = 0;
        for (int pass = 0; pass < kPasses; ++pass) {
            updateInputs({monkey.next(previous), false, false});
            updateCurrentScene();
            ASSERT_FALSE(getQuit()) << "the monkey chose Exit on pass " << pass;
            readGameState(current);
            ASSERT_EQ(findBrokenInvariant(previous, current), "") << "pass " << pass;
            stagesStarted += previous.scene == kMenuScene && current.scene == kStageScene;
            if (current.scene == kMenuScene) {
                pagesVisited.insert(current.menuPage);
            }
            previous = current;
        }
        EXPECT_GE(stagesStarted, 2);
    }
    EXPECT_EQ(pagesVisited, (std::set<std::int32_t>{kMainPage, kOptionsPage, kVideoPage, kAudioPage,
                                                    kControlsPage}));
    const VideoLayout layout = getVideoLayout();
    EXPECT_EQ(layout.scaleRectangle.w, 0) << "display settings were applied";
    EXPECT_EQ(layout.textureRotation, 0) << "display settings were applied";
}

// From a fresh menu every seed ends up in a stage, some of them after turning away from Exit.
TEST_F(MonkeyInMenu, TurnsAwayFromExitAndStartsAStageInstead) {
    constexpr int kSeeds = 300;
    // The slowest of these seeds wanders the option pages for about five thousand passes.
    constexpr int kPassLimit = 20000;
    long long exitsAvoided = 0;
    for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
        changeScene(kMenuScene);
        Monkey monkey(seed);
        GameState seen;
        int pass = 0;
        while (getCurrentScene() == kMenuScene && pass < kPassLimit) {
            readGameState(seen);
            updateInputs({monkey.next(seen), false, false});
            updateCurrentScene();
            ASSERT_FALSE(getQuit()) << "seed " << seed << " chose Exit on pass " << pass;
            ++pass;
        }
        ASSERT_EQ(getCurrentScene(), kStageScene) << "seed " << seed << " is still in the menu";
        exitsAvoided += monkey.exitsAvoided();
    }
    EXPECT_GT(exitsAvoided, 0);
}

// Put on the video page's Apply row, the monkey changes choices and leaves but never applies.
TEST_F(MonkeyInMenu, NeverAppliesTheVideoPagesChoices) {
    const InputAction toApply[] = {InputAction::Down, InputAction::Confirm, InputAction::Confirm,
                                   InputAction::Down, InputAction::Down,    InputAction::Down};
    long long appliesAvoided = 0;
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        changeScene(kMenuScene);
        // Keys the last seed left down must come up first, or the next press is no press.
        updateInputs({{}, false, false});
        for (const InputAction action : toApply) {
            for (const bool down : {true, false}) {
                HeldActions held = {};
                held[static_cast<std::size_t>(action)] = down;
                updateInputs({held, false, false});
                updateCurrentScene();
            }
        }
        ASSERT_EQ(getMenuPage(), kVideoPage);
        ASSERT_EQ(getMenuCursor(), 3);
        Monkey monkey(seed);
        GameState seen;
        for (int pass = 0; pass < 200; ++pass) {
            readGameState(seen);
            updateInputs({monkey.next(seen), false, false});
            updateCurrentScene();
            ASSERT_EQ(getVideoLayout().scaleRectangle.w, 0)
                << "seed " << seed << " applied on pass " << pass;
        }
        appliesAvoided += monkey.appliesAvoided();
    }
    EXPECT_GT(appliesAvoided, 0);
}

#if BRICKFALL_TESTS_START_PROGRAMS
TEST(MonkeyProcess, ASeedPlaysTheSameGameEveryTime) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const auto run = [&directory](const char* seed, const std::string& trace) {
        return test_support::runProcess(
            {BRICKFALL_SIM_BINARY, "--monkey", seed, "--frames", "3000", "--trace", trace}, {},
            120.0);
    };
    const auto first = run("7", directory + "/first.jsonl");
    const auto again = run("7", directory + "/again.jsonl");
    const auto other = run("8", directory + "/other.jsonl");
    for (const auto* result : {&first, &again, &other}) {
        EXPECT_EQ(result->exitStatus, 0) << result->standardError;
        EXPECT_NE(result->standardError.find("passes 3000,"), std::string::npos)
            << result->standardError;
    }
    const std::string firstTrace = readFile(directory + "/first.jsonl");
    EXPECT_FALSE(firstTrace.empty());
    EXPECT_EQ(firstTrace, readFile(directory + "/again.jsonl"));
    EXPECT_NE(firstTrace, readFile(directory + "/other.jsonl"));
    EXPECT_NE(first.standardError.find("monkey seed 7: stages started "), std::string::npos)
        << first.standardError;
    test_support::removeDirectory(directory);
}

TEST(MonkeyProcess, WrongMonkeyArgumentsGiveTheUsageStatus) {
    const std::vector<std::vector<std::string>> cases = {
        {"--monkey", "1"},
        {"--monkey", "seven", "--frames", "10"},
        {"--monkey", "-1", "--frames", "10"},
        {"--monkey", "1", "--frames", "10", "--script", "play.script"},
        {"--monkey", "1", "--frames", "10", "--progress", "0"},
    };
    for (const auto& arguments : cases) {
        std::vector<std::string> command = {BRICKFALL_SIM_BINARY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const auto result = test_support::runProcess(command, {}, 60.0);
        EXPECT_EQ(result.exitStatus, 2) << arguments[1] << " " << arguments.back();
        EXPECT_NE(result.standardError.find("usage: brickfall-sim"), std::string::npos);
    }
}
#endif
