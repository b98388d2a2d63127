// engine_file_helper -- resolves resource names to paths in the folder beside the executable.
#include "engine_file_helper.hpp"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "engine_memory_helper.hpp"

namespace {
constexpr char kResourcePrefix[] = "Resources//";
constexpr std::size_t kResourcePrefixLength = sizeof(kResourcePrefix) - 1;

char* basePath = nullptr;
char* fullPath = nullptr;
std::size_t fullPathCapacity = 0;

// Without a known executable directory, names resolve against the working directory.
const char* baseDirectory() {
    return basePath != nullptr ? basePath : "";
}
}  // namespace

void initializeFileHelper(std::int32_t extraBytes) {
    basePath = SDL_GetBasePath();
    fullPathCapacity = std::strlen(baseDirectory()) + static_cast<std::size_t>(extraBytes);
    fullPath = static_cast<char*>(smalloc(fullPathCapacity));
    fullPath[0] = '\0';
}

const char* getFileFullPath(const char* relativeName) {
    const std::size_t baseLength = std::strlen(baseDirectory());
    const std::size_t nameLength = std::strlen(relativeName);
    const std::size_t needed = baseLength + kResourcePrefixLength + nameLength + 1;
    if (needed > fullPathCapacity) {
        fullPath = static_cast<char*>(srealloc(fullPath, needed));
        fullPathCapacity = needed;
    }
    std::memcpy(fullPath, baseDirectory(), baseLength);
    std::memcpy(fullPath + baseLength, kResourcePrefix, kResourcePrefixLength);
    std::memcpy(fullPath + baseLength + kResourcePrefixLength, relativeName, nameLength + 1);
    return fullPath;
}

void quitFileHelper() {
    std::free(fullPath);
    fullPath = nullptr;
    fullPathCapacity = 0;
    SDL_free(basePath);
    basePath = nullptr;
}
