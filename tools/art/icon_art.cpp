// icon_art -- the desktop icon drawn from the sprite sheet.
#include "icon_art.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "game_constants.hpp"

namespace {
struct Piece {
    // The cell on the sheet, where the game cuts the same sprite.
    int sheetX;
    int sheetY;
    int width;
    int height;
    // Where it lands on the icon.
    int iconX;
    int iconY;
};

constexpr Piece piece(Rectangle cell, int iconX, int iconY) {
    return {cell.x, cell.y, cell.w, cell.h, iconX, iconY};
}

// Blocks along the top, the ball on its way up off the paddle at the bottom; every piece
// keeps clear of the others so each reads on its own at 32 pixels.
constexpr Piece kPieces[] = {
    piece(kBlockCell, 0, 1),
    piece(kBlockCell, 16, 1),
    piece(kBallCell, 17, 12),
    piece(kPaddleCell, 2, 21),
};

std::size_t offset(int width, int x, int y) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
            static_cast<std::size_t>(x)) *
           4;
}

bool holds(const sheet_art::Image& sheet, const Piece& piece) {
    return sheet.width >= piece.sheetX + piece.width &&
           sheet.height >= piece.sheetY + piece.height &&
           sheet.rgba.size() == offset(sheet.width, 0, sheet.height);
}
}  // namespace

namespace icon_art {

sheet_art::Image composeIcon(const sheet_art::Image& sheet) {
    if (!std::all_of(std::begin(kPieces), std::end(kPieces),
                     [&](const Piece& piece) { return holds(sheet, piece); })) {
        return {};
    }
    sheet_art::Image icon;
    icon.width = kArtSize;
    icon.height = kArtSize;
    icon.rgba.assign(offset(kArtSize, 0, kArtSize), 0);
    for (const Piece& piece : kPieces) {
        for (int row = 0; row < piece.height; ++row) {
            std::memcpy(&icon.rgba[offset(kArtSize, piece.iconX, piece.iconY + row)],
                        &sheet.rgba[offset(sheet.width, piece.sheetX, piece.sheetY + row)],
                        static_cast<std::size_t>(piece.width) * 4);
        }
    }
    return icon;
}

sheet_art::Image scaleNearest(const sheet_art::Image& art, int factor) {
    if (factor < 1) {
        return {};
    }
    sheet_art::Image scaled;
    scaled.width = art.width * factor;
    scaled.height = art.height * factor;
    scaled.rgba.resize(offset(scaled.width, 0, scaled.height));
    for (int y = 0; y < scaled.height; ++y) {
        for (int x = 0; x < scaled.width; ++x) {
            std::memcpy(&scaled.rgba[offset(scaled.width, x, y)],
                        &art.rgba[offset(art.width, x / factor, y / factor)], 4);
        }
    }
    return scaled;
}

sheet_art::Image scaleToFit(const sheet_art::Image& art, int size) {
    const sheet_art::Image scaled = scaleNearest(art, art.width > 0 ? size / art.width : 0);
    if (scaled.rgba.empty() || scaled.height > size) {
        return {};
    }
    sheet_art::Image square;
    square.width = size;
    square.height = size;
    square.rgba.resize(offset(size, 0, size));
    const int left = (size - scaled.width) / 2;
    const int top = (size - scaled.height) / 2;
    for (int row = 0; row < scaled.height; ++row) {
        std::memcpy(&square.rgba[offset(size, left, top + row)],
                    &scaled.rgba[offset(scaled.width, 0, row)],
                    static_cast<std::size_t>(scaled.width) * 4);
    }
    return square;
}

}  // namespace icon_art
