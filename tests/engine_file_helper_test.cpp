#include "engine_file_helper.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

namespace {
std::string executableDirectory() {
    char* base = SDL_GetBasePath();
    std::string directory = base != nullptr ? base : "";
    SDL_free(base);
    return directory;
}
}  // namespace

TEST(FileHelper, BuildsBaseThenResourcePrefixThenNameInOneSharedBuffer) {
    initializeFileHelper(50);
    const std::string base = executableDirectory();
    ASSERT_FALSE(base.empty());

    const char* first = getFileFullPath("IMG//Main.png");
    EXPECT_EQ(std::string(first), base + "Resources//IMG//Main.png");
    const char* second = getFileFullPath("a");
    EXPECT_EQ(first, second) << "every call shares one buffer";
    EXPECT_EQ(std::string(second), base + "Resources//a");
    EXPECT_EQ(std::string(getFileFullPath("")), base + "Resources//");
    quitFileHelper();
}

TEST(FileHelper, LongNamesAreBuiltWholeWithoutOverflow) {
    initializeFileHelper(50);
    const std::string base = executableDirectory();
    // 38 characters is the most that fits the initial room exactly, NUL included.
    const std::string exact(38, 'x');
    EXPECT_EQ(std::string(getFileFullPath(exact.c_str())), base + "Resources//" + exact);
    const std::string longName(200, 'y');
    EXPECT_EQ(std::string(getFileFullPath(longName.c_str())), base + "Resources//" + longName);
    // The grown buffer still serves short names afterwards.
    EXPECT_EQ(std::string(getFileFullPath("IMG//Main.png")), base + "Resources//IMG//Main.png");
    quitFileHelper();
}

TEST(FileHelper, CanBeInitialisedAgainAfterQuitting) {
    initializeFileHelper(50);
    quitFileHelper();
    initializeFileHelper(0);
    const std::string base = executableDirectory();
    EXPECT_EQ(std::string(getFileFullPath("IMG//Main.png")), base + "Resources//IMG//Main.png");
    quitFileHelper();
}
