// The committed sprite sheet: that it is what the art code draws today and that every cell the
// game cuts from it holds something, with nothing stray around the cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game_constants.hpp"
#include "render_support.hpp"
#include "sheet_art.hpp"

namespace {
struct Cell {
    const char* name;
    int x;
    int y;
    int w;
    int h;
};

constexpr Cell cell(const char* name, Rectangle where) {
    return {name, where.x, where.y, where.w, where.h};
}

// Where the game cuts its sprites from the sheet.
constexpr Cell kBall = cell("ball", kBallCell);
constexpr Cell kBlock = cell("block", kBlockCell);
constexpr Cell kCoin = cell("coin", kCoinCell);
constexpr Cell kPaddle = cell("paddle", kPaddleCell);
constexpr Cell kSprites[] = {kBall, kBlock, kCoin, kPaddle};
constexpr int kGlyphSize = 8;
constexpr int kFirstCode = 32;
constexpr int kLastCode = 125;
// The cells of "[", "\" and "]" hold page icons instead of letters.
constexpr int kIconCodes[] = {'[', '\\', ']'};

struct Decoded : sheet_art::Image {
    const std::uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)) *
                     4];
    }
    std::uint8_t alpha(int x, int y) const { return at(x, y)[3]; }
};

Decoded loadPng(const std::string& path) {
    return {render_support::readPng(path)};
}

const std::string kCommittedSheet = std::string(BRICKFALL_SOURCE_DIR) + "/Resources/IMG/Main.png";
const std::string kBuiltSheet = std::string(BRICKFALL_BUILD_DIR) + "/Resources/IMG/Main.png";

Cell glyphCell(int code) {
    const int index = code - kFirstCode;
    return {"glyph", kGlyphSize * (index % 8), kGlyphSize * (index / 8), kGlyphSize, kGlyphSize};
}

// Pixels that show at all, however faintly.
int coveredCount(const Decoded& sheet, const Cell& cell) {
    int count = 0;
    for (int y = cell.y; y < cell.y + cell.h; ++y) {
        for (int x = cell.x; x < cell.x + cell.w; ++x) {
            count += sheet.alpha(x, y) != 0 ? 1 : 0;
        }
    }
    return count;
}

int opaqueCount(const Decoded& sheet, const Cell& cell) {
    int count = 0;
    for (int y = cell.y; y < cell.y + cell.h; ++y) {
        for (int x = cell.x; x < cell.x + cell.w; ++x) {
            count += sheet.alpha(x, y) == 255 ? 1 : 0;
        }
    }
    return count;
}

// Rows of the glyph cell that hold ink, as a range; {8, -1} when the cell is empty.
std::pair<int, int> inkRows(const Decoded& sheet, int code) {
    const Cell cell = glyphCell(code);
    std::pair<int, int> rows = {kGlyphSize, -1};
    for (int y = 0; y < kGlyphSize; ++y) {
        for (int x = 0; x < kGlyphSize; ++x) {
            if (sheet.alpha(cell.x + x, cell.y + y) != 0) {
                rows.first = std::min(rows.first, y);
                rows.second = std::max(rows.second, y);
            }
        }
    }
    return rows;
}

bool insideAnyCell(int x, int y) {
    auto inside = [x, y](const Cell& cell) {
        return x >= cell.x && x < cell.x + cell.w && y >= cell.y && y < cell.y + cell.h;
    };
    for (int code = kFirstCode; code <= kLastCode; ++code) {
        if (inside(glyphCell(code))) {
            return true;
        }
    }
    for (const Cell& sprite : kSprites) {
        if (inside(sprite)) {
            return true;
        }
    }
    return false;
}

bool isIcon(int code) {
    for (int icon : kIconCodes) {
        if (code == icon) {
            return true;
        }
    }
    return false;
}
}  // namespace

TEST(SpriteSheet, CommittedFileIsWhatTheArtDrawsToday) {
    const sheet_art::Image drawn = sheet_art::makeSheet();
    ASSERT_EQ(drawn.rgba.size(),
              static_cast<std::size_t>(drawn.width) * static_cast<std::size_t>(drawn.height) * 4);
    // The game reads the copy beside the executable, so that one must match too.
    for (const std::string& path : {kCommittedSheet, kBuiltSheet}) {
        const Decoded committed = loadPng(path);
        ASSERT_FALSE(committed.rgba.empty()) << path << " does not decode";
        ASSERT_EQ(committed.width, drawn.width) << path;
        ASSERT_EQ(committed.height, drawn.height) << path;
        int differing = 0;
        std::string first;
        for (int y = 0; y < drawn.height; ++y) {
            for (int x = 0; x < drawn.width; ++x) {
                const std::uint8_t* want = &drawn.rgba[(static_cast<std::size_t>(y) *
                                                            static_cast<std::size_t>(drawn.width) +
                                                        static_cast<std::size_t>(x)) *
                                                       4];
                const std::uint8_t* got = committed.at(x, y);
                if (!std::equal(want, want + 4, got)) {
                    if (differing == 0) {
                        first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
                    }
                    ++differing;
                }
            }
        }
        EXPECT_EQ(differing, 0) << path << " differs from the art, first at " << first
                                << "; rebuild it with the 'sheet' target";
    }
}

