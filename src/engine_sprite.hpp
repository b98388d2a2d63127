// engine_sprite -- images from the resource folder as textures, drawn cell by cell.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

struct SDL_Texture;

struct Sprite {
    SDL_Texture* texture;
};

// Always returns a record; a missing, undecodable or oversized image, or one the renderer cannot
// take as a texture, leaves `texture` null, reports the failure and asks the game to quit.
Sprite* newSprite(const char* relativeName);
void freeSprite(Sprite* sprite);
// Draws the source cell at its own size, centred on (x, y).
void renderSprite(Sprite* sprite, Rectangle source, float x, float y, std::int32_t flip);
void renderSpriteExtra(Sprite* sprite, Rectangle source, float x, float y, std::int32_t flip,
                       std::int32_t centered, float scaleX, float scaleY, std::uint8_t red,
                       std::uint8_t green, std::uint8_t blue, std::uint8_t alpha);
