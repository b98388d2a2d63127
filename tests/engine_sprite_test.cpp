// Sprites drawn into the real play field under the dummy video driver and read back by pixel.
#include "engine_sprite.hpp"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "engine_file_helper.hpp"
#include "engine_video.hpp"
#include "game_constants.hpp"
#include "render_support.hpp"

using render_support::Readback;

namespace {
constexpr int kImageSize = 32;

class SpriteDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        initializeFileHelper(kResourceNameRoom);
        initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
        ASSERT_NE(getRenderer(), nullptr);
        name = render_support::writeResourcePng(
            "sprite", kImageSize, kImageSize,
            render_support::coordinateImage(kImageSize, kImageSize));
        sprite = newSprite(name.c_str());
        ASSERT_NE(sprite->texture, nullptr);
        preRender();
    }

    void TearDown() override {
        freeSprite(sprite);
        render_support::removeResource(name);
        quitVideo();
        quitFileHelper();
    }

    std::string name;
    Sprite* sprite = nullptr;
};

std::string describe(Rectangle r) {
    return "(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.w) +
           ", " + std::to_string(r.h) + ")";
}

// Checks the whole play field: inside `destination` every pixel shows the source pixel it
// should (an integer scale, nearest neighbour, flips mirrored), outside nothing is drawn.
void expectDrawnAt(const Readback& target, Rectangle source, Rectangle destination,
                   int flip = SDL_FLIP_NONE) {
    ASSERT_GT(target.width, 0) << "could not read the render target";
    const int scaleX = destination.w / source.w;
    const int scaleY = destination.h / source.h;
    int wrong = 0;
    for (int y = 0; y < target.height && wrong < 5; ++y) {
        for (int x = 0; x < target.width && wrong < 5; ++x) {
            const bool inside = x >= destination.x && x < destination.x + destination.w &&
                                y >= destination.y && y < destination.y + destination.h;
            if (!inside) {
                if (target.marked(x, y)) {
                    ADD_FAILURE() << "(" << x << ", " << y << ") drawn outside "
                                  << describe(destination);
                    ++wrong;
                }
                continue;
            }
            int column = (x - destination.x) / scaleX;
            int row = (y - destination.y) / scaleY;
            if ((flip & SDL_FLIP_HORIZONTAL) != 0) {
                column = source.w - 1 - column;
            }
            if ((flip & SDL_FLIP_VERTICAL) != 0) {
                row = source.h - 1 - row;
            }
            const bool right = target.marked(x, y) && target.sourceX(x, y) == source.x + column &&
                               target.sourceY(x, y) == source.y + row;
            if (!right) {
                ADD_FAILURE() << "(" << x << ", " << y << ") inside " << describe(destination)
                              << " should show source (" << source.x + column << ", "
                              << source.y + row << ")";
                ++wrong;
            }
        }
    }
}
}  // namespace

