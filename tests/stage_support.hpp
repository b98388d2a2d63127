// Helpers shared by the stage's tests: held actions set as the pass's command, and a sheet of
// flat-coloured cells whose pixels read back as the thing that drew them.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "engine_input.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "entity_ball.hpp"
#include "entity_paddle.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "game_font.hpp"
#include "game_snapshot.hpp"
#include "game_variables.hpp"
#include "input_devices.hpp"
#include "sim_monkey.hpp"
#include "test_support.hpp"

namespace stage_support {

inline constexpr std::int32_t kFieldWidth = kPlayFieldWidth;
inline constexpr std::int32_t kFieldHeight = kPlayFieldHeight;

// Exactly the listed actions held in the passes the frame host runs from now on.
inline void holdInPasses(std::initializer_list<InputAction> held) {
    test_support::holdInPasses(test_support::holding(held));
}

// Runs the input update with a command that holds exactly the listed actions.
inline void holdOnly(std::initializer_list<InputAction> held) {
    updateInputs(PassInput{test_support::holding(held), false, false});
}

// Where a player who steers under the lowest falling ball goes: -1 left, +1 right, 0 stay.
inline int chasingDirection() {
    GameState state;
    readGameState(state);
    const std::optional<InputAction> key = chaseLowestBall(state);
    if (!key) {
        return 0;
    }
    return *key == InputAction::Left ? -1 : 1;
}

// What that player holds, to keep a stage going for long runs.
inline HeldActions chasingHeld() {
    const int direction = chasingDirection();
    return direction < 0   ? test_support::holding({InputAction::Left})
           : direction > 0 ? test_support::holding({InputAction::Right})
                           : HeldActions{};
}

// SDL's events and the key bindings, with no window: enough for every rule of play.
class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        initializeInput();
    }
    void TearDown() override { SDL_Quit(); }
};

// Colours of the test sheet, as 0xAARRGGBB read back from the play field.
inline constexpr std::uint32_t kBallColour = 0xFFFF0000;
inline constexpr std::uint32_t kBlockColour = 0xFF00FF00;
inline constexpr std::uint32_t kCoinColour = 0xFFFFFF00;
inline constexpr std::uint32_t kPaddleColour = 0xFF000080;
inline constexpr std::uint32_t kBackgroundColour = 0xFF000000;

// A glyph cell is coloured by its character code: red = code, green 0, blue 255.
inline std::uint32_t glyphColour(char character) {
    return 0xFF0000FFu | (static_cast<std::uint32_t>(static_cast<unsigned char>(character)) << 16);
}

// The real window and play field on SDL's dummy driver, with the test sheet and a font cut
// from it in the shared slots, as start-up would leave them.
class DrawingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        initializeVideo(kFieldWidth, kFieldHeight);
        ASSERT_NE(getRenderer(), nullptr) << SDL_GetError();
        initializeInput();
        texture_ = SDL_CreateTexture(getRenderer(), SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STATIC, kSheetSize, kSheetSize);
        ASSERT_NE(texture_, nullptr) << SDL_GetError();
        std::vector<std::uint32_t> pixels(kSheetSize * kSheetSize, 0);
        auto fill = [&pixels](Rectangle cell, std::uint32_t colour) {
            for (std::int32_t y = cell.y; y < cell.y + cell.h; ++y) {
                for (std::int32_t x = cell.x; x < cell.x + cell.w; ++x) {
                    pixels[static_cast<std::size_t>(y * kSheetSize + x)] = colour;
                }
            }
        };
        // The space stays transparent, as the real sheet's must for text to show gaps.
        for (std::int32_t code = kFirstGlyphCode + 1; code <= kLastGlyphCode; ++code) {
            const std::int32_t index = code - kFirstGlyphCode;
            fill({8 * (index % 8), 8 * (index / 8), 8, 8}, glyphColour(static_cast<char>(code)));
        }
        fill(kBallCell, kBallColour);
        fill(kBlockCell, kBlockColour);
        fill(kCoinCell, kCoinColour);
        fill(kPaddleCell, kPaddleColour);
        SDL_UpdateTexture(texture_, nullptr, pixels.data(), kSheetSize * 4);
        SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_BLEND);
        sheet_.texture = texture_;
        *getSprite1() = &sheet_;
        *getFont1() = newFont(&sheet_, kFirstGlyphCell, kGlyphLastColumn);
    }

    void TearDown() override {
        freeFont(*getFont1());
        *getFont1() = nullptr;
        *getSprite1() = nullptr;
        if (texture_ != nullptr) {
            SDL_DestroyTexture(texture_);
        }
        quitVideo();
    }

    // Clears the play field, runs `draw` into it and keeps its pixels for pixel() and text().
    template <typename Draw>
    void drawField(Draw draw) {
        preRender();
        draw();
        field_.assign(kFieldWidth * kFieldHeight, 0);
        ASSERT_EQ(SDL_RenderReadPixels(getRenderer(), nullptr, SDL_PIXELFORMAT_ARGB8888,
                                       field_.data(), kFieldWidth * 4),
                  0)
            << SDL_GetError();
        renderVideo();
    }

    std::uint32_t pixel(std::int32_t x, std::int32_t y) const {
        return field_[static_cast<std::size_t>(y * kFieldWidth + x)];
    }

    // Reads back `length` characters printed at (x, y): each glyph is drawn one cell to the
    // right of the pen, its centre at (x + 8 + 8k, y + 4). Anything else reads as a space.
    std::string text(std::int32_t x, std::int32_t y, std::int32_t length) const {
        std::string result;
        for (std::int32_t k = 0; k < length; ++k) {
            const std::uint32_t colour = pixel(x + 8 + 8 * k, y + 4);
            const bool isGlyph = (colour & 0xFF00FFFFu) == 0xFF0000FFu;
            result += isGlyph ? static_cast<char>((colour >> 16) & 0xFFu) : ' ';
        }
        return result;
    }

  private:
    static constexpr std::int32_t kSheetSize = 128;
    SDL_Texture* texture_ = nullptr;
    Sprite sheet_ = {nullptr};
    std::vector<std::uint32_t> field_;
};

}  // namespace stage_support
