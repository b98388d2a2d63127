// game_trace -- one JSON line of the game's state after each frame, which tests and replays
// compare byte for byte.
#include "game_trace.hpp"

#include <charconv>
#include <cstring>

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
    template <typename Number>
    void number(Number value) {
        // Floats come out as the shortest text that reads back as the same 32-bit value.
        const auto result = std::to_chars(buffer_ + used_, buffer_ + kLineCapacity - 1, value);
        if (result.ec == std::errc()) {
            used_ = static_cast<std::size_t>(result.ptr - buffer_);
        }
    }
    void boolean(bool value) { text(value ? "true" : "false"); }
    void flush(std::FILE* out) {
        buffer_[used_++] = '\n';
        std::fwrite(buffer_, 1, used_, out);
        used_ = 0;
    }

  private:
    char buffer_[kLineCapacity];
    std::size_t used_ = 0;
};

LineWriter line;
}  // namespace

void writeTraceLine(std::FILE* out, long long frame, const GameState& state) {
    line.text("{\"frame\":");
    line.number(frame);
    line.text(",\"scene\":");
    line.number(state.scene);
    line.text(",\"score\":");
    line.number(state.score);
    line.text(",\"hiScore\":");
    line.number(state.highScore);
    line.text(",\"paused\":");
    line.boolean(state.paused);
    line.text(",\"bonusTimer\":");
    line.number(state.bonusTimer);
    line.text(",\"serveTimer\":");
    line.number(state.serveTimer);
    line.text(",\"paddle\":[");
    line.number(state.paddle.x);
    line.text(",");
    line.number(state.paddle.y);
    line.text("],\"blocks\":");
    line.number(state.blockCount);
    line.text(",\"balls\":[");
    for (std::int32_t i = 0; i < state.ballCount; ++i) {
        const Ball& ball = state.balls[static_cast<std::size_t>(i)];
        line.text(i == 0 ? "[" : ",[");
        line.number(ball.position.x);
        line.text(",");
        line.number(ball.position.y);
        line.text(",");
        line.number(ball.direction.x);
        line.text(",");
        line.number(ball.direction.y);
        line.text(",");
        line.number(ball.speed);
        line.text(",");
        line.number(ball.hits);
        line.text(",");
        line.boolean(ball.cloned);
        line.text("]");
    }
    line.text("],\"coins\":[");
    for (std::int32_t i = 0; i < state.coinCount; ++i) {
        const Vector& coin = state.coins[static_cast<std::size_t>(i)];
        line.text(i == 0 ? "[" : ",[");
        line.number(coin.x);
        line.text(",");
        line.number(coin.y);
        line.text("]");
    }
    line.text("],\"menu\":[");
    line.number(state.menuPage);
    line.text(",");
    line.number(state.menuCursor);
    line.text(",");
    line.number(state.menuWindowMode);
    line.text(",");
    line.number(state.menuScaleType);
    line.text(",");
    line.number(state.menuRotation);
    line.text("]}");
    line.flush(out);
}
