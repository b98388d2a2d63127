// engine_sprite -- images from the resource folder as textures, drawn cell by cell.
#include "engine_sprite.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "engine_memory_helper.hpp"
#include "engine_video.hpp"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {
constexpr char kLoadErrorTitle[] = "FILE LOADING ERROR";
constexpr char kMissingImageText[] =
    "An image file is missing or the executable is in the wrong directory.";
// The game's sheet uses only its top-left 80 by 108 pixels. Anything beyond 4096 a side is
// refused from its header alone, before decoding: that bounds what loading may allocate
// (64 MiB of pixels) and stays within the texture limit of common graphics hardware.
constexpr int kLargestImageSide = 4096;

SDL_Rect toSdlRect(Rectangle r) {
    return {r.x, r.y, r.w, r.h};
}

// The smaller of our own bound and the renderer's, when the renderer states one.
int largestImageSide(int rendererLimit) {
    return rendererLimit > 0 ? std::min(kLargestImageSide, rendererLimit) : kLargestImageSide;
}

bool fitsTheRenderer(const char* relativeName, int width, int height) {
    SDL_RendererInfo info = {};
    SDL_GetRendererInfo(getRenderer(), &info);
    const int widest = largestImageSide(info.max_texture_width);
    const int tallest = largestImageSide(info.max_texture_height);
    if (width <= widest && height <= tallest) {
        return true;
    }
    char text[256];
    std::snprintf(text, sizeof(text),
                  "The image file %s is %d by %d pixels, more than the %d by %d this game can "
                  "use.",
                  relativeName, width, height, widest, tallest);
    failGame(kLoadErrorTitle, text);
    return false;
}

void failTexture(const char* relativeName) {
    char text[512];
    std::snprintf(text, sizeof(text), "The image file %s could not be made into a texture: %s",
                  relativeName, SDL_GetError());
    failGame(kLoadErrorTitle, text);
}
}  // namespace

Sprite* newSprite(const char* relativeName) {
    auto* sprite = static_cast<Sprite*>(smalloc(sizeof(Sprite)));
    sprite->texture = nullptr;
    // Without a renderer video has already failed and said so; no texture can be made.
    if (getRenderer() == nullptr) {
        return sprite;
    }
    const char* path = getFileFullPath(relativeName);
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info(path, &width, &height, &channels) == 0) {
        failGame(kLoadErrorTitle, kMissingImageText);
        return sprite;
    }
    if (!fitsTheRenderer(relativeName, width, height)) {
        return sprite;
    }
    stbi_uc* pixels = stbi_load(path, &width, &height, &channels, 4);
    if (pixels == nullptr) {
        failGame(kLoadErrorTitle, kMissingImageText);
        return sprite;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, width * 4,
                                                              SDL_PIXELFORMAT_ABGR8888);
    if (surface != nullptr) {
        sprite->texture = SDL_CreateTextureFromSurface(getRenderer(), surface);
    }
    // Without its texture the game would run on, drawing nothing at all.
    if (sprite->texture == nullptr) {
        failTexture(relativeName);
    } else {
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
