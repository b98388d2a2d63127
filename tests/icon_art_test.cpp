// The desktop icon: that it shows the game's own sprites exactly as the sheet holds them, on
// nothing but transparency, and that every installed size is that picture scaled by whole
// pixels.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game_constants.hpp"
#include "icon_art.hpp"
#include "render_support.hpp"
#include "sheet_art.hpp"

namespace {
struct Cell {
    int x;
    int y;
    int w;
    int h;
};

// Where the game cuts these sprites from the sheet.
constexpr Cell kBall = {kBallCell.x, kBallCell.y, kBallCell.w, kBallCell.h};
constexpr Cell kBlock = {kBlockCell.x, kBlockCell.y, kBlockCell.w, kBlockCell.h};
constexpr Cell kPaddle = {kPaddleCell.x, kPaddleCell.y, kPaddleCell.w, kPaddleCell.h};

struct Found {
    int x;
    int y;
    Cell cell;
};

const std::string kCommittedSheet = std::string(BRICKFALL_SOURCE_DIR) + "/Resources/IMG/Main.png";

std::array<std::uint8_t, 4> pixel(const sheet_art::Image& image, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                            static_cast<std::size_t>(x)) *
                           4;
    return {image.rgba[at], image.rgba[at + 1], image.rgba[at + 2], image.rgba[at + 3]};
}

// Every place where the icon holds the cell pixel for pixel, its transparent pixels included.
std::vector<Found> findCell(const sheet_art::Image& icon, const sheet_art::Image& sheet,
                            const Cell& cell) {
    std::vector<Found> found;
    for (int oy = 0; oy + cell.h <= icon.height; ++oy) {
        for (int ox = 0; ox + cell.w <= icon.width; ++ox) {
            bool same = true;
            for (int y = 0; y < cell.h && same; ++y) {
                for (int x = 0; x < cell.w && same; ++x) {
                    same = pixel(icon, ox + x, oy + y) == pixel(sheet, cell.x + x, cell.y + y);
                }
            }
            if (same) {
                found.push_back({ox, oy, cell});
            }
        }
    }
    return found;
}

bool covers(const Found& piece, int x, int y) {
    return x >= piece.x && x < piece.x + piece.cell.w && y >= piece.y && y < piece.y + piece.cell.h;
}

bool overlap(const Found& a, const Found& b) {
    return a.x < b.x + b.cell.w && b.x < a.x + a.cell.w && a.y < b.y + b.cell.h &&
           b.y < a.y + a.cell.h;
}

sheet_art::Image solid(int width, int height, std::array<std::uint8_t, 4> colour) {
    sheet_art::Image image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < width * height; ++i) {
        image.rgba.insert(image.rgba.end(), colour.begin(), colour.end());
    }
    return image;
}
}  // namespace

