#include "block_workers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {
// What each thread ran, merged thread by thread.
struct BlocksRun {
    std::vector<std::uint64_t> blocks;
    void merge(const BlocksRun& other) {
        blocks.insert(blocks.end(), other.blocks.begin(), other.blocks.end());
    }
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}
}  // namespace

TEST(BlockWorkers, EveryBlockRunsOnceOnAnyThreadsAndEachTwentiethDoneIsSaid) {
    const struct {
        std::uint64_t count;
        unsigned threads;
        const char* label;
        std::size_t progressLines;
    } cases[] = {
        {0, 1, "", 0},
        {1, 4, "one block", 1},
        {7, 2, "", 7},
        {20, 3, "sweep", 20},
        {21, 2, "", 20},
        {1000, 8, "pairs", 20},
        {3, 16, "threads to spare", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " blocks on " + std::to_string(c.threads) +
                     " threads");
        test_support::StandardErrorCapture capture;
        BlocksRun run = block_workers::runBlocks<BlocksRun>(
            c.count, c.threads, c.label,
            [](std::uint64_t block, BlocksRun& mine) { mine.blocks.push_back(block); });
        const std::vector<std::string> said = linesOf(capture.finish());
        std::sort(run.blocks.begin(), run.blocks.end());
        std::vector<std::uint64_t> each(c.count);
        std::iota(each.begin(), each.end(), std::uint64_t{0});
        EXPECT_EQ(run.blocks, each);
        ASSERT_EQ(said.size(), c.progressLines);
        const std::string prefix = c.label[0] != '\0' ? std::string(c.label) + ": " : "";
        // Threads say their progress as they finish, not always in order, but the last block
        // is said once.
        int whole = 0;
        for (const std::string& line : said) {
            EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
            whole += line.rfind(prefix + "100% after ", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(whole, c.count == 0 ? 0 : 1);
    }
}
