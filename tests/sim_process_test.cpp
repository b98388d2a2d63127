#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game_constants.hpp"
#include "input_script.hpp"
#include "test_support.hpp"

using test_support::contains;

namespace {
struct SimRun {
    test_support::ProcessResult process;
    std::vector<std::string> trace;
};

// Runs brickfall-sim on a script, tracing into a file, and returns the trace's lines.
SimRun runSim(const std::string& script, std::vector<std::string> extraArguments = {}) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string scriptPath = directory + "/play.script";
    const std::string tracePath = directory + "/trace.jsonl";
    std::ofstream(scriptPath) << script;
    std::vector<std::string> arguments = {BRICKFALL_SIM_BINARY, "--script", scriptPath, "--trace",
                                          tracePath};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    SimRun run;
    run.process = test_support::runProcess(arguments, {}, 120.0);
    std::ifstream trace(tracePath);
    for (std::string line; std::getline(trace, line);) {
        run.trace.push_back(line);
    }
    test_support::removeDirectory(directory);
    return run;
}
}  // namespace

TEST(Sim, TracesEveryPassFromTheMenu) {
    const SimRun run = runSim("3 -\n");
    EXPECT_EQ(run.process.exitStatus, 0) << run.process.standardError;
    ASSERT_EQ(run.trace.size(), 3u);
    for (std::size_t i = 0; i < run.trace.size(); ++i) {
        const std::string& line = run.trace[i];
        EXPECT_EQ(line.rfind("{\"frame\":" + std::to_string(i + 1) + ",\"scene\":0,", 0), 0u)
            << line;
        EXPECT_TRUE(contains(line, "\"menu\":[0,0,0,0,0]}")) << line;
    }
}

TEST(Sim, StartDrawsAFreshStageInTheSamePass) {
    const SimRun run = runSim("1 Confirm\n2 -\n");
    EXPECT_EQ(run.process.exitStatus, 0) << run.process.standardError;
    ASSERT_EQ(run.trace.size(), 3u);
    const std::string& first = run.trace[0];
    EXPECT_TRUE(contains(first, "\"scene\":1,\"score\":0,")) << first;
    EXPECT_TRUE(contains(first, "\"paddle\":[120,")) << first;
    EXPECT_TRUE(contains(first, "\"blocks\":300,")) << first;
    EXPECT_TRUE(contains(first, "\"balls\":[[120,280,")) << first;
    EXPECT_TRUE(contains(first, "\"coins\":[]")) << first;
}

TEST(Sim, ExitStopsAfterThePassThatChoseIt) {
    const SimRun run = runSim("1 Down\n1 -\n1 Down\n1 -\n1 Confirm\n20 -\n");
    EXPECT_EQ(run.process.exitStatus, 0) << run.process.standardError;
    EXPECT_EQ(run.trace.size(), 5u);
}

TEST(Sim, MalformedScriptIsRejectedBeforeAnyPass) {
    const SimRun run = runSim("10 -\n2 Left\n3 Jump\n");
    EXPECT_NE(run.process.exitStatus, 0);
    EXPECT_TRUE(contains(run.process.standardError, ":3: unknown action 'Jump'"))
        << run.process.standardError;
    EXPECT_TRUE(run.trace.empty());
}

TEST(Sim, AVersionOneScriptPlaysWithAWarningAndALaterVersionIsRefused) {
    const struct {
        const char* script;
        bool plays;
        const char* message;
    } cases[] = {
        {"10 -\n", true, "warning: "},
        {"# brickfall input script 1\n10 -\n", true, "warning: "},
        {"# brickfall input script 2\n10 -\n", true, nullptr},
        {"# brickfall input script 3\n10 -\n", false, ":1: input script version 3 is newer"},
    };
    for (const auto& c : cases) {
        const SimRun run = runSim(c.script);
        EXPECT_EQ(run.process.exitStatus == 0, c.plays) << c.script;
        EXPECT_EQ(run.trace.size(), c.plays ? 10u : 0u) << c.script;
        if (c.message == nullptr) {
            EXPECT_FALSE(contains(run.process.standardError, "warning"))
                << run.process.standardError;
        } else {
            EXPECT_TRUE(contains(run.process.standardError, c.message))
                << run.process.standardError;
        }
        if (c.plays && c.message != nullptr) {
            EXPECT_TRUE(contains(run.process.standardError, "version-1 input script"))
                << run.process.standardError;
        }
    }
}

TEST(Sim, WrongArgumentsGiveANonZeroStatus) {
    const std::vector<std::vector<std::string>> cases = {
        {"--frames"}, {"--frames", "ten"}, {"--snapshot", "0:x.png"}, {"--bogus", "1"}};
    for (const auto& arguments : cases) {
        std::vector<std::string> command = {BRICKFALL_SIM_BINARY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const auto result = test_support::runProcess(command, {}, 60.0);
        EXPECT_EQ(result.exitStatus, 2) << arguments[0];
    }
}

TEST(Sim, SnapshotsThePlayFieldAfterThePassRenders) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string picture = directory + "/menu.png";
    const SimRun run = runSim("2 -\n", {"--snapshot", "2:" + picture});
    EXPECT_EQ(run.process.exitStatus, 0) << run.process.standardError;
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(picture.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, kPlayFieldWidth);
    EXPECT_EQ(height, kPlayFieldHeight);
    // The menu's first label, "Start", lies on the row at y = 80: something is drawn there.
    int lit = 0;
    for (int y = 80; y < 88; ++y) {
        for (int x = 84; x < 130; ++x) {
            const stbi_uc* pixel = pixels + (y * width + x) * 4;
            lit += (pixel[0] | pixel[1] | pixel[2]) != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 0);
    stbi_image_free(pixels);
    test_support::removeDirectory(directory);
}

TEST(Sim, MissingSheetEndsStartUpWithoutAPass) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string sim = test_support::stageProgramIn(BRICKFALL_SIM_BINARY, directory, false);
    const auto result = test_support::runProcess({sim, "--frames", "10"}, {}, 60.0);
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_TRUE(contains(result.standardError, "FILE LOADING ERROR")) << result.standardError;
    EXPECT_TRUE(contains(result.standardError, "passes 0,")) << result.standardError;
    test_support::removeDirectory(directory);
}

