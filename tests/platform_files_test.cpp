#include "platform_files.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {
// A fresh folder whose own name, like the names made in it, is not ASCII: the game may be
// unpacked anywhere, and Windows' C library reads such names wrongly.
class PlatformFiles : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  fs::path(u8"brickfall Spiele ä ñ 日本 " +
                           std::u8string(reinterpret_cast<const char8_t*>(
                               testing::UnitTest::GetInstance()->current_test_info()->name())));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // The UTF-8 name the game passes for `name` inside the folder.
    std::string in(const char8_t* name) const {
        const std::u8string utf8 = (folder_ / fs::path(name)).u8string();
        return {reinterpret_cast<const char*>(utf8.data()), utf8.size()};
    }
    static bool write(const std::string& path, const std::string& bytes) {
        std::FILE* file = openFile(path.c_str(), "wb");
        if (file == nullptr) {
            return false;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && written;
    }
    // The file's bytes, or "<missing>" when it cannot be opened.
    static std::string read(const std::string& path) {
        std::FILE* file = openFile(path.c_str(), "rb");
        if (file == nullptr) {
            return "<missing>";
        }
        std::string bytes;
        char buffer[256];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
            bytes.append(buffer, count);
        }
        std::fclose(file);
        return bytes;
    }

    fs::path folder_;
};
}  // namespace

// Line ends are kept as written: a trace must have the same bytes on every system.
TEST_F(PlatformFiles, OpensNonAsciiNamesAndKeepsLineEndsAsWritten) {
    const std::string path = in(u8"Bücher – trace.jsonl");
    ASSERT_TRUE(write(path, "a\nb\r\n"));
    EXPECT_EQ(read(path), "a\nb\r\n");
    EXPECT_EQ(fs::file_size(folder_ / fs::path(u8"Bücher – trace.jsonl")), 5u);
}

TEST_F(PlatformFiles, ReplaceGivesTheNameAndReplacesWhatWasThere) {
    const struct {
        const char* what;
        bool targetExists;
    } cases[] = {{"onto a free name", false}, {"over an existing file", true}};
    for (const auto& c : cases) {
        const std::string from = in(u8"würfel.partial");
        const std::string to = in(u8"würfel");
        ASSERT_TRUE(write(from, "new game\n")) << c.what;
        if (c.targetExists) {
            ASSERT_TRUE(write(to, "an older and longer game\n")) << c.what;
        }
        EXPECT_TRUE(replaceFile(from.c_str(), to.c_str())) << c.what;
        EXPECT_EQ(read(to), "new game\n") << c.what;
        EXPECT_EQ(read(from), "<missing>") << c.what;
        ASSERT_TRUE(removeFile(to.c_str())) << c.what;
        EXPECT_EQ(read(to), "<missing>") << c.what;
    }
}

TEST_F(PlatformFiles, FailuresLeaveEveryFileAsItWas) {
    const std::string missing = in(u8"nicht da");
    const std::string kept = in(u8"behalten");
    const std::string folder = in(u8"Ordner é");
    ASSERT_TRUE(write(kept, "kept\n"));
    fs::create_directory(folder_ / fs::path(u8"Ordner é"));

    errno = 0;
    EXPECT_FALSE(replaceFile(missing.c_str(), kept.c_str()));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(read(kept), "kept\n");
    EXPECT_FALSE(replaceFile(kept.c_str(), folder.c_str()));
    EXPECT_EQ(read(kept), "kept\n");
    EXPECT_TRUE(fs::is_directory(folder_ / fs::path(u8"Ordner é")));
    EXPECT_FALSE(removeFile(missing.c_str()));
    EXPECT_EQ(openFile(missing.c_str(), "rb"), nullptr);
}

TEST_F(PlatformFiles, FolderIsToldFromFileAndFromNothing) {
    const std::string file = in(u8"Datei ß");
    const std::string folder = in(u8"Ordner ø");
    ASSERT_TRUE(write(file, "x"));
    fs::create_directory(folder_ / fs::path(u8"Ordner ø"));
    EXPECT_TRUE(isFolder(folder.c_str()));
    EXPECT_FALSE(isFolder(file.c_str()));
    EXPECT_FALSE(isFolder(in(u8"nichts").c_str()));
}
