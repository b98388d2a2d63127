// engine_sprite -- images from the resource folder as textures, drawn cell by cell.
#include "engine_sprite.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "engine_file_helper.hpp"
#include "engine_game_manager.hpp"
#include "engine_memory_helper.hpp"
#include "engine_video.hpp"
#include "platform_files.hpp"
#include "video_presenting.hpp"

namespace {
// The largest block the PNG decoder may ask for while it decodes the file in hand. A PNG can
// claim a chunk far longer than the file or inflate to far more than its pixels; the decoder
// would allocate for either before noticing. A refused block makes it fail as on any corrupt
// file.
std::size_t decoderBlockLimit = std::numeric_limits<std::size_t>::max();

void* decoderMalloc(std::size_t size) {
    return size <= decoderBlockLimit ? std::malloc(size) : nullptr;
}

void* decoderRealloc(void* block, std::size_t size) {
    return size <= decoderBlockLimit ? std::realloc(block, size) : nullptr;
}
}  // namespace

#define STBI_MALLOC(size) decoderMalloc(size)
#define STBI_REALLOC(block, size) decoderRealloc(block, size)
#define STBI_FREE(block) std::free(block)
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
// Far more than any PNG of 4096 by 4096 pixels needs, stored without compression.
constexpr long kLargestFileBytes = 256L * 1024 * 1024;

// What decoding an honest PNG of this size can need in one block: its rows inflate to at most
// 8 bytes a pixel (16-bit RGBA) and a filter byte a row, in a buffer that may double once
// past that; its compressed data is gathered in a buffer that doubles up to twice the file.
std::size_t decoderBlockLimitFor(int width, int height, std::size_t fileBytes) {
    constexpr std::size_t kBytesPerPixel = 8;
    constexpr std::size_t kFirstGatherBlock = 4096;
    constexpr std::size_t kSlack = 64 * 1024;
    const auto rows = static_cast<std::size_t>(height);
    const std::size_t inflated =
        2 * (static_cast<std::size_t>(width) * rows * kBytesPerPixel + rows);
    const std::size_t gathered = 2 * fileBytes;
    return std::max({inflated, gathered, kFirstGatherBlock}) + kSlack;
}

// Reads the whole file; false when it cannot be opened or read.
bool readFile(const char* path, std::vector<stbi_uc>& bytes, long& size) {
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    bool read = std::fseek(file, 0, SEEK_END) == 0 && (size = std::ftell(file)) >= 0 &&
                std::fseek(file, 0, SEEK_SET) == 0;
    if (read && size <= kLargestFileBytes) {
        bytes.resize(static_cast<std::size_t>(size));
        read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return read;
}

// An IDAT chunk of no length adds nothing to the image data, but the decoder copies it from a
// null buffer when it comes first, even when the file ends before its checksum. Chunks past a
// malformed one are left for the decoder to reject.
void dropEmptyImageData(std::vector<stbi_uc>& png) {
    constexpr std::size_t kSignatureBytes = 8;
    constexpr std::size_t kHeaderBytes = 8;  // length and type
    constexpr std::size_t kFrameBytes = 12;  // length, type and checksum around the data
    std::size_t at = kSignatureBytes;
    while (at + kHeaderBytes <= png.size()) {
        const std::uint32_t length = (std::uint32_t{png[at]} << 24) |
                                     (std::uint32_t{png[at + 1]} << 16) |
                                     (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
        const auto chunk = png.begin() + static_cast<std::ptrdiff_t>(at);
        if (length == 0 && std::memcmp(&png[at + 4], "IDAT", 4) == 0) {
            const std::size_t frame = std::min(kFrameBytes, png.size() - at);
            png.erase(chunk, chunk + static_cast<std::ptrdiff_t>(frame));
            continue;
        }
        if (at + kFrameBytes > png.size() || length > png.size() - at - kFrameBytes) {
            return;
        }
        at += kFrameBytes + length;
    }
}

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

// A file that cannot be read: the box keeps to its one sentence, and standard error also names
// the path that was tried.
void failMissingImage(const char* path) {
    std::fprintf(stderr, "Could not read the image file %s\n", path);
    failGame(kLoadErrorTitle, kMissingImageText);
}

void failFileSize(const char* relativeName) {
    char text[256];
    std::snprintf(text, sizeof(text),
                  "The image file %s is larger than the %ld MiB this game can read.", relativeName,
                  kLargestFileBytes / (1024 * 1024));
    failGame(kLoadErrorTitle, text);
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
    std::vector<stbi_uc> file;
    long fileBytes = 0;
    const char* path = getFileFullPath(relativeName);
    if (!readFile(path, file, fileBytes)) {
        failMissingImage(path);
        return sprite;
    }
    if (fileBytes > kLargestFileBytes) {
        failFileSize(relativeName);
        return sprite;
    }
    dropEmptyImageData(file);
    const int length = static_cast<int>(file.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info_from_memory(file.data(), length, &width, &height, &channels) == 0) {
        failGame(kLoadErrorTitle, kMissingImageText);
        return sprite;
    }
    if (!fitsTheRenderer(relativeName, width, height)) {
        return sprite;
    }
    decoderBlockLimit = decoderBlockLimitFor(width, height, file.size());
    stbi_uc* pixels = stbi_load_from_memory(file.data(), length, &width, &height, &channels, 4);
    decoderBlockLimit = std::numeric_limits<std::size_t>::max();
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
        // A new texture can take a freed one's address with other pixels.
        markPictureChanged();
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
    if (!isSketching()) {
        SDL_RenderCopyEx(getRenderer(), sprite->texture, &sourceRect, &destination, 0.0, nullptr,
                         static_cast<SDL_RendererFlip>(flip));
    }
    noteDrawCall({sprite->texture, source,
                  Rectangle{destination.x, destination.y, destination.w, destination.h}, flip,
                  kUnmodulated});
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
    if (!isSketching()) {
        SDL_SetTextureColorMod(sprite->texture, red, green, blue);
        SDL_SetTextureAlphaMod(sprite->texture, alpha);
        SDL_RenderCopyEx(getRenderer(), sprite->texture, &sourceRect, &destination, 0.0, nullptr,
                         static_cast<SDL_RendererFlip>(flip));
        SDL_SetTextureColorMod(sprite->texture, 255, 255, 255);
        SDL_SetTextureAlphaMod(sprite->texture, 255);
    }
    noteDrawCall({sprite->texture, source,
                  Rectangle{destination.x, destination.y, destination.w, destination.h}, flip,
                  static_cast<std::uint32_t>(red) << 24 | static_cast<std::uint32_t>(green) << 16 |
                      static_cast<std::uint32_t>(blue) << 8 | alpha});
}
