#include "frame_host.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_timer.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "output_file.hpp"
#include "play_session.hpp"
#include "test_support.hpp"
#include "video_presenting.hpp"

using test_support::holding;
using A = InputAction;

namespace {
// A producer that plays a fixed list of commands, then nothing.
class ListedCommands final : public InputProducer {
  public:
    explicit ListedCommands(std::vector<PassInput> commands) : commands_(std::move(commands)) {}
    PassInput next() override {
        return given_ < commands_.size() ? commands_[given_++] : PassInput{};
    }

  private:
    std::vector<PassInput> commands_;
    std::size_t given_ = 0;
};

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

class FrameHost : public ::testing::Test {
  protected:
    void SetUp() override {
        startUp();
        ASSERT_FALSE(getQuit());
    }
    void TearDown() override {
        setInputProducer(nullptr);
        setPassObserver(nullptr);
        shutDown();
    }
};

}  // namespace

TEST_F(FrameHost, TheProducersCommandIsThePassesOnlyInputButACloseStillQuits) {
    ListedCommands script({{holding({A::Right}), false, false}, {{}, true, false}, {}});
    setInputProducer(&script);
    // The player's keys, window and controllers move nothing while a producer fills the commands.
    test_support::pushActionKey(A::Left, true);
    test_support::pushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getPassInput(), (PassInput{holding({A::Right}), false, false}));
    test_support::pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_FALSE(runFramePass()) << "the script's minimised pass runs no frame";
    EXPECT_EQ(getPassInput(), (PassInput{{}, true, false}));
    test_support::pushQuit();
    EXPECT_TRUE(runFramePass());
    EXPECT_EQ(getPassInput(), PassInput{});
    EXPECT_TRUE(getQuit()) << "closing the window still ends a demo";

    // Without a producer the devices fill the command again, and Left is still held there.
    setInputProducer(nullptr);
    runFramePass();
    EXPECT_EQ(getPassInput(), (PassInput{holding({A::Left}), false, false}));
}

TEST_F(FrameHost, AHeldKeyAcrossAStallCountsEveryPassOfTheCatchUpAndIsDrawnOnce) {
    test_support::pushActionKey(A::Right, true);
    // However long start-up took, the stall below starts on a fresh cadence.
    frame_timer::restartCadence();
    const long long drawnBefore = getFieldsDrawn();
    SDL_Delay(60);  // about seven periods behind
    EXPECT_EQ(runDueFrames(), HostFrame::Drawn);
    const long long caughtUp = getFramesRun();
    EXPECT_GE(caughtUp, 7);
    EXPECT_LE(caughtUp, static_cast<long long>(frame_timer::kCatchUpLimitPeriods) + 1);
    const auto held = static_cast<std::int32_t>(caughtUp);
    EXPECT_EQ(inputHeld(A::Right, held - 1), 1) << "the timer counted every pass of the catch-up";
    EXPECT_EQ(inputHeld(A::Right, held), 0) << "and no more";
    EXPECT_LE(getFieldsDrawn() - drawnBefore, 1) << "the passes of one call are drawn once";
}

TEST_F(FrameHost, AMinimisedPassEndsTheCallAndTheTimeAwayIsNotMadeUp) {
    // A minimised window stops the call at the pass that finds it so.
    ListedCommands script({{}, {}, {{}, true, false}, {}, {}});
    setInputProducer(&script);
    frame_timer::restartCadence();
    SDL_Delay(60);
    EXPECT_EQ(runDueFrames(), HostFrame::Minimized);
    EXPECT_EQ(getFramesRun(), 2);
    // The next call starts a new cadence, so the 24 periods spent minimised are not made up.
    SDL_Delay(200);
    EXPECT_EQ(runDueFrames(), HostFrame::Drawn);
    const long long afterReturn = getFramesRun();
    EXPECT_GE(afterReturn, 3);
    EXPECT_LT(afterReturn, 2 + 12) << "not the periods waited";
    quitGame();
    EXPECT_EQ(runDueFrames(), HostFrame::Quit);
    EXPECT_EQ(getFramesRun(), afterReturn) << "no pass runs once the game has ended";
}

