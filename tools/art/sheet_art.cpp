// sheet_art -- the pixels of the sprite sheet: glyphs, page icons and sprites, drawn in code.
#include "sheet_art.hpp"

#include <array>
#include <cstddef>
#include <string_view>

#include "game_constants.hpp"

namespace {
struct Colour {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

struct Ink {
    char key;
    Colour colour;
};

// The glyphs are drawn where the game cuts them: from the first glyph cell, a row of
// kGlyphLastColumn + 1 cells of its size at a time.
constexpr int kCellSize = kFirstGlyphCell.w;
constexpr int kGlyphColumns = kGlyphLastColumn + 1;
static_assert(kFirstGlyphCell.h == kCellSize, "square glyph cells");
constexpr int kGlyphRows = 12;
// Cells in a row of the glyph picture below are kept apart by one space.
constexpr int kCellStride = kCellSize + 1;
constexpr std::size_t kGlyphAreaWidth = kGlyphColumns * kCellStride - 1;
constexpr int kGlyphAreaHeight = kGlyphRows * kCellSize;

// The glyph area as it sits on the sheet: twelve rows of eight cells for the codes 32 to 125,
// then two empty cells. '#' is text ink; letters are the colours of the page icons that stand
// in for "[", "\" and "]". Capitals stand on row 6; descenders reach row 7.
// clang-format off
constexpr std::array<std::string_view, kGlyphAreaHeight> kGlyphArea = {
    // space ! " # $ % & '
    "........ ...#.... ..#.#... ..#.#... ...#.... .##..... ..#..... ...#....",
    "........ ...#.... ..#.#... ..#.#... ..####.. .##..#.. .#.#.... ...#....",
    "........ ...#.... ..#.#... .#####.. .#.#.... ....#... .#.#.... ..#.....",
    "........ ...#.... ........ ..#.#... ..###... ...#.... ..#..... ........",
    "........ ...#.... ........ .#####.. ...#.#.. ..#..... .#.#.#.. ........",
    "........ ........ ........ ..#.#... .####... .#..##.. .#..#... ........",
    "........ ...#.... ........ ..#.#... ...#.... ....##.. ..##.#.. ........",
    "........ ........ ........ ........ ........ ........ ........ ........",
    // ( ) * + , - . /
    "....#... ..#..... ........ ........ ........ ........ ........ .....#..",
    "...#.... ...#.... ...#.... ...#.... ........ ........ ........ .....#..",
    "..#..... ....#... .#.#.#.. ...#.... ........ ........ ........ ....#...",
    "..#..... ....#... ..###... .#####.. ........ .#####.. ........ ...#....",
    "..#..... ....#... .#.#.#.. ...#.... ........ ........ ........ ..#.....",
    "...#.... ...#.... ...#.... ...#.... ...##... ........ ..##.... .#......",
    "....#... ..#..... ........ ........ ...##... ........ ..##.... .#......",
    "........ ........ ........ ........ ..#..... ........ ........ ........",
    // 0 1 2 3 4 5 6 7
    "..###... ...#.... ..###... .#####.. ....#... .#####.. ...##... .#####..",
    ".#...#.. ..##.... .#...#.. ....#... ...##... .#...... ..#..... .....#..",
    ".#..##.. ...#.... .....#.. ...#.... ..#.#... .####... .#...... ....#...",
    ".#.#.#.. ...#.... ....#... ....#... .#..#... .....#.. .####... ...#....",
    ".##..#.. ...#.... ...#.... .....#.. .#####.. .....#.. .#...#.. ..#.....",
    ".#...#.. ...#.... ..#..... .#...#.. ....#... .#...#.. .#...#.. ..#.....",
    "..###... ..###... .#####.. ..###... ....#... ..###... ..###... ..#.....",
    "........ ........ ........ ........ ........ ........ ........ ........",
    // 8 9 : ; < = > ?
    "..###... ..###... ........ ........ ....#... ........ .#...... ..###...",
    ".#...#.. .#...#.. ..##.... ..##.... ...#.... ........ .##..... .#...#..",
    ".#...#.. .#...#.. ..##.... ..##.... ..#..... .#####.. .###.... .....#..",
    "..###... ..####.. ........ ........ .#...... ........ .####... ....#...",
    ".#...#.. .....#.. ..##.... ..##.... ..#..... .#####.. .###.... ...#....",
    ".#...#.. ....#... ..##.... ..##.... ...#.... ........ .##..... ........",
    "..###... ..##.... ........ ...#.... ....#... ........ .#...... ...#....",
    "........ ........ ........ ..#..... ........ ........ ........ ........",
    // @ A B C D E F G
    "..###... ..###... .####... ..###... .####... .#####.. .#####.. ..###...",
    ".#...#.. .#...#.. .#...#.. .#...#.. .#...#.. .#...... .#...... .#...#..",
    ".#.###.. .#...#.. .#...#.. .#...... .#...#.. .#...... .#...... .#......",
    ".#.#.#.. .#####.. .####... .#...... .#...#.. .####... .####... .#.###..",
    ".#.###.. .#...#.. .#...#.. .#...... .#...#.. .#...... .#...... .#...#..",
    ".#...... .#...#.. .#...#.. .#...#.. .#...#.. .#...... .#...... .#...#..",
    "..####.. .#...#.. .####... ..###... .####... .#####.. .#...... ..####..",
    "........ ........ ........ ........ ........ ........ ........ ........",
    // H I J K L M N O
    ".#...#.. ..###... ...###.. .#...#.. .#...... .#...#.. .#...#.. ..###...",
    ".#...#.. ...#.... ....#... .#..#... .#...... .##.##.. .#...#.. .#...#..",
    ".#...#.. ...#.... ....#... .#.#.... .#...... .#.#.#.. .##..#.. .#...#..",
    ".#####.. ...#.... ....#... .##..... .#...... .#.#.#.. .#.#.#.. .#...#..",
    ".#...#.. ...#.... ....#... .#.#.... .#...... .#...#.. .#..##.. .#...#..",
    ".#...#.. ...#.... .#..#... .#..#... .#...... .#...#.. .#...#.. .#...#..",
    ".#...#.. ..###... ..##.... .#...#.. .#####.. .#...#.. .#...#.. ..###...",
    "........ ........ ........ ........ ........ ........ ........ ........",
    // P Q R S T U V W
    ".####... ..###... .####... ..####.. .#####.. .#...#.. .#...#.. .#...#..",
    ".#...#.. .#...#.. .#...#.. .#...... ...#.... .#...#.. .#...#.. .#...#..",
    ".#...#.. .#...#.. .#...#.. .#...... ...#.... .#...#.. .#...#.. .#...#..",
    ".####... .#...#.. .####... ..###... ...#.... .#...#.. .#...#.. .#.#.#..",
    ".#...... .#.#.#.. .#.#.... .....#.. ...#.... .#...#.. .#...#.. .#.#.#..",
    ".#...... .#..#... .#..#... .....#.. ...#.... .#...#.. ..#.#... .#.#.#..",
    ".#...... ..##.#.. .#...#.. .####... ...#.... ..###... ...#.... ..#.#...",
    "........ ........ ........ ........ ........ ........ ........ ........",
    // X Y Z [ \ ] ^ _
    ".#...#.. .#...#.. .#####.. ........ wwwwwwww ..yyyyyy ...#.... ........",
    ".#...#.. .#...#.. .....#.. .gg..gg. wccbbbbw ..yyyyyy ..#.#... ........",
    "..#.#... ..#.#... ....#... gkgggggg wcbbbbbw ..y....y .#...#.. ........",
    "...#.... ...#.... ...#.... kkkggrgg wbbbbbbw ..y....y ........ ........",
    "..#.#... ...#.... ..#..... gkggbggg wbbbbbbw ..y....y ........ ........",
    ".#...#.. ...#.... .#...... gggggggg wwwwwwww yyy..yyy ........ ........",
    ".#...#.. ...#.... .#####.. gg....gg ...ww... yyy..yyy ........ ........",
    "........ ........ ........ ........ .wwwwww. ........ ........ .#####..",
    // ` a b c d e f g
    "..#..... ........ .#...... ........ .....#.. ........ ....##.. ........",
    "...#.... ........ .#...... ........ .....#.. ........ ...#.... ........",
    "........ ..###... .####... ..####.. ..####.. ..###... ..####.. ..####..",
    "........ .....#.. .#...#.. .#...... .#...#.. .#...#.. ...#.... .#...#..",
    "........ ..####.. .#...#.. .#...... .#...#.. .#####.. ...#.... .#...#..",
    "........ .#...#.. .#...#.. .#...... .#...#.. .#...... ...#.... ..####..",
    "........ ..####.. .####... ..####.. ..####.. ..###... ...#.... .....#..",
    "........ ........ ........ ........ ........ ........ ........ .####...",
    // h i j k l m n o
    ".#...... ...#.... ....#... .#...... ..##.... ........ ........ ........",
    ".#...... ........ ........ .#...... ...#.... ........ ........ ........",
    ".####... ..##.... ...##... .#..#... ...#.... .##.#... .####... ..###...",
    ".#...#.. ...#.... ....#... .#.#.... ...#.... .#.#.#.. .#...#.. .#...#..",
    ".#...#.. ...#.... ....#... .##..... ...#.... .#.#.#.. .#...#.. .#...#..",
    ".#...#.. ...#.... ....#... .#.#.... ...#.... .#.#.#.. .#...#.. .#...#..",
    ".#...#.. ..###... .#..#... .#..#... ..###... .#...#.. .#...#.. ..###...",
    "........ ........ ..##.... ........ ........ ........ ........ ........",
    // p q r s t u v w
    "........ ........ ........ ........ ..#..... ........ ........ ........",
    "........ ........ ........ ........ ..#..... ........ ........ ........",
    ".####... ..####.. .#.##... ..####.. .####... .#...#.. .#...#.. .#...#..",
    ".#...#.. .#...#.. .##..#.. .#...... ..#..... .#...#.. .#...#.. .#...#..",
    ".#...#.. .#...#.. .#...... ..###... ..#..... .#...#.. .#...#.. .#.#.#..",
    ".####... ..####.. .#...... .....#.. ..#..#.. .#..##.. ..#.#... .#.#.#..",
    ".#...... .....#.. .#...... .####... ...##... ..##.#.. ...#.... ..#.#...",
    ".#...... .....#.. ........ ........ ........ ........ ........ ........",
    // x y z { | } (no glyph) (no glyph)
    "........ ........ ........ ....##.. ...#.... .##..... ........ ........",
    "........ ........ ........ ...#.... ...#.... ...#.... ........ ........",
    ".#...#.. .#...#.. .#####.. ...#.... ...#.... ...#.... ........ ........",
    "..#.#... .#...#.. ....#... ..#..... ...#.... ....#... ........ ........",
    "...#.... .#...#.. ...#.... ...#.... ...#.... ...#.... ........ ........",
    "..#.#... ..####.. ..#..... ...#.... ...#.... ...#.... ........ ........",
    ".#...#.. .....#.. .#####.. ....##.. ...#.... .##..... ........ ........",
    "........ .####... ........ ........ ........ ........ ........ ........",

};
// clang-format on

// Text ink fades from white to a cool grey down the cell, so letters keep some depth at 3x.
constexpr std::array<Colour, kCellSize> kTextRows = {{
    {255, 255, 255},
    {255, 255, 255},
    {244, 246, 255},
    {236, 240, 255},
    {226, 232, 252},
    {216, 224, 248},
    {204, 214, 242},
    {192, 204, 236},
}};

constexpr std::array<Ink, 7> kIconInks = {{
    {'w', {214, 220, 232}},  // monitor frame and stand
    {'b', {46, 96, 200}},    // screen
    {'c', {150, 210, 255}},  // glare on the screen
    {'y', {255, 206, 64}},   // notes
    {'g', {176, 182, 196}},  // gamepad body
    {'k', {60, 64, 80}},     // direction pad
    {'r', {232, 56, 56}},    // buttons
}};

// A steel ball lit from the top left.
// clang-format off
constexpr std::array<std::string_view, 7> kBall = {
    "..LLM..",
    ".LHHLM.",
    "LHHLLMD",
    "LHLLMMD",
    "LLLMMDD",
    ".MMMDD.",
    "..DDD..",
};
// clang-format on

constexpr std::array<Ink, 4> kBallInks = {{
    {'H', {255, 255, 255}},
    {'L', {202, 222, 255}},
    {'M', {140, 168, 228}},
    {'D', {78, 98, 168}},
}};

// Blocks fill the whole cell and sit edge to edge; the bevel keeps them apart on screen.
// clang-format off
constexpr std::array<std::string_view, 8> kBlock = {
    "HHHHHHHHHHHHHHHL",
    "HLLLLLLLLLLLLLMD",
    "HLFFFFFFFFFFFFMD",
    "HLFFFFFFFFFFFFMD",
    "HLFFFFFFFFFFFFMD",
    "HLFFFFFFFFFFFFMD",
    "HMMMMMMMMMMMMMMD",
    "LDDDDDDDDDDDDDDD",
};
// clang-format on

constexpr std::array<Ink, 5> kBlockInks = {{
    {'H', {200, 220, 255}},
    {'L', {140, 172, 255}},
    {'F', {72, 110, 222}},
    {'M', {44, 68, 160}},
    {'D', {26, 36, 104}},
}};

// clang-format off
constexpr std::array<std::string_view, 9> kCoin = {
    "..OOOOO..",
    ".OYYYYYO.",
    "OYWGGGGDO",
    "OYGGSGGDO",
    "OYGGSGGDO",
    "OYGGSGGDO",
    "OYGGGGGDO",
    ".ODDDDDO.",
    "..OOOOO..",
};
// clang-format on

constexpr std::array<Ink, 6> kCoinInks = {{
    {'O', {150, 88, 12}},    // outer rim
    {'Y', {255, 222, 96}},   // lit rim
    {'D', {196, 124, 20}},   // shaded rim
    {'G', {242, 182, 34}},   // face
    {'S', {255, 236, 150}},  // stamp
    {'W', {255, 255, 230}},  // shine
}};

// A steel capsule with red end caps, lit from above.
// clang-format off
constexpr std::array<std::string_view, 11> kPaddle = {
    "....SSkBBBBBBBBBBBBBBkSS....",
    "..RRRRkAAAAAAAAAAAAAAkRRRR..",
    ".RWWRRkAAAAAAAAAAAAAAkRRRRR.",
    "SRRSSSkBBBBBBBBBBBBBBkSSSSST",
    "SSSSSSkBBBBBBBBBBBBBBkSSSSST",
    "SSSSSSkBBBBBBBBBBBBBBkSSSSST",
    "TSSSSSkBBBBBBBBBBBBBBkSSSSTT",
    "TTTTTTkCCCCCCCCCCCCCCkTTTTTT",
    ".TTTTTkCCCCCCCCCCCCCCkTTTTU.",
    "..UUUUkDDDDDDDDDDDDDDkUUUU..",
    "....UUkDDDDDDDDDDDDDDkUU....",
};
// clang-format on

constexpr std::array<Ink, 10> kPaddleInks = {{
    {'W', {255, 210, 200}},
    {'R', {255, 140, 120}},
    {'S', {228, 60, 50}},
    {'T', {164, 32, 32}},
    {'U', {104, 16, 22}},
    {'A', {255, 255, 255}},
    {'B', {214, 220, 236}},
    {'C', {160, 170, 196}},
    {'D', {100, 110, 142}},
    {'k', {56, 56, 72}},
}};

template <std::size_t InkCount>
constexpr bool hasInk(char key, const std::array<Ink, InkCount>& inks) {
    for (const Ink& ink : inks) {
        if (ink.key == key) {
            return true;
        }
    }
    return false;
}

template <std::size_t InkCount>
constexpr Colour inkFor(char key, const std::array<Ink, InkCount>& inks) {
    for (const Ink& ink : inks) {
        if (ink.key == key) {
            return ink.colour;
        }
    }
    return {0, 0, 0};
}

// The picture fills the cell the game cuts, row for row, and every key but '.' (clear) has a
// colour, so a slip in a picture stops the build instead of shipping a hole or a smear.
template <std::size_t RowCount, std::size_t InkCount>
constexpr bool isWholePicture(const std::array<std::string_view, RowCount>& rows, Rectangle cell,
                              const std::array<Ink, InkCount>& inks) {
    if (RowCount != static_cast<std::size_t>(cell.h)) {
        return false;
    }
    for (const std::string_view row : rows) {
        if (row.size() != static_cast<std::size_t>(cell.w)) {
            return false;
        }
        for (const char key : row) {
            if (key != '.' && !hasInk(key, inks)) {
                return false;
            }
        }
    }
    return true;
}

// Cells are kept apart by a space and hold only '.', '#' or icon colours.
constexpr bool isWholeGlyphArea() {
    for (const std::string_view row : kGlyphArea) {
        if (row.size() != kGlyphAreaWidth) {
            return false;
        }
        for (std::size_t at = 0; at < row.size(); ++at) {
            const bool separator = at % kCellStride == kCellSize;
            const char key = row[at];
            if (separator ? key != ' ' : key != '.' && key != '#' && !hasInk(key, kIconInks)) {
                return false;
            }
        }
    }
    return true;
}

static_assert(isWholeGlyphArea(), "glyph picture");
static_assert(isWholePicture(kBall, kBallCell, kBallInks), "ball picture");
static_assert(isWholePicture(kBlock, kBlockCell, kBlockInks), "block picture");
static_assert(isWholePicture(kCoin, kCoinCell, kCoinInks), "coin picture");
static_assert(isWholePicture(kPaddle, kPaddleCell, kPaddleInks), "paddle picture");

// The menu's cursor is the glyph of ">".
constexpr int kCursorGlyph = '>' - ' ';
static_assert(kCursorCell.x == kFirstGlyphCell.x + kCellSize * (kCursorGlyph % kGlyphColumns) &&
                  kCursorCell.y == kFirstGlyphCell.y + kCellSize * (kCursorGlyph / kGlyphColumns) &&
                  kCursorCell.w == kCellSize && kCursorCell.h == kCellSize,
              "cursor cell");

void putPixel(sheet_art::Image& image, int x, int y, Colour colour) {
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                            static_cast<std::size_t>(x)) *
                           4;
    image.rgba[at] = colour.r;
    image.rgba[at + 1] = colour.g;
    image.rgba[at + 2] = colour.b;
    image.rgba[at + 3] = 255;
}

template <std::size_t RowCount, std::size_t InkCount>
void paint(sheet_art::Image& image, Rectangle cell,
           const std::array<std::string_view, RowCount>& rows,
           const std::array<Ink, InkCount>& inks) {
    for (std::size_t row = 0; row < RowCount; ++row) {
        for (std::size_t column = 0; column < rows[row].size(); ++column) {
            const char key = rows[row][column];
            if (key != '.') {
                putPixel(image, cell.x + static_cast<int>(column), cell.y + static_cast<int>(row),
                         inkFor(key, inks));
            }
        }
    }
}

void paintGlyphs(sheet_art::Image& image) {
    for (int y = 0; y < kGlyphAreaHeight; ++y) {
        const std::string_view row = kGlyphArea[static_cast<std::size_t>(y)];
        for (int cell = 0; cell < kGlyphColumns; ++cell) {
            for (int x = 0; x < kCellSize; ++x) {
                const char key = row[static_cast<std::size_t>(cell * kCellStride + x)];
                if (key == '.') {
                    continue;
                }
                const Colour colour = key == '#'
                                          ? kTextRows[static_cast<std::size_t>(y % kCellSize)]
                                          : inkFor(key, kIconInks);
                putPixel(image, kFirstGlyphCell.x + cell * kCellSize + x, kFirstGlyphCell.y + y,
                         colour);
            }
        }
    }
}
}  // namespace

namespace sheet_art {

Image makeSheet() {
    Image image;
    image.width = kSheetWidth;
    image.height = kSheetHeight;
    image.rgba.assign(static_cast<std::size_t>(kSheetWidth * kSheetHeight * 4), 0);
    paintGlyphs(image);
    paint(image, kBallCell, kBall, kBallInks);
    paint(image, kBlockCell, kBlock, kBlockInks);
    paint(image, kCoinCell, kCoin, kCoinInks);
    paint(image, kPaddleCell, kPaddle, kPaddleInks);
    return image;
}

}  // namespace sheet_art
