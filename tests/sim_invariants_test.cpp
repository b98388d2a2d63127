#include "sim_invariants.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "game_scene_manager.hpp"
#include "scene_menu.hpp"
#include "stage_support.hpp"

namespace {
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A stage a little way in: a full wall less its first block, one ball in flight, one coin.
GameState playingState() {
    GameState s;
    s.scene = kStageScene;
    s.score = 100;
    s.highScore = 300;
    s.paddle = {120.0f, 290.0f};
    s.blockCount = 299;
    for (std::int32_t i = 0; i < s.blockCount; ++i) {
        const std::int32_t cell = i + 1;
        s.blocks[static_cast<std::size_t>(i)] = {
            kFirstBlock.x + static_cast<float>(kBlockWidth * (cell % kWallColumns)),
            kFirstBlock.y + static_cast<float>(kBlockHeight * (cell / kWallColumns))};
    }
    s.ballCount = 1;
    s.balls[0] = {{100.0f, 200.0f}, {1.0f, -1.0f}, 1.02f, 1, false};
    s.coinCount = 1;
    s.coins[0] = {8.0f, 32.0f};
    return s;
}

struct Case {
    const char* name;
    std::function<void(GameState& previous, GameState& current)> change;
    const char* expected;  // part of the report; empty when every invariant holds
};

void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GameState previous = playingState();
        GameState current = playingState();
        c.change(previous, current);
        const std::string broken = findBrokenInvariant(previous, current);
        if (c.expected[0] == '\0') {
            EXPECT_EQ(broken, "");
        } else {
            EXPECT_NE(broken.find(c.expected), std::string::npos) << "reported: " << broken;
        }
    }
}

void removeFirstBlock(GameState& s) {
    s.blocks[0] = s.blocks[static_cast<std::size_t>(s.blockCount - 1)];
    --s.blockCount;
}
}  // namespace

TEST(SimInvariants, PlayWithinTheRulesBreaksNothing) {
    expectCases({
        {"an unchanged pass", [](GameState&, GameState&) {}, ""},
        {"a struck block", [](GameState&, GameState& c) { removeFirstBlock(c); }, ""},
        {"a full field",
         [](GameState&, GameState& c) {
             c.ballCount = kBallCapacity;
             c.coinCount = kCoinCapacity;
         },
         ""},
        {"the paddle at both ends",
         [](GameState& p, GameState& c) {
             p.paddle.x = 14.0f;
             c.paddle.x = 226.0f;
         },
         ""},
        {"a new stage lays out the whole wall again",
         [](GameState& p, GameState& c) {
             p.scene = kMenuScene;
             removeFirstBlock(p);
             c.blockCount = 300;
             c.blocks[299] = {8.0f, 32.0f};
             c.score = 0;
         },
         ""},
        {"the last row of every page",
         [](GameState&, GameState& c) {
             c.scene = kMenuScene;
             c.menuPage = kVideoPage;
             c.menuCursor = 4;
             c.menuWindowMode = 2;
             c.menuScaleType = 2;
             c.menuRotation = 3;
         },
         ""},
    });
}

