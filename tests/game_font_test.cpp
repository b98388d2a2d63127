// The font's cell table, and text drawn into the real play field and read back by pixel.
#include "game_font.hpp"

#include <gtest/gtest.h>

#include <stb_image.h>

#include <string>

#include "engine_file_helper.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "game_constants.hpp"
#include "render_support.hpp"

using render_support::Readback;

namespace {
constexpr int kCell = 8;

// The layout the game's own arguments, (0, 0, 8, 8) and 7, must give.
GlyphCell sheetCell(int code) {
    const int index = code - kFirstGlyphCode;
    return {kCell * (index % 8), kCell * (index / 8)};
}

// Checks one glyph cell of the play field against the coordinate sheet: every pixel shows the
// matching pixel of the glyph's cell.
void expectGlyphAt(const Readback& target, int code, int left, int top) {
    const GlyphCell cell = sheetCell(code);
    int wrong = 0;
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            const int px = left + x;
            const int py = top + y;
            if (px < 0 || py < 0 || px >= target.width || py >= target.height) {
                continue;
            }
            const bool right = target.marked(px, py) && target.sourceX(px, py) == cell.x + x &&
                               target.sourceY(px, py) == cell.y + y;
            if (!right && ++wrong <= 3) {
                ADD_FAILURE() << "glyph " << code << " drawn at (" << left << ", " << top
                              << "): pixel (" << px << ", " << py << ") should show sheet ("
                              << cell.x + x << ", " << cell.y + y << ")";
            }
        }
    }
}

class TextDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        initializeFileHelper(kResourceNameRoom);
        initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
        ASSERT_NE(getRenderer(), nullptr);
        // A glyph sheet whose every pixel says where it came from.
        name = render_support::writeResourcePng("glyphs", 64, 96,
                                                render_support::coordinateImage(64, 96));
        sprite = newSprite(name.c_str());
        ASSERT_NE(sprite->texture, nullptr);
        font = newFont(sprite, {0, 0, kCell, kCell}, 7);
        preRender();
    }

    void TearDown() override {
        freeFont(font);
        freeSprite(sprite);
        render_support::removeResource(name);
        quitVideo();
        quitFileHelper();
    }

    std::string name;
    Sprite* sprite = nullptr;
    Font* font = nullptr;
};
}  // namespace

TEST(FontLayout, GameArgumentsGiveEightCellsToARowInTwelveRows) {
    Font* font = newFont(nullptr, kFirstGlyphCell, kGlyphLastColumn);
    EXPECT_EQ(font->cellWidth, 8);
    EXPECT_EQ(font->cellHeight, 8);
    for (int code = kFirstGlyphCode; code <= kLastGlyphCode; ++code) {
        const GlyphCell& cell = font->cells[static_cast<std::size_t>(code - kFirstGlyphCode)];
        EXPECT_EQ(cell.x, sheetCell(code).x) << "code " << code;
        EXPECT_EQ(cell.y, sheetCell(code).y) << "code " << code;
    }
    // The cells the sheet's layout names.
    EXPECT_EQ(font->cells['S' - kFirstGlyphCode].x, 24);
    EXPECT_EQ(font->cells['S' - kFirstGlyphCode].y, 48);
    EXPECT_EQ(font->cells[':' - kFirstGlyphCode].x, 16);
    EXPECT_EQ(font->cells[':' - kFirstGlyphCode].y, 24);
    EXPECT_EQ(font->cells[kLastGlyphCode - kFirstGlyphCode].x, 40);
    EXPECT_EQ(font->cells[kLastGlyphCode - kFirstGlyphCode].y, 88);
    freeFont(font);
}

TEST(FontLayout, RowLimitIsAnAbsoluteX) {
    // From x = 4 the limit 7 x 8 = 56 leaves room for seven cells, 4 to 52; 60 wraps.
    Font* shifted = newFont(nullptr, {4, 2, 8, 8}, 7);
    for (int i = 0; i < kGlyphCount; ++i) {
        const GlyphCell& cell = shifted->cells[static_cast<std::size_t>(i)];
        EXPECT_EQ(cell.x, 4 + 8 * (i % 7)) << "cell " << i;
        EXPECT_EQ(cell.y, 2 + 8 * (i / 7)) << "cell " << i;
    }
    freeFont(shifted);

    // A first x already past the limit wraps every cell, the first included.
    Font* past = newFont(nullptr, {60, 5, 8, 6}, 7);
    for (int i = 0; i < kGlyphCount; ++i) {
        const GlyphCell& cell = past->cells[static_cast<std::size_t>(i)];
        EXPECT_EQ(cell.x, 60) << "cell " << i;
        EXPECT_EQ(cell.y, 5 + 6 * (i + 1)) << "cell " << i;
    }
    freeFont(past);

    // Cells of another size: 5 wide with lastColumn 3 wraps once x passes 15.
    Font* narrow = newFont(nullptr, {0, 0, 5, 7}, 3);
    for (int i = 0; i < kGlyphCount; ++i) {
        const GlyphCell& cell = narrow->cells[static_cast<std::size_t>(i)];
        EXPECT_EQ(cell.x, 5 * (i % 4)) << "cell " << i;
        EXPECT_EQ(cell.y, 7 * (i / 4)) << "cell " << i;
    }
    freeFont(narrow);
}