TEST_F(FrameHost, ADemosLastPassIsPlayedTracedAndEndsTheGame) {
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

TEST_F(FrameHost, TheRecordingHoldsTheCommandsThePassesTookAndReplaysToThem) {
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

TEST(OutputFile, AFinalRenameThatFailsLeavesNoPartialAndSaysSo) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string path = directory + "/out.trace";
    OutputFile output;
    ASSERT_TRUE(output.open(path.c_str(), "test", "trace"));
    std::fputs("a line\n", output.file());
    // The name asked for became a folder while the run went on.
    std::filesystem::create_directory(path);
    test_support::StandardErrorCapture capture;
    EXPECT_FALSE(output.commit());
    const std::string said = capture.finish();
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
    EXPECT_TRUE(std::filesystem::is_directory(path)) << "the folder is left as it was";
    EXPECT_EQ(said.rfind("test: could not write the trace " + path + ": ", 0), 0u) << said;
    test_support::removeDirectory(directory);
}

TEST(OutputFile, ACompleteFileTakesItsNameAndADiscardedOneLeavesNothing) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const struct {
        const char* name;
        bool keep;
    } cases[] = {{"kept", true}, {"discarded", false}};
    for (const auto& c : cases) {
        const std::string path = directory + "/" + c.name;
        {
            OutputFile output;
            ASSERT_TRUE(output.open(path.c_str(), "test", "trace"));
            std::fputs("whole\n", output.file());
            EXPECT_TRUE(std::filesystem::exists(path + ".partial")) << "written aside first";
            EXPECT_FALSE(std::filesystem::exists(path)) << c.name;
            if (c.keep) {
                EXPECT_TRUE(output.commit());
            }
        }
        EXPECT_EQ(std::filesystem::exists(path), c.keep) << c.name;
        EXPECT_FALSE(std::filesystem::exists(path + ".partial")) << c.name;
        if (c.keep) {
            EXPECT_EQ(test_support::readFile(path), "whole\n");
        }
    }
    test_support::removeDirectory(directory);
}

// What a page's "Save recording" writes mid-game: every pass so far, the run still in hand
// included, as a script that replays to them; and the recording itself goes on unchanged.
TEST_F(FrameHost, ARecordingSavedMidRunHoldsEveryPassSoFarAndTheRecordingGoesOn) {
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

TEST(OutputFile, WhatIsWrittenSoFarCanBeCopiedWhileTheFileGoesOn) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string path = directory + "/out.script";
    const std::string copyPath = directory + "/copy";
    const auto copyOf = [&copyPath](OutputFile& output) {
        std::FILE* copy = std::fopen(copyPath.c_str(), "wb");
        const bool copied = output.copyWrittenTo(copy);
        std::fclose(copy);
        return copied;
    };
    OutputFile output;
    EXPECT_FALSE(copyOf(output)) << "not open";
    ASSERT_TRUE(output.open(path.c_str(), "test", "recording"));
    EXPECT_TRUE(copyOf(output));
    EXPECT_EQ(test_support::readFile(copyPath), "") << "nothing written yet";
    // Longer than one read of the copy.
    const std::string line(5000, 'x');
    std::fputs((line + "\n").c_str(), output.file());
    EXPECT_TRUE(copyOf(output));
    EXPECT_EQ(test_support::readFile(copyPath), line + "\n");
    std::fputs("more\n", output.file());
    ASSERT_TRUE(output.commit());
    EXPECT_EQ(test_support::readFile(path), line + "\nmore\n");

    OutputFile standardOutput;
    ASSERT_TRUE(standardOutput.open("-", "test", "trace"));
    EXPECT_FALSE(copyOf(standardOutput)) << "standard output cannot be read back";
    EXPECT_TRUE(standardOutput.commit());
    test_support::removeDirectory(directory);
}

// A page asks for display frames only while the pictures change, so the host must say when a
// call left the window showing the same field: never after the field was drawn again.
TEST_F(FrameHost, APictureStandsStillOnlyWhenTheCallLeftTheWindowShowingAnUnchangedField) {
    struct Step {
        HeldActions held;
        bool still;
    };
    // On the title, Down moves the cursor once and the field is drawn again. The call after
    // comes too soon for the display (one picture every other pass at 60 Hz), so its picture is
    // skipped, unseen; the one after finds the window showing the unchanged field.
    const std::vector<Step> steps = {
        {{}, true}, {{}, true}, {holding({A::Down}), false}, {{}, false}, {{}, true}, {{}, true},
    };
    // Start-up's first pictures settle within a few calls.
    test_support::holdInPasses({});
    for (int call = 0; call < 10 && !isPictureStill(); ++call) {
        SDL_Delay(20);
        runDueFrames();
    }
    ASSERT_TRUE(isPictureStill()) << "the still title";
    for (std::size_t call = 0; call < steps.size(); ++call) {
        test_support::holdInPasses(steps[call].held);
        SDL_Delay(20);
        ASSERT_EQ(runDueFrames(), HostFrame::Drawn);
        EXPECT_EQ(isPictureStill(), steps[call].still) << "call " << call;
    }
}
