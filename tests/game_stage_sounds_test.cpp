// What the player hears: each thing the rules do in a stage plays its effect once however often
// it happens in a frame, the tune follows the stage, the menu is silent, and the mixer's real
// output, recorded by SDL's disk driver, is loud for a played stage and silent otherwise.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine_audio.hpp"
#include "engine_audio_limiter.hpp"
#include "engine_game_manager.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "game_stage_sounds.hpp"
#include "game_variables.hpp"
#include "input_devices.hpp"
#include "play_session.hpp"
#include "scene_menu.hpp"
#include "scene_stage1.hpp"
#include "stage_support.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;

namespace {
using A = InputAction;
using E = StageEvent;
using Plays = std::array<int, kStageEventCount>;

Plays plays = {};
int unknownPlays = 0;

void countPlay(const SoundEffect* effect) {
    for (std::int32_t i = 0; i < kStageEventCount; ++i) {
        if (effect == *getStageSound(static_cast<E>(i))) {
            ++plays[static_cast<std::size_t>(i)];
            return;
        }
    }
    ++unknownPlays;
}

Plays only(std::initializer_list<E> events) {
    Plays expected = {};
    for (const E event : events) {
        expected[static_cast<std::size_t>(event)] = 1;
    }
    return expected;
}

std::string describe(const Plays& counts) {
    constexpr std::array<const char*, kStageEventCount> kNames = {
        "strike", "paddle", "wall", "split", "coin", "lost", "last", "bonus", "pause", "resume"};
    std::string text;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        text += std::string(kNames[i]) + "=" + std::to_string(counts[i]) + " ";
    }
    return text;
}

void pass(std::initializer_list<A> held = {}) {
    stage_support::holdInPasses(held);
    runFramePass();
}

// The real game on SDL's dummy drivers, with its sounds loaded and every effect it plays counted.
class StageSound : public ::testing::Test {
  protected:
    void SetUp() override {
        startUp();
        ASSERT_FALSE(getQuit()) << "start-up failed";
        ASSERT_NE(Mix_QuerySpec(nullptr, nullptr, nullptr), 0) << "the dummy device is open";
        for (std::int32_t i = 0; i < kStageEventCount; ++i) {
            ASSERT_NE(*getStageSound(static_cast<E>(i)), nullptr);
        }
        ASSERT_NE(*getStageSong(), nullptr);
        setSoundEffectObserver(countPlay);
    }
    void TearDown() override {
        setSoundEffectObserver(nullptr);
        shutDown();
    }

    static void resetCounts() {
        plays = {};
        unknownPlays = 0;
    }

    // A fresh stage past its serve, its one ball standing still below the wall, away from
    // the walls and the paddle, and nothing heard yet.
    static void stageInPlay() {
        changeScene(kStageScene);
        for (std::int32_t frame = 0; frame < kServeFrames; ++frame) {
            pass();
        }
        setBall(0, parked());
        // What the serve's frames and an earlier case left sounding is not this case's.
        Mix_HaltChannel(-1);
        resetCounts();
    }

    static Ball parked() { return {{120.0f, 250.0f}, {0.0f, 0.0f}, 1.0f, 0, false}; }
    // One frame from the block of the bottom row in `column`, heading up into it.
    static Ball underBlock(std::int32_t column, std::int32_t hits, bool cloned) {
        return {{kFirstBlock.x + static_cast<float>(kBlockWidth * column), 188.5f},
                {0.0f, -1.0f},
                1.0f,
                hits,
                cloned};
    }
    static Ball falling(float x, float y) { return {{x, y}, {0.0f, 1.0f}, 1.0f, 0, false}; }

    static void addBalls(std::int32_t count) {
        for (std::int32_t i = 0; i < count; ++i) {
            addBall({120.0f, 250.0f}, {0.0f, 0.0f});
        }
    }
};
}  // namespace

TEST_F(StageSound, BallsStrikingTogetherInOneFramePlayOneStrike) {
    for (const std::int32_t balls : {2, 10}) {
        SCOPED_TRACE(std::to_string(balls) + " balls");
        stageInPlay();
        addBalls(balls - 1);
        ASSERT_EQ(getBallCount(), balls);
        for (std::int32_t i = 0; i < balls; ++i) {
            setBall(i, underBlock(i, 0, true));
        }
        pass();
        EXPECT_EQ(getBlockCount(), kBlockCapacity - balls) << "every ball struck its block";
        EXPECT_EQ(plays, only({E::BlockStruck})) << describe(plays);
        EXPECT_EQ(Mix_Playing(-1), 1) << "one mixer channel sounds";
    }
}

