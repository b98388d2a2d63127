#include "game_trace.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
std::string traced(long long frame, const GameState& state) {
    std::FILE* out = std::tmpfile();
    writeTraceLine(out, frame, state);
    std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    const std::size_t read = std::fread(text.data(), 1, text.size(), out);
    std::fclose(out);
    text.resize(read);
    return text;
}
}  // namespace

TEST(GameTrace, WritesEachPartOfTheStateOnOneLine) {
    GameState state;
    EXPECT_EQ(traced(1, state),
              "{\"frame\":1,\"scene\":0,\"score\":0,\"hiScore\":0,\"paused\":false,"
              "\"bonusTimer\":0,\"serveTimer\":0,\"paddle\":[0,0],\"blocks\":0,\"balls\":[],"
              "\"coins\":[],\"menu\":[0,0,0,0,0]}\n");

    state.scene = 1;
    state.score = 2147483647;
    state.highScore = 2147483647;
    state.paused = true;
    state.bonusTimer = 3601;
    state.serveTimer = 120;
    state.paddle = {118.0f, 290.0f};
    state.blockCount = 299;
    state.ballCount = 2;
    state.balls[0] = {{100.5f, 200.25f}, {1.2f, -1.0f}, 1.015f, 2, true};
    state.balls[1] = {{-0.75f, 3.0e-7f}, {-1.0f, 1.0f}, 1.0f, 0, false};
    state.coinCount = 2;
    state.coins[0] = {8.0f, 32.0f};
    state.coins[1] = {104.0f, 40.3f};
    state.menuPage = 2;
    state.menuCursor = 4;
    state.menuWindowMode = 1;
    state.menuScaleType = 2;
    state.menuRotation = 3;
    // Floats as the shortest text that reads back as the same 32-bit value.
    EXPECT_EQ(traced(123456789012LL, state),
              "{\"frame\":123456789012,\"scene\":1,\"score\":2147483647,\"hiScore\":2147483647,"
              "\"paused\":true,\"bonusTimer\":3601,\"serveTimer\":120,\"paddle\":[118,290],"
              "\"blocks\":299,\"balls\":[[100.5,200.25,1.2,-1,1.015,2,true],"
              "[-0.75,3e-07,-1,1,1,0,false]],\"coins\":[[8,32],[104,40.3]],"
              "\"menu\":[2,4,1,2,3]}\n");
}
