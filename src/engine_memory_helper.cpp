// engine_memory_helper -- heap allocation that reports exhaustion and ends the program.
#include "engine_memory_helper.hpp"

#include <cstdlib>

#include "engine_game_manager.hpp"

namespace {
[[noreturn]] void failAllocation() {
    reportError("MEMORY ALLOCATION ERROR",
                "There has been a memory allocation error. The application will now close.");
    // Nothing can be trusted once the heap is exhausted, so there is no orderly shutdown.
    std::_Exit(EXIT_FAILURE);
}
}  // namespace

void* smalloc(std::size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr) {
        failAllocation();
    }
    return block;
}

void* srealloc(void* block, std::size_t size) {
    void* resized = std::realloc(block, size);
    if (resized == nullptr) {
        failAllocation();
    }
    return resized;
}
