#include "game_replay.hpp"

#include <gtest/gtest.h>

namespace {
HeldActions only(std::initializer_list<InputAction> actions) {
    HeldActions held = {};
    for (InputAction action : actions) {
        held[static_cast<std::size_t>(action)] = true;
    }
    return held;
}
}  // namespace

TEST(SimScript, ReadsCountsActionsCommentsAndBlankLines) {
    const auto parsed = parseScript(
        "# serve and play\n"
        "\n"
        "3 Left\n"
        "  2 Right,Confirm   # two at once\r\n"
        "4 -\n"
        "1 Up, Down\n");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.script.steps.size(), 4u);
    EXPECT_EQ(parsed.script.length, 10);

    ScriptPlayer player(parsed.script);
    std::vector<HeldActions> passes;
    for (int pass = 0; pass < 12; ++pass) {
        passes.push_back(player.next().held);
    }
    const HeldActions left = only({InputAction::Left});
    const HeldActions rightConfirm = only({InputAction::Right, InputAction::Confirm});
    const HeldActions none = {};
    const std::vector<HeldActions> expected = {
        left, left, left, rightConfirm, rightConfirm,
        none, none, none, none,         only({InputAction::Up, InputAction::Down}),
        none, none};
    EXPECT_EQ(passes, expected);
}

TEST(SimScript, EveryActionNameIsKnown) {
    for (int action = 0; action < kInputActionCount; ++action) {
        const std::string text = std::string("1 ") + actionName(static_cast<InputAction>(action));
        const auto parsed = parseScript(text);
        ASSERT_TRUE(parsed.ok) << text;
        EXPECT_EQ(parsed.script.steps[0].held, only({static_cast<InputAction>(action)}));
    }
}

TEST(SimScript, MalformedLinesAreRejectedWithTheirLineNumber) {
    const struct {
        const char* text;
        int line;
    } cases[] = {
        {"1 Up\n0 Up\n", 2},
        {"x Up\n", 1},
        {"# fine\n\n5 Jump\n", 3},
        {"5\n", 1},
        {"5   # only a comment after the count\n", 1},
        {"1 -\n5 Up,,Down\n", 2},
        {"-3 Up\n", 1},
        {"99999999999999999999 Up\n", 1},
        {"2x Up\n", 1},
        {"1 up\n", 1},
        {"1 Up,\n", 1},
    };
    for (const auto& c : cases) {
        const auto parsed = parseScript(c.text);
        EXPECT_FALSE(parsed.ok) << c.text;
        EXPECT_EQ(parsed.errorLine, c.line) << c.text;
        EXPECT_FALSE(parsed.error.empty()) << c.text;
    }
}

TEST(SimScript, EmptyScriptHoldsNothing) {
    const auto parsed = parseScript("");
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.script.length, 0);
    ScriptPlayer player(parsed.script);
    EXPECT_EQ(player.next(), PassInput{});
}
