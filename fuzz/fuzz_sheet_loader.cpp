// fuzz_sheet_loader -- arbitrary bytes as the sprite sheet, loaded by newSprite as start-up
// loads it and drawn cell by cell as the game draws it.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine_file_helper.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "game_constants.hpp"

namespace {
// The cells the game cuts from its sheet: a glyph, the cursor, ball, block, coin and paddle.
constexpr Rectangle kCells[] = {kFirstGlyphCell, kCursorCell, kBallCell,
                                kBlockCell,      kCoinCell,   kPaddleCell};

std::string sheetPath;
}  // namespace

// Every rejected input reports an error; SDL's message box would start a dialog program for
// each one. The harness keeps the report on stderr only.
extern "C" int SDL_ShowSimpleMessageBox(Uint32 /*flags*/, const char* /*title*/,
                                        const char* /*message*/, SDL_Window* /*window*/) {
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 1);
    initializeFileHelper(kResourceNameRoom);
    initializeVideo(kPlayFieldWidth, kPlayFieldHeight);
    if (getRenderer() == nullptr) {
        std::fprintf(stderr, "fuzz_sheet_loader: no renderer: %s\n", SDL_GetError());
        std::abort();
    }
    // The sheet lives where start-up looks for it: Resources//IMG//Main.png beside this program.
    sheetPath = getFileFullPath(kSheetName.c_str());
    std::filesystem::create_directories(std::filesystem::path(sheetPath).parent_path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* sheet = std::fopen(sheetPath.c_str(), "wb");
    if (sheet == nullptr || std::fwrite(data, 1, size, sheet) != size || std::fclose(sheet) != 0) {
        std::fprintf(stderr, "fuzz_sheet_loader: cannot write %s\n", sheetPath.c_str());
        std::abort();
    }
    Sprite* sprite = newSprite(kSheetName.c_str());
    if (sprite->texture != nullptr) {
        preRender();
        for (const Rectangle& cell : kCells) {
            renderSprite(sprite, cell, kPlayFieldWidth / 2.0f, kPlayFieldHeight / 2.0f, 0);
        }
        renderSpriteExtra(sprite, kCells[0], 10.0f, 10.0f, 0, 1, 3.0f, 3.0f, 255, 0, 0, 128);
        renderVideo();
    }
    freeSprite(sprite);
    return 0;
}