TEST_F(StageSound, EachEventPlaysItsEffectOnce) {
    const struct {
        const char* name;
        std::function<void()> setUp;
        int passes;
        Plays expected;
    } cases[] = {
        {"a coin caught",
         [] {
             addCoin({120.0f, 285.0f});
         },
         2, only({E::CoinCaught})},
        {"one of two balls lost",
         [] {
             addBalls(1);
             setBall(1, falling(60.0f, 319.5f));
         },
         2, only({E::BallLost})},
        {"the last ball lost", [] { setBall(0, falling(60.0f, 319.5f)); }, 1,
         only({E::LastBallLost})},
        // The ball moved into the lost one's slot is not moved in that frame.
        {"two balls falling out together",
         [] {
             addBalls(1);
             setBall(0, falling(60.0f, 319.5f));
             setBall(1, falling(90.0f, 319.5f));
         },
         1, only({E::BallLost})},
        {"...and the second one a frame later",
         [] {
             addBalls(1);
             setBall(0, falling(60.0f, 319.5f));
             setBall(1, falling(90.0f, 319.5f));
             pass();
             resetCounts();
         },
         1, only({E::LastBallLost})},
        // The ball sinks into the catch area and stays in it for four frames.
        {"a ball meeting the paddle", [] { setBall(0, falling(120.0f, 287.0f)); }, 6,
         only({E::PaddleBounce})},
        {"a ball meeting the left wall",
         [] {
             setBall(0, {{0.5f, 250.0f}, {-1.0f, 0.0f}, 1.0f, 0, false});
         },
         3, only({E::WallBounce})},
        {"a ball meeting the top",
         [] {
             setBall(0, {{120.0f, 0.5f}, {0.0f, -1.0f}, 1.0f, 0, false});
         },
         3, only({E::WallBounce})},
        {"a third strike that splits the ball", [] { setBall(0, underBlock(3, 2, false)); }, 1,
         only({E::BlockStruck, E::BallSplit})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        stageInPlay();
        c.setUp();
        for (int frame = 0; frame < c.passes; ++frame) {
            pass();
        }
        EXPECT_EQ(plays, c.expected) << describe(plays);
        EXPECT_EQ(unknownPlays, 0);
    }
}

TEST_F(StageSound, ClaimedBonusPlaysItsEffectOnce) {
    stageInPlay();
    while (getBonusTimer() < kBonusFrames - 1) {
        pass();
    }
    EXPECT_EQ(plays, Plays{}) << "a still ball makes no sound";
    pass({A::Back});
    EXPECT_EQ(getScore(), kBonusPoints);
    EXPECT_EQ(plays, only({E::BonusClaimed})) << describe(plays);
}

TEST_F(StageSound, TuneStartsWithTheStagePausesWithItAndStopsInTheMenu) {
    pass();
    EXPECT_EQ(Mix_PlayingMusic(), 0) << "the menu plays no tune";
    pass({A::Confirm});
    ASSERT_EQ(getCurrentScene(), kStageScene);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(Mix_PausedMusic(), 0);

    resetCounts();
    pass({A::Pause});
    pass({A::Pause});  // held: still one pause
    EXPECT_EQ(Mix_PausedMusic(), 1);
    EXPECT_EQ(plays, only({E::Paused})) << describe(plays);
    pass();
    resetCounts();
    pass({A::Pause});
    EXPECT_EQ(Mix_PausedMusic(), 0);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(plays, only({E::Resumed})) << describe(plays);

    while (getServeTimer() < kServeFrames) {
        pass();
    }
    setBall(0, falling(60.0f, 319.5f));
    pass();
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "the stage ends on the next update";
    pass();
    ASSERT_EQ(getCurrentScene(), kMenuScene);
    EXPECT_EQ(Mix_PlayingMusic(), 0);

    pass();
    pass({A::Confirm});
    ASSERT_EQ(getCurrentScene(), kStageScene);
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "a new stage starts the tune again";
}

TEST_F(StageSound, TheMenuPlaysNothing) {
    // Through the options and audio pages, both volumes stepped down and up, and back.
    const std::vector<std::pair<std::vector<A>, int>> tour = {
        {{A::Down}, 1}, {{}, 1},           {{A::Confirm}, 1}, {{}, 1},          {{A::Down}, 1},
        {{}, 1},        {{A::Confirm}, 1}, {{}, 1},           {{A::Left}, 70},  {{A::Right}, 70},
        {{A::Down}, 1}, {{}, 1},           {{A::Left}, 70},   {{A::Right}, 70}, {{A::Back}, 1},
        {{}, 1},        {{A::Back}, 1},    {{}, 1},
    };
    int menuPasses = 0;
    for (const auto& [held, passes] : tour) {
        for (int i = 0; i < passes; ++i) {
            HeldActions down = {};
            for (const A action : held) {
                down[static_cast<std::size_t>(action)] = true;
            }
            test_support::holdInPasses(down);
            runFramePass();
            ++menuPasses;
            ASSERT_EQ(getCurrentScene(), kMenuScene);
            EXPECT_EQ(Mix_PlayingMusic(), 0) << "pass " << menuPasses;
            EXPECT_EQ(Mix_Playing(-1), 0) << "pass " << menuPasses;
        }
    }
    EXPECT_EQ(getMenuPage(), kMainPage);
    EXPECT_EQ(plays, Plays{}) << describe(plays);
    EXPECT_EQ(unknownPlays, 0);
}

#if BRICKFALL_TESTS_START_PROGRAMS
namespace {
struct Recording {
    test_support::ProcessResult process;
    std::vector<float> samples;  // left and right interleaved, full scale 1

    double seconds() const { return static_cast<double>(samples.size()) / 2.0 / 44100.0; }
    float loudest() const {
        float peak = 0.0f;
        for (const float sample : samples) {
            peak = std::max(peak, std::fabs(sample));
        }
        return peak;
    }
    // The effects are mono, so they sound alike on both sides; the tune's channels are panned
    // left and right as on the Amiga.
    float widestSideDifference() const {
        float widest = 0.0f;
        for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
            widest = std::max(widest, std::fabs(samples[i] - samples[i + 1]));
        }
        return widest;
    }
    std::string describe() const {
        return std::to_string(seconds()) + " s recorded, peak " + std::to_string(loudest()) +
               ", sides differ by " + std::to_string(widestSideDifference());
    }
};

// Runs a program with SDL's disk driver, which writes the mixed output to a file in the format
// the game opens the device with, 32-bit float stereo, and reads the file back. Unless asked
// for real time, the driver takes a chunk every millisecond, far faster than it would play, so
// a simulator that runs a stage in a tenth of a second, as it does when the window copy is
// skipped for unchanged pictures, still leaves enough to judge.
Recording record(const std::vector<std::string>& command, double terminateAfterSeconds,
                 bool realTime = false) {
    const fs::path folder = test_support::makeTemporaryDirectory();
    const fs::path output = folder / "out.raw";
    std::vector<std::string> environment = {"SDL_VIDEODRIVER=dummy", "SDL_RENDER_DRIVER=software",
                                            "SDL_AUDIODRIVER=disk",
                                            "SDL_DISKAUDIOFILE=" + output.string()};
    if (!realTime) {
        environment.push_back("SDL_DISKAUDIODELAY=1");
    }
    Recording recording;
    recording.process =
        test_support::runProcess(command, environment, 120.0, terminateAfterSeconds);
    std::ifstream file(output, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    recording.samples.resize(bytes.size() / sizeof(float));
    std::copy_n(bytes.data(), recording.samples.size() * sizeof(float),
                reinterpret_cast<char*>(recording.samples.data()));
    test_support::removeDirectory(folder.string());
    return recording;
}

// Menu lines that set the music volume, and then the sound-effect volume, to 0 on the audio
// page and come back to Start. A held Left steps once, waits 60 frames, then steps every frame.
constexpr char kMusicDown[] =
    "1 Down\n1 -\n1 Confirm\n1 -\n1 Down\n1 -\n1 Confirm\n1 -\n200 Left\n1 -\n";
constexpr char kSoundsDown[] = "1 Down\n1 -\n200 Left\n1 -\n";
constexpr char kBackToStart[] = "1 Back\n1 -\n1 Back\n1 -\n";
// A stage played with no key: strikes, bounces, coins and the loss of the ball.
constexpr char kStage[] = "1 Confirm\n1 -\n1500 -\n";
// About -21 dB and -30 dB of full scale.
constexpr float kClearlyHeard = 0.09f;
constexpr float kClearlyPanned = 0.03f;

// The mixer's output as the device takes it, chunk by chunk, and their count for the passes to
// wait on: the mixer runs on SDL's audio thread, and nothing else ties what it mixes to them.
class MixCapture {
  public:
    MixCapture() { Mix_SetPostMix(&MixCapture::take, this); }
    ~MixCapture() { Mix_SetPostMix(nullptr, nullptr); }
    MixCapture(const MixCapture&) = delete;
    MixCapture& operator=(const MixCapture&) = delete;

    // Waits for a chunk mixed after everything the game asked of the mixer so far: a chunk
    // under way now would have held up those requests until it was done.
    bool awaitChunk() {
        std::unique_lock<std::mutex> lock(lock_);
        const std::uint64_t seen = chunks_;
        return made_.wait_for(lock, std::chrono::seconds(10), [&] { return chunks_ > seen; });
    }
    std::vector<float> samples() {
        const std::lock_guard<std::mutex> lock(lock_);
        return samples_;
    }

  private:
    static void take(void* capture, Uint8* stream, int length) {
        auto& self = *static_cast<MixCapture*>(capture);
        const auto* mixed = reinterpret_cast<const float*>(stream);
        const std::lock_guard<std::mutex> lock(self.lock_);
        self.samples_.insert(self.samples_.end(), mixed,
                             mixed + static_cast<std::size_t>(length) / sizeof(float));
        ++self.chunks_;
        self.made_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable made_;
    std::uint64_t chunks_ = 0;
    std::vector<float> samples_;
};

// SDL's disk driver for this process's audio, writing into `file`, until it goes out of scope.
class DiskAudio {
  public:
    explicit DiskAudio(const std::string& file) {
        const char* before = std::getenv("SDL_AUDIODRIVER");
        driverBefore_ = before != nullptr ? std::optional<std::string>(before) : std::nullopt;
        setenv("SDL_AUDIODRIVER", "disk", 1);
        // A chunk every millisecond, so a pass rarely waits long for one.
        setenv("SDL_DISKAUDIODELAY", "1", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    }
    ~DiskAudio() {
        if (driverBefore_) {
            setenv("SDL_AUDIODRIVER", driverBefore_->c_str(), 1);
        } else {
            unsetenv("SDL_AUDIODRIVER");
        }
    }
    DiskAudio(const DiskAudio&) = delete;
    DiskAudio& operator=(const DiskAudio&) = delete;

  private:
    std::optional<std::string> driverBefore_;
};

// Plays an input script in this process and records what the mixer makes of it. Each pass
// waits for a chunk mixed after it, so every pass is heard, however little of the CPU a busy
// machine gives the audio thread while the passes run.
Recording playInLockstep(const std::string& script) {
    const fs::path folder = test_support::makeTemporaryDirectory();
    const fs::path scriptPath = folder / "run.script";
    std::ofstream(scriptPath) << "# brickfall input script 2\n" << script;
    Recording recording;
    {
        const DiskAudio disk((folder / "out.raw").string());
        startUp();
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        PlaySession session;
        SessionOptions options;
        options.program = "test";
        const std::string demo = scriptPath.string();
        options.demoPath = demo.c_str();
        if (getQuit() || Mix_QuerySpec(&frequency, &format, &channels) == 0 ||
            format != AUDIO_F32SYS || channels != 2 ||
            session.open(options) != SessionOpened::Ready) {
            ADD_FAILURE() << "no float stereo disk device, or the script was refused";
        } else {
            setInputProducer(&session.demo());
            setPassObserver(&session);
            MixCapture capture;
            // The game is not ended after the last pass: the quit flag would outlast it.
            for (std::int64_t pass = 0; pass < session.script().length; ++pass) {
                runFramePass();
                if (!capture.awaitChunk()) {
                    ADD_FAILURE() << "the mixer made no chunk for 10 seconds";
                    break;
                }
            }
            recording.samples = capture.samples();
            setInputProducer(nullptr);
            setPassObserver(nullptr);
        }
        shutDown();
    }
    test_support::removeDirectory(folder.string());
    return recording;
}
}  // namespace

TEST(HeardOutput, WhatTheMixerPlaysFollowsTheStageAndTheVolumes) {
    enum class Heard { Nothing, Effects, Tune };
    const struct {
        const char* name;
        std::string script;
        Heard heard;
    } cases[] = {
        {"a stage at full volumes", kStage, Heard::Tune},
        {"a stage with the music silenced", std::string(kMusicDown) + kBackToStart + kStage,
         Heard::Effects},
        {"a stage with both volumes silenced",
         std::string(kMusicDown) + kSoundsDown + kBackToStart + kStage, Heard::Nothing},
        {"a run that stays in the menu", "1 Down\n1 -\n1 Up\n1 -\n120 -\n", Heard::Nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Recording recording = playInLockstep(c.script);
        ASSERT_GT(recording.seconds(), 0.2) << "too little was recorded to judge";
        const std::string level = recording.describe();
        switch (c.heard) {
            case Heard::Nothing:
                EXPECT_EQ(recording.loudest(), 0.0f) << level;
                break;
            case Heard::Effects:
                EXPECT_GT(recording.loudest(), kClearlyHeard) << level;
                EXPECT_EQ(recording.widestSideDifference(), 0.0f) << level;
                break;
            case Heard::Tune:
                EXPECT_GT(recording.loudest(), kClearlyHeard) << level;
                EXPECT_GT(recording.widestSideDifference(), kClearlyPanned) << level;
                break;
        }
    }
}

// The game itself, closed by the desktop after two seconds on its title.
TEST(HeardOutput, TheGameLeftOnItsTitleIsSilent) {
    const Recording menu = record({BRICKFALL_GAME_BINARY}, 2.0);
    EXPECT_EQ(menu.process.exitStatus, 0) << menu.process.standardError;
    EXPECT_GT(menu.seconds(), 1.0);
    EXPECT_EQ(menu.loudest(), 0.0f);
}

// However busy the stage gets, the mixed output stays below full scale, the tune still under
// the effects: the loudest staging the rules allow, played frame after frame in real time, and
// the documented stage in the simulator, where the fast driver starts its effects far closer
// together than real time would.
TEST(HeardOutput, NoSampleReachesFullScaleHoweverBusyTheStage) {
    const struct {
        const char* name;
        std::vector<std::string> command;
        bool inRealTime;
    } cases[] = {
        {"ten balls striking blocks, the walls and the paddle every frame",
         {BRICKFALL_AUDIO_TIMING_BINARY, "3", "--loudest"},
         true},
        {"the documented stage",
         {BRICKFALL_SIM_BINARY, "--script",
          std::string(BRICKFALL_SOURCE_DIR) + "/tests/scripts/stage.script"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Recording recording = record(c.command, -1, c.inRealTime);
        ASSERT_EQ(recording.process.exitStatus, 0) << recording.process.standardError;
        ASSERT_GT(recording.seconds(), 1.0) << "too little was recorded to judge";
        const std::string level = recording.describe();
        EXPECT_LE(recording.loudest(), kLimiterCeiling) << level;
        // Summed, these effects pass full scale; held at the ceiling, they reach it.
        EXPECT_GT(recording.loudest(), 0.99f * kLimiterCeiling) << level;
        EXPECT_GT(recording.widestSideDifference(), kClearlyPanned) << level;
    }
}

namespace {
// -0.9 dBFS, 10^(-0.9/20) = 0.90157 rounded up: the limiter holds the mix at -1 dBFS (0.891),
// and this leaves it 0.1 dB, however its ceiling is written.
constexpr float kLoudestMixAllowed = 0.9016f;
// -3 dBFS: quieter than this, the sums would not have reached the limiter at all.
constexpr float kLimited = 0.7079f;
}  // namespace

// Measured against full scale itself, not against the limiter's own ceiling, so a ceiling
// raised towards full scale is caught.
TEST(HeardOutput, TheLoudestStagesMixNeverExceedsAboutMinusZeroPointNineDbfs) {
    const Recording recording = record({BRICKFALL_AUDIO_TIMING_BINARY, "2", "--loudest"}, -1, true);
    ASSERT_EQ(recording.process.exitStatus, 0) << recording.process.standardError;
    ASSERT_GT(recording.seconds(), 1.0) << "too little was recorded to judge";
    const float loudest = recording.loudest();
    const std::string level = recording.describe() + " (" +
                              std::to_string(20.0 * std::log10(static_cast<double>(loudest))) +
                              " dBFS)";
    ASSERT_GT(loudest, kLimited) << level;
    EXPECT_LE(loudest, kLoudestMixAllowed) << level;
}
#endif
