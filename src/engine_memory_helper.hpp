// engine_memory_helper -- heap allocation that reports exhaustion and ends the program.
#pragma once

#include <cstddef>

// Never returns null: on failure the user is told and the process ends.
void* smalloc(std::size_t size);
void* srealloc(void* block, std::size_t size);
