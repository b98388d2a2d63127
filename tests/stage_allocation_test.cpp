// Heap allocations are counted in this file for the whole test program: every form of
// operator new, and SDL's own allocator through its memory-function hooks.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "engine_game_manager.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "entity_ball.hpp"
#include "entity_coin.hpp"
#include "game_scene_manager.hpp"
#include "game_score.hpp"
#include "game_variables.hpp"
#include "stage_support.hpp"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> newCalls{0};
std::atomic<long> sdlCalls{0};

void* allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        newCalls.fetch_add(1, std::memory_order_relaxed);
    }
    // operator new must return a unique pointer even for zero bytes.
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* sdlMalloc(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        sdlCalls.fetch_add(1, std::memory_order_relaxed);
    }
    return std::malloc(size);
}
void* sdlCalloc(std::size_t count, std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        sdlCalls.fetch_add(1, std::memory_order_relaxed);
    }
    return std::calloc(count, size);
}
void* sdlRealloc(void* block, std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        sdlCalls.fetch_add(1, std::memory_order_relaxed);
    }
    return std::realloc(block, size);
}
void sdlFree(void* block) {
    std::free(block);
}
}  // namespace

// Every unaligned form is replaced as a set, so each block is freed by the allocator that made it.
void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

TEST(StageAllocation, StageFramesAfterTheFirstAllocateNothing) {
    ASSERT_EQ(SDL_SetMemoryFunctions(sdlMalloc, sdlCalloc, sdlRealloc, sdlFree), 0);
    startUp();
    ASSERT_FALSE(getQuit()) << "start-up failed";
    // SDL's renderer keeps a pool of draw commands that grows to the most draws one frame has
    // queued. A frame of more draws than a stage can make (at most 300 blocks, 30 coins, 10
    // balls, the paddle and some 60 glyphs) fills it, so growth there is not counted as ours.
    preRender();
    for (int draw = 0; draw < 1000; ++draw) {
        renderSprite(*getSprite1(), Rectangle{64, 0, 7, 7}, 10.0f, 10.0f, 0);
    }
    renderVideo();
    changeScene(kStageScene);
    // The first passes may settle SDL's event pool; they are not counted.
    constexpr int kSettlingPasses = 200;
    constexpr int kCountedPasses = 3000;
    int stageStarts = 1;
    int counted = 0;
    std::int32_t mostCoins = 0;
    std::int32_t mostBalls = 0;
    for (int pass = 0; pass < kSettlingPasses + kCountedPasses; ++pass) {
        if (getCurrentScene() != kStageScene) {
            changeScene(kStageScene);
            ++stageStarts;
        }
        stage_support::pushChasing();
        counting = pass >= kSettlingPasses;
        runFramePass();
        counting = false;
        if (pass >= kSettlingPasses) {
            ++counted;
            mostCoins = std::max(mostCoins, getCoinCount());
            mostBalls = std::max(mostBalls, getBallCount());
        }
    }
    std::printf("%d passes counted over %d stages: %ld new, %ld SDL allocations\n", counted,
                stageStarts, newCalls.load(), sdlCalls.load());
    EXPECT_EQ(newCalls.load(), 0);
    EXPECT_EQ(sdlCalls.load(), 0);
    // The counted passes played: strikes, coins and splits all happened.
    EXPECT_GT(getHighScore(), 0);
    EXPECT_GT(mostCoins, 0);
    EXPECT_GT(mostBalls, 1);
    shutDown();
}
