#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {
// The few trace values the invariants need, read from one JSON line.
struct Frame {
    long frame = 0;
    int scene = 0;
    long score = 0;
    long hiScore = 0;
    float paddleX = 0;
    float paddleY = 0;
    int blocks = 0;
    std::vector<std::vector<double>> balls;  // x, y, dx, dy, speed, hits
    std::vector<std::vector<double>> coins;  // x, y
};

std::string field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const std::size_t start = line.find(key);
    if (start == std::string::npos) {
        return {};
    }
    return line.substr(start + key.size());
}

// Reads "[[a,b,...],[...]]" into rows of numbers; booleans count as 1 and 0.
std::vector<std::vector<double>> rows(const std::string& text) {
    std::vector<std::vector<double>> result;
    std::size_t i = 1;  // past the outer '['
    while (i < text.size() && text[i] == '[') {
        std::vector<double> row;
        ++i;
        while (i < text.size() && text[i] != ']') {
            if (text.compare(i, 4, "true") == 0) {
                row.push_back(1.0);
                i += 4;
            } else if (text.compare(i, 5, "false") == 0) {
                row.push_back(0.0);
                i += 5;
            } else {
                char* end = nullptr;
                row.push_back(std::strtod(text.c_str() + i, &end));
                i = static_cast<std::size_t>(end - text.c_str());
            }
            if (text[i] == ',') {
                ++i;
            }
        }
        result.push_back(row);
        i += 1;
        if (i < text.size() && text[i] == ',') {
            ++i;
        }
    }
    return result;
}

Frame parseFrame(const std::string& line) {
    Frame f;
    f.frame = std::atol(field(line, "frame").c_str());
    f.scene = std::atoi(field(line, "scene").c_str());
    f.score = std::atol(field(line, "score").c_str());
    f.hiScore = std::atol(field(line, "hiScore").c_str());
    const std::string paddle = field(line, "paddle");
    char* end = nullptr;
    f.paddleX = std::strtof(paddle.c_str() + 1, &end);
    f.paddleY = std::strtof(end + 1, nullptr);
    f.blocks = std::atoi(field(line, "blocks").c_str());
    f.balls = rows(field(line, "balls"));
    f.coins = rows(field(line, "coins"));
    return f;
}

std::vector<Frame> play(const std::string& script) {
    const std::string directory = test_support::makeTemporaryDirectory();
    std::ofstream(directory + "/game.script") << script;
    const auto result =
        test_support::runProcess({BRICKFALL_SIM_BINARY, "--script", directory + "/game.script",
                                  "--trace", directory + "/trace.jsonl"},
                                 {}, 300.0);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    std::vector<Frame> frames;
    std::ifstream trace(directory + "/trace.jsonl");
    for (std::string line; std::getline(trace, line);) {
        frames.push_back(parseFrame(line));
    }
    test_support::removeDirectory(directory);
    return frames;
}

void expectInvariants(const std::vector<Frame>& frames) {
    int previousBlocks = 300;
    int previousScene = 0;
    for (const Frame& f : frames) {
        SCOPED_TRACE(::testing::Message() << "frame " << f.frame);
        EXPECT_LE(f.balls.size(), 10u);
        EXPECT_LE(f.coins.size(), 30u);
        EXPECT_GE(f.blocks, 0);
        EXPECT_LE(f.blocks, 300);
        EXPECT_GE(f.hiScore, f.score);
        EXPECT_GE(f.paddleX, 14.0f);
        EXPECT_LE(f.paddleX, 226.0f);
        EXPECT_EQ(std::fmod(f.paddleX, 2.0f), 0.0f) << "the paddle moves in whole steps of 2";
        for (const auto& ball : f.balls) {
            ASSERT_EQ(ball.size(), 7u);
            for (double value : ball) {
                EXPECT_TRUE(std::isfinite(value));
            }
        }
        for (const auto& coin : f.coins) {
            ASSERT_EQ(coin.size(), 2u);
            EXPECT_TRUE(std::isfinite(coin[0]) && std::isfinite(coin[1]));
        }
        const bool stageStarted = f.scene == 1 && previousScene == 0;
        if (!stageStarted) {
            EXPECT_LE(f.blocks, previousBlocks) << "blocks never come back within a stage";
        }
        previousBlocks = f.blocks;
        previousScene = f.scene;
    }
}

std::string weavingScript(int sweeps) {
    std::ostringstream script;
    script << "1 Confirm\n";
    for (int i = 0; i < sweeps; ++i) {
        script << "37 Left\n60 -\n53 Right\n41 Right,Left\n29 Right\n";
    }
    script << "3000 -\n";
    return script.str();
}
}  // namespace

TEST(WholeGame, AnIdlePlayerLosesTheBallAndReturnsToTheTitle) {
    const std::vector<Frame> frames = play("1 Confirm\n2500 -\n");
    ASSERT_FALSE(frames.empty());
    expectInvariants(frames);
    EXPECT_EQ(frames.front().scene, 1);
    EXPECT_EQ(frames.back().scene, 0);
    // The stage ends on the update after the last ball is lost.
    std::size_t lastBall = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].scene == 1 && frames[i].balls.empty()) {
            lastBall = i;
            break;
        }
    }
    ASSERT_GT(lastBall, 0u);
    ASSERT_LT(lastBall + 1, frames.size());
    EXPECT_EQ(frames[lastBall + 1].scene, 0);
}

TEST(WholeGame, AWeavingPlayerScoresAndTheHiScoreOutlivesTheStage) {
    std::string script = weavingScript(40);
    script += "1 Confirm\n5 -\n";  // a second stage from the title
    const std::vector<Frame> frames = play(script);
    ASSERT_FALSE(frames.empty());
    expectInvariants(frames);

    long bestInFirstStage = 0;
    bool returned = false;
    for (const Frame& f : frames) {
        if (f.scene == 1 && !returned) {
            bestInFirstStage = std::max(bestInFirstStage, f.score);
        }
        returned = returned || (f.scene == 0 && f.frame > 1);
    }
    ASSERT_TRUE(returned) << "the first stage ended";
    EXPECT_GT(bestInFirstStage, 0) << "the weaving paddle struck at least one block";
    const Frame& last = frames.back();
    EXPECT_EQ(last.scene, 1);
    EXPECT_EQ(last.score, 0);
    EXPECT_EQ(last.hiScore, bestInFirstStage);
    EXPECT_EQ(last.blocks, 300);
}
