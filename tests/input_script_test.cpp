#include "input_script.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.hpp"

using test_support::holding;

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
    const HeldActions left = holding({InputAction::Left});
    const HeldActions rightConfirm = holding({InputAction::Right, InputAction::Confirm});
    const HeldActions none = {};
    const std::vector<HeldActions> expected = {
        left, left, left, rightConfirm, rightConfirm,
        none, none, none, none,         holding({InputAction::Up, InputAction::Down}),
        none, none};
    EXPECT_EQ(passes, expected);
}

TEST(SimScript, EveryActionNameIsKnown) {
    for (int action = 0; action < kInputActionCount; ++action) {
        const std::string text = std::string("1 ") + actionName(static_cast<InputAction>(action));
        const auto parsed = parseScript(text);
        ASSERT_TRUE(parsed.ok) << text;
        EXPECT_EQ(parsed.script.steps[0].held, holding({static_cast<InputAction>(action)}));
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

TEST(SimScript, CountsRunFromOneToOneThousandMillion) {
    const struct {
        const char* text;
        bool ok;
        std::int64_t length;
    } cases[] = {
        {"1 Up\n", true, 1},
        {"1000000000 Up\n", true, 1'000'000'000},
        {"1000000000 Up\n1000000000 -\n", true, 2'000'000'000},
        {"0 Up\n", false, 0},
        {"1000000001 Up\n", false, 0},
    };
    for (const auto& c : cases) {
        const auto parsed = parseScript(c.text);
        EXPECT_EQ(parsed.ok, c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(parsed.script.length, c.length) << c.text;
        } else {
            EXPECT_EQ(parsed.error, "COUNT must be a whole number from 1 to 1000000000") << c.text;
        }
    }
}

TEST(SimScript, TheVersionLineIsTheFirstOfTheOpeningCommentsToNameOne) {
    const struct {
        const char* text;
        bool ok;
        int version;
        int errorLine;
        const char* error;
    } cases[] = {
        {"# brickfall input script 2\n3 Up\n", true, 2, 0, ""},
        {"# brickfall input script 2  \r\n3 Up\n", true, 2, 0, ""},
        {"# brickfall input script 1\n3 Up\n", true, 1, 0, ""},
        {"3 Up\n", true, 1, 0, ""},
        {"# a recording\n3 Up\n", true, 1, 0, ""},
        {"3 Up\n# brickfall input script 2\n", true, 1, 0, ""},
        // As the recorder of game 1.x wrote it: two comments of its own, then the version.
        {"# brickfall 1.4.0: what was held\n# play it back\n# brickfall input script 2\n3 Up\n",
         true, 2, 0, ""},
        {"# notes\n\n# brickfall input script 2\n3 Up\n", true, 2, 0, ""},
        {"# brickfall input script 1\n# brickfall input script 2\n3 Up\n", true, 1, 0, ""},
        {"# brickfall input script 3\n3 Up\n", false, 0, 1,
         "input script version 3 is newer than this brickfall reads (2 and earlier)"},
        {"# one\n# two\n# brickfall input script 3\n3 Up\n", false, 0, 3,
         "input script version 3 is newer than this brickfall reads (2 and earlier)"},
        {"# brickfall input script 0\n3 Up\n", false, 0, 1,
         "the version line must name a whole number: # brickfall input script 2"},
        {"# brickfall input script two\n3 Up\n", false, 0, 1,
         "the version line must name a whole number: # brickfall input script 2"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseScript(c.text);
        EXPECT_EQ(parsed.ok, c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(parsed.script.version, c.version) << c.text;
            EXPECT_EQ(parsed.script.length, 3) << c.text;
        } else {
            EXPECT_EQ(parsed.errorLine, c.errorLine) << c.text;
            EXPECT_EQ(parsed.error, c.error) << c.text;
        }
    }
}

TEST(SimScript, EmptyScriptHoldsNothing) {
    const auto parsed = parseScript("");
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.script.length, 0);
    ScriptPlayer player(parsed.script);
    EXPECT_EQ(player.next(), PassInput{});
}

TEST(SimScript, MinimizedAndUnpluggedMarkPassesOfAMinimisedWindowAndARemovedController) {
    const struct {
        const char* text;
        HeldActions held;
        bool minimized;
        bool unplugged;
    } cases[] = {
        {"3 Minimized\n", {}, true, false},
        {"3 Left,Minimized\n", holding({InputAction::Left}), true, false},
        {"3 Minimized, Up , Down\n", holding({InputAction::Up, InputAction::Down}), true, false},
        {"3 Unplugged\n", {}, false, true},
        {"3 Right,Unplugged,Minimized\n", holding({InputAction::Right}), true, true},
        {"3 Left\n", holding({InputAction::Left}), false, false},
        {"3 -\n", {}, false, false},
    };
    for (const auto& c : cases) {
        const auto parsed = parseScript(c.text);
        ASSERT_TRUE(parsed.ok) << c.text << parsed.error;
        ScriptPlayer player(parsed.script);
        for (int pass = 0; pass < 3; ++pass) {
            EXPECT_EQ(player.next(), (PassInput{c.held, c.minimized, c.unplugged})) << c.text;
        }
        EXPECT_EQ(player.next(), PassInput{}) << c.text << ": the window is back after the end";
    }
    for (const char* malformed : {"1 -,Minimized\n", "1 minimized\n", "1 Minimized,\n",
                                  "1 unplugged\n", "1 -,Unplugged\n"}) {
        EXPECT_FALSE(parseScript(malformed).ok) << malformed;
    }
}

TEST(SimScript, AnUnknownActionIsReportedWithEveryKnownName) {
    const auto parsed = parseScript("1 Jump\n");
    ASSERT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find("unknown action 'Jump'"), std::string::npos) << parsed.error;
    for (int action = 0; action < kInputActionCount; ++action) {
        const char* name = actionName(static_cast<InputAction>(action));
        EXPECT_NE(parsed.error.find(name), std::string::npos) << name << ": " << parsed.error;
    }
    EXPECT_NE(parsed.error.find("Minimized"), std::string::npos) << parsed.error;
    EXPECT_NE(parsed.error.find("Unplugged"), std::string::npos) << parsed.error;
}

namespace {
std::string record(const std::vector<PassInput>& passes, std::string_view comment = "") {
    std::FILE* out = std::tmpfile();
    ScriptRecorder recorder(out, comment);
    for (const PassInput& pass : passes) {
        recorder.note(pass);
    }
    recorder.finish();
    std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    return text;
}
}  // namespace

TEST(SimScript, RecordingWritesRunsThatPlayBackPassForPass) {
    const PassInput none = {};
    const PassInput left = {holding({InputAction::Left}), false};
    const PassInput chord = {
        holding({InputAction::Right, InputAction::Confirm, InputAction::Pause}), false};
    const PassInput minimisedLeft = {holding({InputAction::Left}), true};
    const PassInput minimised = {{}, true};
    const PassInput unpluggedLeft = {holding({InputAction::Left}), false, true};
    const PassInput unpluggedMinimised = {{}, true, true};
    const std::vector<PassInput> passes = {
        none,      none, left,  left,          left,          chord, minimisedLeft,
        minimised, none, chord, unpluggedLeft, unpluggedLeft, left,  unpluggedMinimised,
        none};
    const std::string text = record(passes);
    EXPECT_EQ(text,
              "# brickfall input script 2\n"
              "2 -\n3 Left\n1 Right,Confirm,Pause\n1 Left,Minimized\n1 Minimized\n1 -\n"
              "1 Right,Confirm,Pause\n2 Left,Unplugged\n1 Left\n1 Minimized,Unplugged\n1 -\n");
    const auto parsed = parseScript(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.script.length, static_cast<std::int64_t>(passes.size()));
    ScriptPlayer player(parsed.script);
    for (std::size_t pass = 0; pass < passes.size(); ++pass) {
        EXPECT_EQ(player.next(), passes[pass]) << "pass " << pass + 1;
    }
    EXPECT_EQ(parsed.script.version, kScriptVersion);
    EXPECT_EQ(record({}), "# brickfall input script 2\n") << "no passes, only the version";
}

TEST(SimScript, ARecordingOpensWithItsVersionAndThenItsComment) {
    const std::string text = record({PassInput{}}, "brickfall 9.9: a game\nplay it back");
    EXPECT_EQ(text, "# brickfall input script 2\n# brickfall 9.9: a game\n# play it back\n1 -\n");
    const auto parsed = parseScript(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.script.version, kScriptVersion);
}

TEST(SimScript, LoadingNamesTheFileAndWhatIsWrongWithIt) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const auto write = [&](const char* name, const char* text) {
        const std::string path = directory + "/" + name;
        std::FILE* file = std::fopen(path.c_str(), "w");
        std::fputs(text, file);
        std::fclose(file);
        return path;
    };
    // The system's own words: Windows will not open a folder as a file at all.
#if defined(_WIN32)
    constexpr char kFolderMessage[] = "Permission denied";
#else
    constexpr char kFolderMessage[] = "Is a directory";
#endif
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {directory, kFolderMessage},
        {directory + "/absent.script", "No such file or directory"},
        {write("empty.script", ""), "holds no passes"},
        {write("comments.script", "# nothing but a comment\n\n"), "holds no passes"},
        {write("bad.script", "2 Left\n1 Jump\n"), "bad.script:2: unknown action 'Jump'"},
    };
    for (const auto& c : cases) {
        Script script;
        std::string error;
        EXPECT_FALSE(loadScript(c.path.c_str(), script, error)) << c.path;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
    }
    Script script;
    std::string error;
    ASSERT_TRUE(loadScript(write("good.script", "2 Left\n1 Minimized\n").c_str(), script, error))
        << error;
    EXPECT_EQ(script.length, 3);
    test_support::removeDirectory(directory);
}