TEST_F(SpriteDrawing, RenderSpriteCentresTheCellAndTruncatesTowardZero) {
    struct Case {
        Rectangle source;
        float x;
        float y;
        int flip;
        Rectangle destination;
    };
    const Case cases[] = {
        // Partly above the play field: only rows 2 to 7 of the cell show.
        {{0, 0, 8, 8}, 16.0f, 2.0f, SDL_FLIP_NONE, {12, -2, 8, 8}},
        // 10 - 2.5 = 7.5 starts at 7.
        {{0, 0, 5, 8}, 10.0f, 20.0f, SDL_FLIP_NONE, {7, 16, 5, 8}},
        // 1 - 2.5 = -1.5 truncates to -1, not down to -2, on both axes.
        {{0, 0, 5, 5}, 1.0f, 1.0f, SDL_FLIP_NONE, {-1, -1, 5, 5}},
        // A cell away from the image origin, fractions on both axes.
        {{8, 4, 6, 3}, 100.9f, 50.4f, SDL_FLIP_NONE, {97, 48, 6, 3}},
        {{3, 5, 7, 4}, 60.0f, 60.0f, SDL_FLIP_HORIZONTAL, {56, 58, 7, 4}},
        {{3, 5, 7, 4}, 60.0f, 60.0f, SDL_FLIP_VERTICAL, {56, 58, 7, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("source " + describe(c.source) + " at (" + std::to_string(c.x) + ", " +
                     std::to_string(c.y) + ") flip " + std::to_string(c.flip));
        preRender();
        renderSprite(sprite, c.source, c.x, c.y, c.flip);
        expectDrawnAt(render_support::readTarget(), c.source, c.destination, c.flip);
    }
}

TEST_F(SpriteDrawing, RenderSpriteExtraScalesThenTruncatesPositionAndSizeSeparately) {
    struct Case {
        Rectangle source;
        float x;
        float y;
        int centered;
        float scaleX;
        float scaleY;
        Rectangle destination;
    };
    const Case cases[] = {
        {{0, 0, 8, 8}, 10.7f, 10.2f, 1, 2.0f, 2.0f, {2, 2, 16, 16}},
        {{0, 0, 8, 8}, 10.7f, 10.2f, 0, 2.0f, 2.0f, {10, 10, 16, 16}},
        // trunc(10.2) - trunc(2.5) = 8, where renderSprite would give trunc(7.7) = 7.
        {{0, 0, 5, 5}, 10.2f, 10.2f, 1, 1.0f, 1.0f, {8, 8, 5, 5}},
        // Uncentred positions truncate toward zero too: -0.5 draws from 0.
        {{4, 4, 6, 6}, -0.5f, 30.9f, 0, 1.0f, 3.0f, {0, 30, 6, 18}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("source " + describe(c.source) + " at (" + std::to_string(c.x) + ", " +
                     std::to_string(c.y) + ") centred " + std::to_string(c.centered));
        preRender();
        renderSpriteExtra(sprite, c.source, c.x, c.y, SDL_FLIP_NONE, c.centered, c.scaleX, c.scaleY,
                          255, 255, 255, 255);
        expectDrawnAt(render_support::readTarget(), c.source, c.destination);
    }
    // A scale that does not divide evenly: only the truncated size is fixed.
    preRender();
    renderSpriteExtra(sprite, {0, 0, 8, 8}, 40.0f, 40.0f, SDL_FLIP_NONE, 0, 1.5f, 0.7f, 255, 255,
                      255, 255);
    const render_support::Box box = render_support::markedBox(render_support::readTarget());
    EXPECT_EQ(box.left, 40);
    EXPECT_EQ(box.top, 40);
    EXPECT_EQ(box.right - box.left + 1, 12);
    EXPECT_EQ(box.bottom - box.top + 1, 5);  // 8 x 0.7 = 5.6
}

TEST_F(SpriteDrawing, ModulationAppliesToOneDrawAndIsResetAfterIt) {
    auto expectUnmodulated = [this](const char* after) {
        Uint8 red = 0;
        Uint8 green = 0;
        Uint8 blue = 0;
        Uint8 alpha = 0;
        SDL_GetTextureColorMod(sprite->texture, &red, &green, &blue);
        SDL_GetTextureAlphaMod(sprite->texture, &alpha);
        EXPECT_TRUE(red == 255 && green == 255 && blue == 255 && alpha == 255)
            << "after " << after << ": colour " << int{red} << ", " << int{green} << ", "
            << int{blue} << ", alpha " << int{alpha};
    };
    // Source pixel (10, 20) is (40, 40, 200).
    const Rectangle pixel = {10, 20, 1, 1};
    renderSpriteExtra(sprite, pixel, 50.0f, 50.0f, SDL_FLIP_NONE, 0, 1.0f, 1.0f, 128, 255, 64, 255);
    expectUnmodulated("a tinted draw");
    renderSpriteExtra(sprite, pixel, 60.0f, 50.0f, SDL_FLIP_NONE, 0, 1.0f, 1.0f, 255, 255, 255,
                      128);
    expectUnmodulated("a half-transparent draw");
    renderSprite(sprite, pixel, 70.5f, 50.5f, SDL_FLIP_NONE);

    const Readback target = render_support::readTarget();
    ASSERT_GT(target.width, 0);
    auto near = [](int got, int want) { return std::abs(got - want) <= 2; };
    const render_support::Pixel tinted = target.at(50, 50);
    EXPECT_TRUE(near(tinted.r, 40 * 128 / 255) && near(tinted.g, 40) &&
                near(tinted.b, 200 * 64 / 255))
        << "tinted draw gave " << int{tinted.r} << ", " << int{tinted.g} << ", " << int{tinted.b};
    const render_support::Pixel faded = target.at(60, 50);
    EXPECT_TRUE(near(faded.r, 20) && near(faded.g, 20) && near(faded.b, 100))
        << "half-transparent draw over black gave " << int{faded.r} << ", " << int{faded.g} << ", "
        << int{faded.b};
    // The plain draw that follows shows the image's own colour.
    const render_support::Pixel plain = target.at(70, 50);
    EXPECT_EQ(plain.r, 40);
    EXPECT_EQ(plain.g, 40);
    EXPECT_EQ(plain.b, 200);
}
