#include "play_session.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "frame_host.hpp"
#include "test_support.hpp"

using test_support::holding;
using A = InputAction;

namespace {
// A session that records to `path`, its comment "a comment".
SessionOptions recordingTo(const std::string& path) {
    SessionOptions options;
    options.program = "test";
    options.recordPath = path.c_str();
    options.recordingComment = "a comment";
    return options;
}

Script loadRecording(const std::string& path) {
    Script script;
    std::string error;
    EXPECT_TRUE(loadScript(path.c_str(), script, error)) << error;
    return script;
}

// The script plays the first `passes` commands, pass by pass.
void expectPlays(const Script& script, const std::vector<PassInput>& commands, std::size_t passes) {
    ScriptPlayer player(script);
    for (std::size_t pass = 0; pass < passes; ++pass) {
        EXPECT_EQ(player.next(), commands[pass]) << "pass " << pass + 1;
    }
}

using Session = test_support::GameFixture;

}  // namespace

TEST_F(Session, ADemosLastPassIsPlayedTracedAndEndsTheGame) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string demo = directory + "/demo.script";
    const std::string trace = directory + "/trace";
    std::ofstream(demo) << "# brickfall input script 2\n1 Confirm\n3 Right\n2 Minimized\n1 Left\n";
    PlaySession session;
    SessionOptions options;
    options.program = "test";
    options.demoPath = demo.c_str();
    options.tracePath = trace.c_str();
    options.endAfterDemo = true;
    ASSERT_EQ(session.open(options), SessionOpened::Ready);
    setInputProducer(&session.demo());
    setPassObserver(&session);
    int passes = 0;
    while (!getQuit() && passes < 100) {
        runFramePass();
        ++passes;
    }
    EXPECT_EQ(passes, 7) << "the game ends after the script's last pass, not before or later";
    EXPECT_EQ(getPassInput(), (PassInput{holding({A::Left}), false, false}))
        << "the last pass took the script's last command";
    ASSERT_TRUE(session.finish(true));
    const std::vector<std::string> lines = test_support::readLines(trace);
    ASSERT_EQ(lines.size(), 5u) << "a line for each pass but the two minimised ones";
    EXPECT_EQ(lines.back().rfind("{\"frame\":7,\"scene\":1,", 0), 0u) << lines.back();
    test_support::removeDirectory(directory);
}

TEST_F(Session, TheRecordingHoldsTheCommandsThePassesTookAndReplaysToThem) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string recording = directory + "/recording.script";
    PlaySession session;
    ASSERT_EQ(session.open(recordingTo(recording)), SessionOpened::Ready);
    setPassObserver(&session);
    // Return, a tap inside one pass, a key held over three passes, a minimised pass.
    std::vector<PassInput> taken;
    const auto pass = [&taken] {
        runFramePass();
        taken.push_back(getPassInput());
    };
    test_support::pushActionKey(A::Confirm, true);
    pass();
    test_support::pushActionKey(A::Confirm, false);
    test_support::pushActionKey(A::Left, true);
    test_support::pushActionKey(A::Left, false);
    pass();
    test_support::pushActionKey(A::Right, true);
    pass();
    pass();
    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    pass();
    test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    test_support::pushActionKey(A::Right, false);
    pass();
    setPassObserver(nullptr);
    ASSERT_TRUE(session.finish(true));

    const std::string text = test_support::readFile(recording);
    EXPECT_EQ(text,
              "# brickfall input script 2\n# a comment\n1 Confirm,Select\n1 -\n2 Right\n"
              "1 Right,Minimized\n1 -\n");
    expectPlays(loadRecording(recording), taken, taken.size());
    test_support::removeDirectory(directory);
}

// What a page's "Save recording" writes mid-game: every pass so far, the run still in hand
// included, as a script that replays to them; and the recording itself goes on unchanged.
TEST_F(Session, ARecordingSavedMidRunHoldsEveryPassSoFarAndTheRecordingGoesOn) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string recording = directory + "/recording.script";
    PlaySession session;
    ASSERT_EQ(session.open(recordingTo(recording)), SessionOpened::Ready);
    const PassInput right = {holding({A::Right}), false, false};
    const PassInput minimised = {{}, true, false};
    const std::vector<PassInput> commands = {right, right, {}, minimised, right, right, right};
    // Saved after each pass: a run in hand that a save splits, and saves at a run's first pass.
    for (std::size_t played = 1; played <= commands.size(); ++played) {
        updateInputs(commands[played - 1]);
        session.passEnded(!commands[played - 1].minimized);
        SCOPED_TRACE("saved after pass " + std::to_string(played));
        const std::string saved = directory + "/saved.script";
        ASSERT_TRUE(session.saveRecordingSoFar(saved.c_str()));
        const Script script = loadRecording(saved);
        EXPECT_EQ(script.version, kScriptVersion);
        ASSERT_EQ(script.length, static_cast<std::int64_t>(played));
        expectPlays(script, commands, played);
    }
    ASSERT_TRUE(session.finish(true));
    EXPECT_EQ(test_support::readFile(recording),
              "# brickfall input script 2\n# a comment\n2 Right\n1 -\n1 Minimized\n3 Right\n")
        << "the saves left the recording's runs whole";
    test_support::removeDirectory(directory);
}

// Each output is committed whatever became of the other: one that cannot be written under its
// name says so, and the other is still left whole under its own.
TEST_F(Session, AnOutputThatCannotBeWrittenLeavesTheOtherWholeUnderItsName) {
    const struct {
        const char* name;
        bool recordingBlocked;
    } cases[] = {{"the recording blocked", true}, {"the trace blocked", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string directory = test_support::makeTemporaryDirectory();
        const std::string recording = directory + "/recording.script";
        const std::string trace = directory + "/trace";
        SessionOptions options = recordingTo(recording);
        options.tracePath = trace.c_str();
        PlaySession session;
        ASSERT_EQ(session.open(options), SessionOpened::Ready);
        setPassObserver(&session);
        test_support::holdInPasses(holding({A::Down}));
        for (int pass = 0; pass < 3; ++pass) {
            runFramePass();
        }
        setPassObserver(nullptr);
        // The name asked for became a folder while the run went on.
        const std::string blocked = c.recordingBlocked ? recording : trace;
        std::filesystem::create_directory(blocked);
        test_support::StandardErrorCapture capture;
        EXPECT_FALSE(session.finish(true));
        EXPECT_NE(capture.finish().find("could not write the"), std::string::npos);
        EXPECT_TRUE(std::filesystem::is_directory(blocked)) << "the folder is left as it was";
        if (c.recordingBlocked) {
            EXPECT_EQ(test_support::readLines(trace).size(), 3u) << "a line for each pass";
        } else {
            EXPECT_EQ(test_support::readFile(recording),
                      "# brickfall input script 2\n# a comment\n3 Down\n");
        }
        for (const std::string& output : {recording, trace}) {
            EXPECT_FALSE(std::filesystem::exists(output + ".partial")) << output;
        }
        test_support::removeDirectory(directory);
    }
}
