// game_trace -- one JSON line of the game's state after each frame, which tests and replays
// compare byte for byte.
#include "game_trace.hpp"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "float_text.hpp"

namespace {
// A line never grows beyond this: ten balls and thirty coins at most.
constexpr std::size_t kLineCapacity = 4096;

class LineWriter {
  public:
    void text(const char* value) {
        const std::size_t length = std::strlen(value);
        if (used_ + length < kLineCapacity) {
            std::memcpy(buffer_ + used_, value, length);
            used_ += length;
        }
    }
    void value(bool flag) { text(flag ? "true" : "false"); }
    void value(std::int32_t number) {
        written(std::to_chars(buffer_ + used_, buffer_ + kLineCapacity - 1, number));
    }
    void value(long long number) {
        written(std::to_chars(buffer_ + used_, buffer_ + kLineCapacity - 1, number));
    }
    // Floats come out as the shortest text that reads back as the same 32-bit value, by the
    // game's own code: not every C++ library has std::to_chars for floats.
    void value(float number) {
        written(floatToChars(buffer_ + used_, buffer_ + kLineCapacity - 1, number));
    }
    // A name and its value, after a comma unless it is the first, right after the brace.
    template <typename Value>
    void field(const char* name, Value fieldValue) {
        text(used_ > 1 ? ",\"" : "\"");
        text(name);
        text("\":");
        value(fieldValue);
    }
    // An array of values: [a,b,...].
    template <typename... Values>
    void array(Values... values) {
        const char* separator = "[";
        ((text(separator), value(values), separator = ","), ...);
        text("]");
    }
    void flush(std::FILE* out) {
        buffer_[used_++] = '\n';
        std::fwrite(buffer_, 1, used_, out);
        used_ = 0;
    }

  private:
    void written(std::to_chars_result result) {
        if (result.ec == std::errc()) {
            used_ = static_cast<std::size_t>(result.ptr - buffer_);
        }
    }

    char buffer_[kLineCapacity];
    std::size_t used_ = 0;
};

LineWriter line;
}  // namespace

void writeTraceLine(std::FILE* out, long long frame, const GameState& state) {
    line.text("{");
    line.field("frame", frame);
    line.field("scene", state.scene);
    line.field("score", state.score);
    line.field("hiScore", state.highScore);
    line.field("paused", state.paused);
    line.field("bonusTimer", state.bonusTimer);
    line.field("serveTimer", state.serveTimer);
    line.text(",\"paddle\":");
    line.array(state.paddle.x, state.paddle.y);
    line.field("blocks", state.blockCount);
    line.text(",\"balls\":[");
    for (std::int32_t i = 0; i < state.ballCount; ++i) {
        const Ball& ball = state.balls[static_cast<std::size_t>(i)];
        line.text(i == 0 ? "" : ",");
        line.array(ball.position.x, ball.position.y, ball.direction.x, ball.direction.y, ball.speed,
                   ball.hits, ball.cloned);
    }
    line.text("],\"coins\":[");
    for (std::int32_t i = 0; i < state.coinCount; ++i) {
        const Vector& coin = state.coins[static_cast<std::size_t>(i)];
        line.text(i == 0 ? "" : ",");
        line.array(coin.x, coin.y);
    }
    line.text("],\"menu\":");
    line.array(state.menuPage, state.menuCursor, state.menuWindowMode, state.menuScaleType,
               state.menuRotation);
    line.text("}");
    line.flush(out);
}