TEST_F(TextDrawing, EachGlyphStartsHalfACellRightOfThePen) {
    print(font, "Score:", 8.0f, 2.0f);
    const Readback target = render_support::readTarget();
    ASSERT_GT(target.width, 0);
    const std::string text = "Score:";
    for (std::size_t i = 0; i < text.size(); ++i) {
        expectGlyphAt(target, text[i], 12 + 8 * static_cast<int>(i), 2);
    }
    EXPECT_EQ(target.markedCount(), 6 * 64) << "pixels drawn outside the six glyphs";
    const render_support::Box box = render_support::markedBox(target);
    EXPECT_EQ(box.left, 12);
    EXPECT_EQ(box.right, 59);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.bottom, 9);
}

TEST_F(TextDrawing, FractionsStayInThePenUntilEachGlyphIsPlaced) {
    struct Case {
        float x;
        float y;
        int left;
        int top;
    };
    const Case cases[] = {
        {8.5f, 2.0f, 12, 2},  // centres 16.5, 24.5: drawn from 12, 20
        // Near the edge the fraction decides: -3.5 + 8 - 4 = 0.5 draws from 0, where dropping
        // the fraction first would give 1.
        {-3.5f, 2.0f, 0, 2},
        // -0.5 + 4 - 4 = -0.5 truncates toward zero to 0.
        {40.0f, -0.5f, 44, 0},
        {20.75f, 30.99f, 24, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("print at (" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")");
        preRender();
        print(font, "Ab", c.x, c.y);
        const Readback target = render_support::readTarget();
        ASSERT_GT(target.width, 0);
        expectGlyphAt(target, 'A', c.left, c.top);
        expectGlyphAt(target, 'b', c.left + 8, c.top);
        EXPECT_EQ(target.markedCount(), 2 * 64);
    }
}

TEST_F(TextDrawing, SpaceDrawsItsCellAndCharactersWithoutAGlyphDrawNothing) {
    // The space is an ordinary glyph: its cell, here opaque, is drawn.
    print(font, " ", 0.0f, 0.0f);
    Readback target = render_support::readTarget();
    expectGlyphAt(target, ' ', 4, 0);
    EXPECT_EQ(target.markedCount(), 64);

    // Codes past 125, below 32 and the bytes 128 to 255 have no cell; each still takes its
    // place in the line, so the next glyph lands where it would have.
    preRender();
    print(font,
          "A~\x1f\x7f\x80\xff"
          "B",
          8.0f, 40.0f);
    target = render_support::readTarget();
    expectGlyphAt(target, 'A', 12, 40);
    expectGlyphAt(target, 'B', 12 + 6 * 8, 40);
    EXPECT_EQ(target.markedCount(), 2 * 64);

    preRender();
    print(font, "\x01\x7e\x7f\x80\xfe", 8.0f, 40.0f);
    print(font, "", 8.0f, 60.0f);
    EXPECT_EQ(render_support::readTarget().markedCount(), 0);
}

TEST(TextOnTheGameSheet, ScoreLabelShowsTheSheetsGlyphs) {
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    ASSERT_NE(getRenderer(), nullptr);
    Sprite* sheet = newSprite(kSheetName.c_str());
    ASSERT_NE(sheet->texture, nullptr);
    Font* font = newFont(sheet, kFirstGlyphCell, kGlyphLastColumn);
    preRender();
    print(font, "Score:", 8.0f, 2.0f);
    const Readback target = render_support::readTarget();
    freeFont(font);
    freeSprite(sheet);
    quitVideo();
    quitFileHelper();

    int width = 0;
    int height = 0;
    int channels = 0;
    const std::string path = std::string(BRICKFALL_BUILD_DIR) + "/Resources/IMG/Main.png";
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    ASSERT_GT(target.width, 0);
    // Glyph ink is opaque and everything else clear, so on the black field each pixel shows
    // either the ink's own colour or black.
    const std::string text = "Score:";
    int wrong = 0;
    int ink = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const GlyphCell cell = sheetCell(text[i]);
        for (int y = 0; y < kCell; ++y) {
            for (int x = 0; x < kCell; ++x) {
                const stbi_uc* want = pixels + (static_cast<std::size_t>(cell.y + y) *
                                                    static_cast<std::size_t>(width) +
                                                static_cast<std::size_t>(cell.x + x)) *
                                                   4;
                const bool opaque = want[3] == 255;
                ink += opaque ? 1 : 0;
                const render_support::Pixel got =
                    target.at(12 + 8 * static_cast<int>(i) + x, 2 + y);
                const bool same = opaque ? got.r == want[0] && got.g == want[1] && got.b == want[2]
                                         : got.r == 0 && got.g == 0 && got.b == 0;
                if (!same && ++wrong <= 3) {
                    ADD_FAILURE() << "'" << text[i] << "' pixel (" << x << ", " << y
                                  << ") differs from the sheet";
                }
            }
        }
    }
    stbi_image_free(pixels);
    EXPECT_GT(ink, 6 * 4) << "the label drew almost no ink";
}