TEST(IconArt, ShowsTwoBlocksTheBallAndThePaddleFromTheSheetOnTransparency) {
    const sheet_art::Image sheet = render_support::readPng(kCommittedSheet);
    ASSERT_EQ(sheet.width, kSheetWidth) << kCommittedSheet;
    const sheet_art::Image icon = icon_art::composeIcon(sheet);
    ASSERT_EQ(icon.width, icon_art::kArtSize);
    ASSERT_EQ(icon.height, icon_art::kArtSize);
    ASSERT_EQ(icon.rgba.size(),
              static_cast<std::size_t>(icon_art::kArtSize * icon_art::kArtSize * 4));

    const std::vector<Found> blocks = findCell(icon, sheet, kBlock);
    const std::vector<Found> balls = findCell(icon, sheet, kBall);
    const std::vector<Found> paddles = findCell(icon, sheet, kPaddle);
    ASSERT_EQ(blocks.size(), 2u);
    ASSERT_EQ(balls.size(), 1u);
    ASSERT_EQ(paddles.size(), 1u);
    const std::vector<Found> pieces = {blocks[0], blocks[1], balls[0], paddles[0]};
    for (std::size_t a = 0; a < pieces.size(); ++a) {
        for (std::size_t b = a + 1; b < pieces.size(); ++b) {
            EXPECT_FALSE(overlap(pieces[a], pieces[b])) << "pieces " << a << " and " << b;
        }
    }

    // Read top to bottom it is a stage: the wall, the ball, the paddle under the ball.
    const Found& ball = balls[0];
    const Found& paddle = paddles[0];
    for (const Found& block : blocks) {
        EXPECT_LE(block.y + kBlock.h, ball.y);
    }
    EXPECT_LE(ball.y + kBall.h, paddle.y);
    EXPECT_GE(ball.x, paddle.x);
    EXPECT_LE(ball.x + kBall.w, paddle.x + kPaddle.w);

    const std::array<std::uint8_t, 4> clear = {0, 0, 0, 0};
    int uncovered = 0;
    for (int y = 0; y < icon.height; ++y) {
        for (int x = 0; x < icon.width; ++x) {
            bool inPiece = false;
            for (const Found& piece : pieces) {
                inPiece = inPiece || covers(piece, x, y);
            }
            if (!inPiece) {
                ++uncovered;
                EXPECT_EQ(pixel(icon, x, y), clear) << "stray pixel at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(uncovered, 0);
}

TEST(IconArt, ScalingRepeatsEveryPixelAsASquare) {
    sheet_art::Image art;
    art.width = 2;
    art.height = 2;
    art.rgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

    const sheet_art::Image scaled = icon_art::scaleNearest(art, 3);
    ASSERT_EQ(scaled.width, 6);
    ASSERT_EQ(scaled.height, 6);
    ASSERT_EQ(scaled.rgba.size(), 6u * 6u * 4u);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const std::uint8_t first = static_cast<std::uint8_t>(1 + 4 * ((y / 3) * 2 + x / 3));
            const std::array<std::uint8_t, 4> expected = {
                first, static_cast<std::uint8_t>(first + 1), static_cast<std::uint8_t>(first + 2),
                static_cast<std::uint8_t>(first + 3)};
            EXPECT_EQ(pixel(scaled, x, y), expected) << x << "," << y;
        }
    }

    const sheet_art::Image same = icon_art::scaleNearest(art, 1);
    EXPECT_EQ(same.width, 2);
    EXPECT_EQ(same.height, 2);
    EXPECT_EQ(same.rgba, art.rgba);

    EXPECT_TRUE(icon_art::scaleNearest(art, 0).rgba.empty());
}

TEST(IconArt, ASheetThatCannotHoldTheCellsGivesNoIcon) {
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    EXPECT_FALSE(icon_art::composeIcon(solid(80, 108, white)).rgba.empty());
    // One row short of the paddle, one column short of the blocks.
    EXPECT_TRUE(icon_art::composeIcon(solid(80, 107, white)).rgba.empty());
    EXPECT_TRUE(icon_art::composeIcon(solid(79, 108, white)).rgba.empty());
    sheet_art::Image truncated = solid(80, 108, white);
    truncated.rgba.resize(truncated.rgba.size() - 4);
    EXPECT_TRUE(icon_art::composeIcon(truncated).rgba.empty());
    EXPECT_TRUE(icon_art::composeIcon(sheet_art::Image{}).rgba.empty());
}

// The build writes the icons that get installed; each must decode to the picture above. They are
// the Linux desktop's, and a Windows build makes none.
#if !defined(_WIN32)
TEST(IconArt, BuiltIconsAreTheComposedPictureAtEverySize) {
    const sheet_art::Image art = icon_art::composeIcon(render_support::readPng(kCommittedSheet));
    ASSERT_FALSE(art.rgba.empty());
    int sizes = 0;
    for (const int factor : icon_art::kScaleFactors) {
        const int size = icon_art::kArtSize * factor;
        const std::string path = std::string(BRICKFALL_BUILD_DIR) + "/icons/hicolor/" +
                                 std::to_string(size) + "x" + std::to_string(size) +
                                 "/apps/brickfall.png";
        const sheet_art::Image built = render_support::readPng(path);
        const sheet_art::Image expected = icon_art::scaleNearest(art, factor);
        ASSERT_EQ(built.width, size) << path;
        ASSERT_EQ(built.height, size) << path;
        EXPECT_EQ(built.rgba, expected.rgba) << path;
        ++sizes;
    }
    EXPECT_GE(sizes, 3);
}
#endif
