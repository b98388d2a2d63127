// game_font -- fixed-cell bitmap text cut from a sprite.
#pragma once

#include <array>
#include <cstdint>

#include "engine_math_helper.hpp"

struct Sprite;

inline constexpr std::int32_t kFirstGlyphCode = 32;
inline constexpr std::int32_t kLastGlyphCode = 125;
inline constexpr std::int32_t kGlyphCount = kLastGlyphCode - kFirstGlyphCode + 1;

struct GlyphCell {
    std::int32_t x;
    std::int32_t y;
};

struct Font {
    Sprite* sprite;  // borrowed; the sprite must outlive the font
    std::array<GlyphCell, kGlyphCount> cells;
    std::int32_t cellWidth;
    std::int32_t cellHeight;
};

Font* newFont(Sprite* sprite, Rectangle first, std::int32_t lastColumn);
void freeFont(Font* font);
// The first glyph is centred one cell right of x; its top edge is at y.
void print(Font* font, const char* text, float x, float y);