TEST(Sim, AWholeGameStaysUnder32MiBResident) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine dwarf the game's own";
#endif
    // Start, leave the served ball alone until it is lost (pass 345), then Exit on pass 606.
    const SimRun run = runSim("1 Confirm\n600 -\n1 Down\n1 -\n1 Down\n1 -\n1 Confirm\n10 -\n");
    EXPECT_EQ(run.process.exitStatus, 0) << run.process.standardError;
    ASSERT_EQ(run.trace.size(), 606u) << "Exit ends the game after its pass";
    EXPECT_TRUE(contains(run.trace[343], "\"scene\":1,")) << run.trace[343];
    EXPECT_TRUE(contains(run.trace[344], "\"scene\":0,")) << run.trace[344];

    const std::string& report = run.process.standardError;
    const std::string key = "peak resident memory ";
    const std::size_t at = report.find(key);
    ASSERT_NE(at, std::string::npos) << report;
    const long kibibytes = std::strtol(report.c_str() + at + key.size(), nullptr, 10);
    EXPECT_GT(kibibytes, 0);
    EXPECT_LT(kibibytes, 32 * 1024) << "KiB at peak";
}

// The game itself, headless and in real time: a demo it plays is recorded and traced, and
// brickfall-sim replays both the demo and the recording to the very same trace.
TEST(Sim, ADemoPlaysLikeTheSimulatorAndItsRecordingReplaysToTheSameTrace) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string demo = directory + "/demo.script";
    const std::string recording = directory + "/recorded.script";
    const std::string gameTrace = directory + "/game.trace";
    // Pause goes down in a minimised pass: its timer runs while the window is away, so when
    // the window is back the press is no longer new and the stage never pauses.
    // Return holds Confirm and Select, so the recording names both.
    std::ofstream(demo) << "# brickfall input script 2\n1 Confirm,Select\n119 -\n40 Left\n20 "
                           "Left,Minimized\n20 Minimized\n"
                           "1 Pause,Minimized\n30 Pause\n1 -\n1 Right\n8 -\n";
    constexpr std::size_t kPasses = 241;
    constexpr std::size_t kMinimisedPasses = 41;
    const auto game = test_support::runProcess(
        {BRICKFALL_GAME_BINARY, "--demo", demo, "--record", recording, "--trace", gameTrace},
        test_support::kHeadlessEnvironment, 60.0);
    ASSERT_EQ(game.exitStatus, 0) << game.standardError;
    EXPECT_FALSE(std::filesystem::exists(recording + ".partial"));
    const std::vector<std::string> traced = test_support::readLines(gameTrace);
    ASSERT_EQ(traced.size(), kPasses - kMinimisedPasses) << "a line for each frame run";
    EXPECT_EQ(traced.back().rfind("{\"frame\":" + std::to_string(kPasses) + ",\"scene\":1,", 0), 0u)
        << traced.back();
    for (const std::string& line : traced) {
        ASSERT_FALSE(contains(line, "\"paused\":true")) << line;
    }

    Script played;
    Script recorded;
    std::string error;
    ASSERT_TRUE(loadScript(demo.c_str(), played, error)) << error;
    ASSERT_TRUE(loadScript(recording.c_str(), recorded, error)) << error;
    ASSERT_EQ(recorded.length, played.length);
    EXPECT_EQ(test_support::readLines(recording).front(), "# brickfall input script 2")
        << "a recording opens with its version";
    ScriptPlayer playedPasses(played);
    ScriptPlayer recordedPasses(recorded);
    for (std::size_t pass = 1; pass <= kPasses; ++pass) {
        ASSERT_EQ(recordedPasses.next(), playedPasses.next()) << "pass " << pass;
    }

    for (const std::string& script : {demo, recording}) {
        SCOPED_TRACE(script);
        const std::string simTrace = directory + "/sim.trace";
        const auto sim = test_support::runProcess(
            {BRICKFALL_SIM_BINARY, "--script", script, "--trace", simTrace}, {}, 60.0);
        ASSERT_EQ(sim.exitStatus, 0) << sim.standardError;
        EXPECT_FALSE(contains(sim.standardError, "warning")) << sim.standardError;
        const std::vector<std::string> replayed = test_support::readLines(simTrace);
        ASSERT_EQ(replayed.size(), traced.size());
        for (std::size_t line = 0; line < traced.size(); ++line) {
            ASSERT_EQ(replayed[line], traced[line]) << "line " << line + 1;
        }
    }
    test_support::removeDirectory(directory);
}
