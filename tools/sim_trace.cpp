// sim_trace -- one JSON line of game state per pass, for tests and tools to read.
#include "sim_trace.hpp"

#include <charconv>
#include <cstring>

#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "entity_paddle.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "scene_menu.hpp"
#include "scene_stage1.hpp"

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

void writeTraceLine(std::FILE* out, long long frame) {
    line.text("{\"frame\":");
    line.number(frame);
    line.text(",\"scene\":");
    line.number(getCurrentScene());
    line.text(",\"score\":");
    line.number(getScore());
    line.text(",\"hiScore\":");
    line.number(getHighScore());
    line.text(",\"paused\":");
    line.boolean(isPaused());
    line.text(",\"bonusTimer\":");
    line.number(getBonusTimer());
    line.text(",\"serveTimer\":");
    line.number(getServeTimer());
    const Vector paddle = getPaddlePosition();
    line.text(",\"paddle\":[");
    line.number(paddle.x);
    line.text(",");
    line.number(paddle.y);
    line.text("],\"blocks\":");
    line.number(getBlockCount());
    line.text(",\"balls\":[");
    for (std::int32_t i = 0; i < getBallCount(); ++i) {
        const Ball ball = getBall(i);
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
    for (std::int32_t i = 0; i < getCoinCount(); ++i) {
        const Vector coin = getCoin(i);
        line.text(i == 0 ? "[" : ",[");
        line.number(coin.x);
        line.text(",");
        line.number(coin.y);
        line.text("]");
    }
    line.text("],\"menu\":[");
    line.number(getMenuPage());
    line.text(",");
    line.number(getMenuCursor());
    line.text(",");
    line.number(getMenuWindowMode());
    line.text(",");
    line.number(getMenuScaleType());
    line.text(",");
    line.number(getMenuRotation());
    line.text("]}");
    line.flush(out);
}

SimSummary readSummary() {
    return {getScore(), getHighScore()};
}
