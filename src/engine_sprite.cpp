// engine_sprite -- images from the resource folder as textures, drawn cell by cell.
#include "engine_sprite.hpp"

#include <SDL.h>

#include <cstdlib>

#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "engine_memory_helper.hpp"
#include "engine_video.hpp"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {
SDL_Rect toSdlRect(Rectangle r) {
    return {r.x, r.y, r.w, r.h};
}
}  // namespace

Sprite* newSprite(const char* relativeName) {
    auto* sprite = static_cast<Sprite*>(smalloc(sizeof(Sprite)));
    sprite->texture = nullptr;
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(getFileFullPath(relativeName), &width, &height, &channels, 4);
    if (pixels == nullptr) {
        failGame("FILE LOADING ERROR",
                 "An image file is missing or the executable is in the wrong directory.");
        return sprite;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, width * 4,
                                                              SDL_PIXELFORMAT_ABGR8888);
    if (surface != nullptr) {
        sprite->texture = SDL_CreateTextureFromSurface(getRenderer(), surface);
        SDL_SetTextureBlendMode(sprite->texture, SDL_BLENDMODE_BLEND);
    }
    stbi_image_free(pixels);
    SDL_FreeSurface(surface);
    return sprite;
}

void freeSprite(Sprite* sprite) {
    if (sprite == nullptr) {
        return;
    }
    if (sprite->texture != nullptr) {
        SDL_DestroyTexture(sprite->texture);
    }
    std::free(sprite);
}

void renderSprite(Sprite* sprite, Rectangle source, float x, float y, std::int32_t flip) {
    const SDL_Rect sourceRect = toSdlRect(source);
    const SDL_Rect destination = {
        static_cast<int>(x - static_cast<float>(source.w) * 0.5f),
        static_cast<int>(y - static_cast<float>(source.h) * 0.5f),
        source.w,
        source.h,
    };
    SDL_RenderCopyEx(getRenderer(), sprite->texture, &sourceRect, &destination, 0.0, nullptr,
                     static_cast<SDL_RendererFlip>(flip));
}

void renderSpriteExtra(Sprite* sprite, Rectangle source, float x, float y, std::int32_t flip,
                       std::int32_t centered, float scaleX, float scaleY, std::uint8_t red,
                       std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    const SDL_Rect sourceRect = toSdlRect(source);
    SDL_Rect destination = {
        static_cast<int>(x),
        static_cast<int>(y),
        static_cast<int>(static_cast<float>(source.w) * scaleX),
        static_cast<int>(static_cast<float>(source.h) * scaleY),
    };
    if (centered != 0) {
        // Centring uses the already truncated size, so it can differ by a pixel from
        // renderSprite, which truncates once after subtracting.
        destination.x -= static_cast<int>(static_cast<float>(destination.w) * 0.5f);
        destination.y -= static_cast<int>(static_cast<float>(destination.h) * 0.5f);
    }
    SDL_SetTextureColorMod(sprite->texture, red, green, blue);
    SDL_SetTextureAlphaMod(sprite->texture, alpha);
    SDL_RenderCopyEx(getRenderer(), sprite->texture, &sourceRect, &destination, 0.0, nullptr,
                     static_cast<SDL_RendererFlip>(flip));
    SDL_SetTextureColorMod(sprite->texture, 255, 255, 255);
    SDL_SetTextureAlphaMod(sprite->texture, 255);
}