TEST(SpriteSheet, EveryCellTheGameCutsHoldsArtAndNothingLiesOutside) {
    const Decoded sheet = loadPng(kCommittedSheet);
    ASSERT_FALSE(sheet.rgba.empty());
    ASSERT_GE(sheet.width, 80);
    ASSERT_GE(sheet.height, 108);

    // Text shows its gaps through the space, which print draws like any glyph.
    EXPECT_EQ(coveredCount(sheet, glyphCell(' ')), 0) << "the space cell is not fully clear";
    for (int code = kFirstCode + 1; code <= kLastCode; ++code) {
        EXPECT_GT(opaqueCount(sheet, glyphCell(code)), 0)
            << "glyph '" << static_cast<char>(code) << "' (" << code << ") is empty";
    }
    for (const Cell& sprite : kSprites) {
        EXPECT_GT(opaqueCount(sheet, sprite), 0) << sprite.name << " cell is empty";
    }
    int strays = 0;
    for (int y = 0; y < sheet.height; ++y) {
        for (int x = 0; x < sheet.width; ++x) {
            if (!insideAnyCell(x, y) && sheet.alpha(x, y) != 0) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") lies outside every cell";
                if (++strays > 10) {
                    return;
                }
            }
        }
    }
}

TEST(SpriteSheet, GlyphsAreDistinctLightAndShareABaseline) {
    const Decoded sheet = loadPng(kCommittedSheet);
    ASSERT_FALSE(sheet.rgba.empty());
    const std::string descenders = "gjpqy";
    for (int code = kFirstCode + 1; code <= kLastCode; ++code) {
        const char character = static_cast<char>(code);
        const Cell cell = glyphCell(code);
        if (isIcon(code)) {
            continue;
        }
        for (int y = 0; y < kGlyphSize; ++y) {
            for (int x = 0; x < kGlyphSize; ++x) {
                const std::uint8_t* pixel = sheet.at(cell.x + x, cell.y + y);
                // Text is drawn on black: ink must be light, and the last column stays clear
                // so that neighbouring letters never touch.
                if (pixel[3] != 0) {
                    EXPECT_TRUE(pixel[0] >= 160 && pixel[1] >= 160 && pixel[2] >= 160)
                        << "dark ink in '" << character << "' at row " << y;
                    EXPECT_NE(x, kGlyphSize - 1) << "'" << character << "' fills its last column";
                }
            }
        }
        const bool letterOrDigit = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
                                   (code >= '0' && code <= '9');
        if (letterOrDigit) {
            const bool descends = descenders.find(character) != std::string::npos;
            EXPECT_EQ(inkRows(sheet, code).second, descends ? 7 : 6)
                << "'" << character << "' does not sit on the baseline";
        }
        if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
            EXPECT_EQ(inkRows(sheet, code).first, 0) << "'" << character << "' is short";
        }
    }
    // A glyph copied into the wrong cell shows up as two identical cells.
    for (int a = kFirstCode; a <= kLastCode; ++a) {
        for (int b = a + 1; b <= kLastCode; ++b) {
            const Cell first = glyphCell(a);
            const Cell second = glyphCell(b);
            bool same = true;
            for (int y = 0; y < kGlyphSize && same; ++y) {
                for (int x = 0; x < kGlyphSize && same; ++x) {
                    same = std::equal(sheet.at(first.x + x, first.y + y),
                                      sheet.at(first.x + x, first.y + y) + 4,
                                      sheet.at(second.x + x, second.y + y));
                }
            }
            EXPECT_FALSE(same) << "glyphs " << a << " and " << b << " are identical";
        }
    }
}

TEST(SpriteSheet, RoundSpritesHaveClearCornersAndBlocksFillTheirCell) {
    const Decoded sheet = loadPng(kCommittedSheet);
    ASSERT_FALSE(sheet.rgba.empty());
    for (const Cell& round : {kBall, kCoin, kPaddle}) {
        const int right = round.x + round.w - 1;
        const int bottom = round.y + round.h - 1;
        EXPECT_EQ(sheet.alpha(round.x, round.y), 0) << round.name;
        EXPECT_EQ(sheet.alpha(right, round.y), 0) << round.name;
        EXPECT_EQ(sheet.alpha(round.x, bottom), 0) << round.name;
        EXPECT_EQ(sheet.alpha(right, bottom), 0) << round.name;
        EXPECT_EQ(sheet.alpha(round.x + round.w / 2, round.y + round.h / 2), 255) << round.name;
        // Each reaches all four edges of its cell, so nothing is cut off or left loose.
        EXPECT_EQ(sheet.alpha(round.x + round.w / 2, round.y), 255) << round.name;
        EXPECT_EQ(sheet.alpha(round.x + round.w / 2, bottom), 255) << round.name;
        EXPECT_EQ(sheet.alpha(round.x, round.y + round.h / 2), 255) << round.name;
        EXPECT_EQ(sheet.alpha(right, round.y + round.h / 2), 255) << round.name;
    }
    // Blocks are laid edge to edge at their collision size, so the art covers the whole cell.
    EXPECT_EQ(opaqueCount(sheet, kBlock), kBlock.w * kBlock.h);
}
