#include "output_file.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform_files.hpp"
#include "test_support.hpp"

namespace {
// Writes a trace to `path` whose name becomes a folder while the run goes on, and hands back
// what its failed commit said on stderr.
std::string commitOntoAFolder(const std::string& path) {
    OutputFile output;
    if (!output.open(path.c_str(), "test", "trace")) {
        ADD_FAILURE() << "could not open " << path;
        return "";
    }
    std::fputs("a line\n", output.file());
    std::filesystem::create_directory(path);
    test_support::StandardErrorCapture capture;
    EXPECT_FALSE(output.commit());
    return capture.finish();
}
}  // namespace

TEST(OutputFile, AFinalRenameThatFailsLeavesNoPartialAndSaysSo) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string path = directory + "/out.trace";
    const std::string said = commitOntoAFolder(path);
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
    EXPECT_TRUE(std::filesystem::is_directory(path)) << "the folder is left as it was";
    EXPECT_EQ(said.rfind("test: could not write the trace " + path + ": ", 0), 0u) << said;
    test_support::removeDirectory(directory);
}

TEST(OutputFile, ACompleteFileTakesItsNameAndADiscardedOneLeavesNothing) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const struct {
        const char* name;
        bool keep;
    } cases[] = {{"kept", true}, {"discarded", false}};
    for (const auto& c : cases) {
        const std::string path = directory + "/" + c.name;
        {
            OutputFile output;
            ASSERT_TRUE(output.open(path.c_str(), "test", "trace"));
            std::fputs("whole\n", output.file());
            EXPECT_TRUE(std::filesystem::exists(path + ".partial")) << "written aside first";
            EXPECT_FALSE(std::filesystem::exists(path)) << c.name;
            if (c.keep) {
                EXPECT_TRUE(output.commit());
            }
        }
        EXPECT_EQ(std::filesystem::exists(path), c.keep) << c.name;
        EXPECT_FALSE(std::filesystem::exists(path + ".partial")) << c.name;
        if (c.keep) {
            EXPECT_EQ(test_support::readFile(path), "whole\n");
        }
    }
    test_support::removeDirectory(directory);
}

TEST(OutputFile, WhatIsWrittenSoFarCanBeCopiedWhileTheFileGoesOn) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string path = directory + "/out.script";
    const std::string copyPath = directory + "/copy";
    const auto copyOf = [&copyPath](OutputFile& output) {
        std::FILE* copy = std::fopen(copyPath.c_str(), "wb");
        const bool copied = output.copyWrittenTo(copy);
        std::fclose(copy);
        return copied;
    };
    OutputFile output;
    EXPECT_FALSE(copyOf(output)) << "not open";
    ASSERT_TRUE(output.open(path.c_str(), "test", "recording"));
    EXPECT_TRUE(copyOf(output));
    EXPECT_EQ(test_support::readFile(copyPath), "") << "nothing written yet";
    // Longer than one read of the copy.
    const std::string line(5000, 'x');
    std::fputs((line + "\n").c_str(), output.file());
    EXPECT_TRUE(copyOf(output));
    EXPECT_EQ(test_support::readFile(copyPath), line + "\n");
    std::fputs("more\n", output.file());
    ASSERT_TRUE(output.commit());
    EXPECT_EQ(test_support::readFile(path), line + "\nmore\n");

    OutputFile standardOutput;
    ASSERT_TRUE(standardOutput.open("-", "test", "trace"));
    EXPECT_FALSE(copyOf(standardOutput)) << "standard output cannot be read back";
    EXPECT_TRUE(standardOutput.commit());
    test_support::removeDirectory(directory);
}

// What went wrong is the rename's own failure, not the close's, which succeeded.
TEST(OutputFile, AFailedFinalRenameReportsTheRenamesOwnError) {
    const std::string directory = test_support::makeTemporaryDirectory();
    const std::string path = directory + "/out.trace";
    const std::string said = commitOntoAFolder(path);
    // What renaming a file onto that folder says on this system: "Is a directory" on Linux.
    const std::string other = directory + "/other";
    std::fclose(openFile(other.c_str(), "wb"));
    ASSERT_FALSE(replaceFile(other.c_str(), path.c_str()));
    const std::string renameError = std::strerror(errno);
    EXPECT_EQ(said, "test: could not write the trace " + path + ": " + renameError + "\n");
#if defined(__linux__)
    EXPECT_EQ(renameError, "Is a directory");
#endif
    test_support::removeDirectory(directory);
}