TEST(SimInvariants, EachBrokenRuleIsNamed) {
    expectCases({
        {"too many balls", [](GameState&, GameState& c) { c.ballCount = 11; }, "ball count 11"},
        {"negative coins", [](GameState&, GameState& c) { c.coinCount = -1; }, "coin count -1"},
        {"too many blocks", [](GameState&, GameState& c) { c.blockCount = 301; },
         "block count 301"},
        {"a ball at infinity", [](GameState&, GameState& c) { c.balls[0].position.x = kInfinity; },
         "ball 0 not finite"},
        {"a ball with no speed", [](GameState&, GameState& c) { c.balls[0].speed = kNaN; },
         "ball 0 not finite"},
        {"a NaN direction", [](GameState&, GameState& c) { c.balls[0].direction.y = kNaN; },
         "ball 0 not finite"},
        {"a coin nowhere", [](GameState&, GameState& c) { c.coins[0].y = kNaN; },
         "coin 0 position"},
        {"the paddle off the left", [](GameState&, GameState& c) { c.paddle.x = 13.0f; },
         "paddle x 13 outside 14 to 226"},
        {"the paddle off the right", [](GameState&, GameState& c) { c.paddle.x = 228.0f; },
         "paddle x 228"},
        {"the paddle off its line", [](GameState&, GameState& c) { c.paddle.y = 289.0f; },
         "paddle y 289"},
        {"hi-score behind the score", [](GameState&, GameState& c) { c.score = 301; },
         "hi-score 300 below score 301"},
        {"hi-score falling", [](GameState& p, GameState&) { p.highScore = 400; },
         "hi-score fell from 400 to 300"},
        {"a negative score", [](GameState&, GameState& c) { c.score = -52; },
         "score -52 below zero"},
        {"an unknown scene", [](GameState&, GameState& c) { c.scene = 2; }, "scene 2"},
        {"an unknown page", [](GameState&, GameState& c) { c.menuPage = 5; },
         "menu page 5 outside 0 to 4"},
        {"the cursor off the controls page's one row",
         [](GameState&, GameState& c) {
             c.menuPage = 4;
             c.menuCursor = 1;
         },
         "menu cursor 1 outside 0 to 0 on page 4"},
        {"the cursor below the main page", [](GameState&, GameState& c) { c.menuCursor = 3; },
         "menu cursor 3 outside 0 to 2 on page 0"},
        {"the cursor above the first row", [](GameState&, GameState& c) { c.menuCursor = -1; },
         "menu cursor -1"},
        {"a fourth window mode", [](GameState&, GameState& c) { c.menuWindowMode = 3; },
         "window mode 3"},
        {"a fourth scale type", [](GameState&, GameState& c) { c.menuScaleType = 3; },
         "scale type 3"},
        {"a fifth rotation", [](GameState&, GameState& c) { c.menuRotation = 4; }, "rotation 4"},
    });
}

TEST(SimInvariants, BlocksNeverComeBackWithinAStage) {
    expectCases({
        {"a struck block back in its cell", [](GameState& p, GameState&) { removeFirstBlock(p); },
         "block count rose from 298 to 299"},
        {"a struck block back in place of another",
         [](GameState&, GameState& c) {
             c.blocks[5] = {8.0f, 32.0f};
         },
         "block at (8, 32) reappeared"},
        {"the wall restored in the menu",
         [](GameState& p, GameState& c) {
             p.scene = kMenuScene;
             c.scene = kMenuScene;
             c.blockCount = 300;
             c.blocks[299] = {8.0f, 32.0f};
         },
         "block count rose"},
        {"one block twice", [](GameState&, GameState& c) { c.blocks[1] = c.blocks[0]; },
         "is live twice"},
        {"a block between cells", [](GameState&, GameState& c) { c.blocks[3].x += 0.5f; },
         "block 3 at (72.5, 32) is not on the wall"},
        {"a block below the wall", [](GameState&, GameState& c) { c.blocks[3].y = 192.0f; },
         "not on the wall"},
    });
}

class SimInvariantsInGame : public stage_support::InputTest {};

TEST_F(SimInvariantsInGame, ReadsTheLiveGameAndCatchesARestoredWall) {
    changeScene(kStageScene);
    GameState before;
    readGameState(before);
    EXPECT_EQ(before.scene, kStageScene);
    EXPECT_EQ(before.blockCount, kBlockCapacity);
    ASSERT_EQ(before.ballCount, 1);
    EXPECT_EQ(before.balls[0].position.x, 120.0f);
    EXPECT_EQ(before.balls[0].position.y, 280.0f);
    EXPECT_EQ(before.paddle.x, 120.0f);

    removeBlock(0);
    addCoin({8.0f, 32.0f});
    GameState struck;
    readGameState(struck);
    EXPECT_EQ(struck.blockCount, kBlockCapacity - 1);
    EXPECT_EQ(struck.coinCount, 1);
    EXPECT_EQ(findBrokenInvariant(before, struck), "");

    initializeBlocks();
    GameState restored;
    readGameState(restored);
    EXPECT_NE(findBrokenInvariant(struck, restored).find("block count rose from 299 to 300"),
              std::string::npos);

    changeScene(kMenuScene);
    GameState menu;
    readGameState(menu);
    changeScene(kStageScene);
    GameState newStage;
    readGameState(newStage);
    EXPECT_EQ(findBrokenInvariant(menu, newStage), "") << "a new stage brings the wall back";
}
