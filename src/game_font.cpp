// game_font -- fixed-cell bitmap text cut from a sprite.
#include "game_font.hpp"

#include <cstdlib>

#include "engine_memory_helper.hpp"
#include "engine_sprite.hpp"

Font* newFont(Sprite* sprite, Rectangle first, std::int32_t lastColumn) {
    auto* font = static_cast<Font*>(smalloc(sizeof(Font)));
    font->sprite = sprite;
    font->cellWidth = first.w;
    font->cellHeight = first.h;
    // The row limit is an absolute x, not relative to the first cell.
    const std::int32_t rowLimit = lastColumn * font->cellWidth;
    std::int32_t candidateX = first.x;
    std::int32_t y = first.y;
    for (GlyphCell& cell : font->cells) {
        if (candidateX > rowLimit) {
            cell.x = first.x;
            y += font->cellHeight;
        } else {
            cell.x = candidateX;
        }
        cell.y = y;
        candidateX = cell.x + font->cellWidth;
    }
    return font;
}

void freeFont(Font* font) {
    std::free(font);
}

void print(Font* font, const char* text, float x, float y) {
    const float centreY = y + static_cast<float>(font->cellHeight) * 0.5f;
    const float advance = static_cast<float>(font->cellWidth);
    float penX = x;
    for (const char* character = text; *character != '\0'; ++character) {
        penX = penX + advance;
        // Characters without a glyph keep their place in the line but draw nothing.
        const int code = static_cast<unsigned char>(*character);
        if (code < kFirstGlyphCode || code > kLastGlyphCode) {
            continue;
        }
        const GlyphCell& cell = font->cells[static_cast<std::size_t>(code - kFirstGlyphCode)];
        renderSprite(font->sprite, Rectangle{cell.x, cell.y, font->cellWidth, font->cellHeight},
                     penX, centreY, 0);
    }
}
