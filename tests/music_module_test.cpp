// The page's module player: that it reads the committed tune and refuses a cut one, and that a
// note sounds at the module's pitch, on its channel's side, from its row's tick, until a set
// volume silences it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music_module.hpp"

namespace {
constexpr int kRate = 44100;
// ProTracker's row: 6 ticks of 2.5 / 125 seconds.
constexpr int kFramesPerRow = 6 * kRate / 50;
constexpr std::size_t kHeaderSize = 1084;
constexpr std::size_t kPatternSize = 1024;

// One pattern, sample 1 a 64-byte square cycle looping at full volume, and `cells` written as
// {row, channel, period, effect and parameter}.
struct Cell {
    int row;
    int channel;
    int period;
    int effect;
};

std::vector<std::uint8_t> oneSampleModule(const std::vector<Cell>& cells) {
    std::vector<std::uint8_t> bytes(kHeaderSize + kPatternSize, 0);
    constexpr int kCycle = 64;
    std::uint8_t* sample = bytes.data() + 20;
    sample[23] = kCycle / 2;  // length in words
    sample[25] = 64;          // volume
    sample[29] = kCycle / 2;  // loop length in words, from the start
    bytes[950] = 1;           // song length
    bytes[1080] = 'M', bytes[1081] = '.', bytes[1082] = 'K', bytes[1083] = '.';
    for (const Cell& cell : cells) {
        std::uint8_t* at = bytes.data() + kHeaderSize + (cell.row * 4 + cell.channel) * 4;
        at[0] = static_cast<std::uint8_t>(cell.period >> 8);
        at[1] = static_cast<std::uint8_t>(cell.period & 0xFF);
        at[2] = static_cast<std::uint8_t>((cell.period != 0 ? 0x10 : 0) | cell.effect >> 8);
        at[3] = static_cast<std::uint8_t>(cell.effect & 0xFF);
    }
    for (int i = 0; i < kCycle; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i < kCycle / 2 ? 100 : -100));
    }
    return bytes;
}

std::vector<float> render(const MusicModule& module, int frames) {
    ModulePlayer player;
    startModule(player, module, kRate);
    std::vector<float> out(static_cast<std::size_t>(frames) * 2);
    renderModule(player, out.data(), frames, 2, 1.0f);
    return out;
}

// The first frame from `from` on where a side is not silent, or -1.
int firstSound(const std::vector<float>& out, int side, int from) {
    for (std::size_t frame = static_cast<std::size_t>(from); frame < out.size() / 2; ++frame) {
        if (out[frame * 2 + static_cast<std::size_t>(side)] != 0.0f) {
            return static_cast<int>(frame);
        }
    }
    return -1;
}
}  // namespace

TEST(MusicModule, ReadsTheCommittedTuneAndRefusesACutOne) {
    std::ifstream file(std::string(BRICKFALL_SOURCE_DIR) + "/Resources/MUS/stage.mod",
                       std::ios::binary);
    const std::vector<std::uint8_t> tune{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
    MusicModule module;
    ASSERT_TRUE(parseModule(tune.data(), tune.size(), module));
    EXPECT_EQ(module.order.size(), 6u);
    for (const std::size_t cut :
         {std::size_t{1083}, std::size_t{1084 + 4 * kPatternSize - 1}, tune.size() - 1}) {
        MusicModule refused;
        EXPECT_FALSE(parseModule(tune.data(), cut, refused)) << cut << " bytes";
    }
}

TEST(MusicModule, ANoteSoundsAtItsPitchOnItsSideFromItsRowUntilSilenced) {
    // C-3 (period 214) on channel 2, which is on the right, at row 1; silenced at row 3.
    const std::vector<std::uint8_t> bytes = oneSampleModule({{1, 1, 214, 0}, {3, 1, 0, 0xC00}});
    MusicModule module;
    ASSERT_TRUE(parseModule(bytes.data(), bytes.size(), module));
    const std::vector<float> out = render(module, 4 * kFramesPerRow);
    EXPECT_EQ(firstSound(out, 0, 0), -1) << "the left side stays silent";
    EXPECT_EQ(firstSound(out, 1, 0), kFramesPerRow);
    EXPECT_EQ(firstSound(out, 1, 3 * kFramesPerRow), -1) << "set volume 0 silences the note";
    // The square's cycle of 64 bytes at PAL's 7093789.2 / (2 * 214) bytes a second.
    std::vector<int> rises;
    for (int frame = kFramesPerRow + 1; frame < 3 * kFramesPerRow; ++frame) {
        if (out[static_cast<std::size_t>(frame - 1) * 2 + 1] <= 0.0f &&
            out[static_cast<std::size_t>(frame) * 2 + 1] > 0.0f) {
            rises.push_back(frame);
        }
    }
    ASSERT_GE(rises.size(), 2u);
    const double hz =
        static_cast<double>(rises.size() - 1) * kRate / (rises.back() - rises.front());
    EXPECT_NEAR(hz, 7093789.2 / 428 / 64, 0.5);
}
