// block_workers -- splits a proof's numbered blocks of work over threads: each block is run
// once, by whichever thread is free, into that thread's own tally, and the tallies are merged.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace block_workers {

// Runs work(block, tally) for every block from 0 to count - 1 on `threads` threads and returns
// the threads' tallies merged with Tally::merge. Each twentieth of the blocks done is said on
// stderr, after "LABEL: " when a label is given.
template <typename Tally, typename Work>
Tally runBlocks(std::uint64_t count, unsigned threads, const char* label, Work work) {
    std::atomic<std::uint64_t> next{0};
    std::atomic<std::uint64_t> done{0};
    std::vector<Tally> tallies(threads);
    std::mutex progressLock;
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (std::uint64_t block = next++; block < count; block = next++) {
                work(block, tallies[t]);
                const std::uint64_t finished = ++done;
                if (finished * 20 / count != (finished - 1) * 20 / count) {
                    const std::lock_guard<std::mutex> lock(progressLock);
                    const std::chrono::duration<double> elapsed =
                        std::chrono::steady_clock::now() - started;
                    std::fprintf(stderr, "%s%s%3.0f%% after %.0f s\n", label,
                                 label[0] != '\0' ? ": " : "",
                                 100.0 * static_cast<double>(finished) / static_cast<double>(count),
                                 elapsed.count());
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    Tally total;
    for (const Tally& tally : tallies) {
        total.merge(tally);
    }
    return total;
}

}  // namespace block_workers
