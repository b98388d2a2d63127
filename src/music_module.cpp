// music_module -- parsing and playing four-channel ProTracker modules.
#include "music_module.hpp"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::size_t kSampleSlots = 31;
constexpr std::size_t kSampleHeaderSize = 30;
constexpr std::size_t kTitleSize = 20;
constexpr std::size_t kOrderSlots = 128;
constexpr std::size_t kSongLengthAt = kTitleSize + kSampleSlots * kSampleHeaderSize;
constexpr std::size_t kOrderAt = kSongLengthAt + 2;
constexpr std::size_t kMarkAt = kOrderAt + kOrderSlots;
constexpr std::size_t kPatternsAt = kMarkAt + 4;
constexpr int kRowsPerPattern = 64;
constexpr std::size_t kCellSize = 4;
constexpr std::size_t kPatternSize = kRowsPerPattern * kModuleChannels * kCellSize;
constexpr int kSpeed = 6;
constexpr int kTempo = 125;
constexpr int kLargestVolume = 64;
constexpr int kSetVolume = 0xC;
constexpr int kArpeggio = 0x0;
// The Amiga's PAL clock: a sample plays at this many bytes a second over twice its period.
constexpr double kPalClock = 7093789.2;
// As loud as libmodplug plays the game's tune through the mixer on the desktop, within a tenth.
constexpr double kChannelScale = 0.6 / (128.0 * kLargestVolume);

// The periods of C-1 to B-3, the notes an arpeggio steps through.
constexpr std::array<int, 36> kPeriods = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 339, 320,
    302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,
};

std::size_t bigEndianWord(const std::uint8_t* at) {
    return static_cast<std::size_t>(at[0] << 8 | at[1]);
}

int noteOf(int period) {
    const auto* found = std::find(kPeriods.begin(), kPeriods.end(), period);
    return found == kPeriods.end() ? -1 : static_cast<int>(found - kPeriods.begin());
}

// The period the channel sounds on this tick: an arpeggio's root, then its two steps above.
int tickPeriod(const ModuleChannel& channel, int tick) {
    const int phase = tick % 3;
    if (channel.arpeggio == 0 || channel.note < 0 || phase == 0) {
        return channel.period;
    }
    const int steps = phase == 1 ? channel.arpeggio >> 4 : channel.arpeggio & 0xF;
    const int note = std::min(channel.note + steps, static_cast<int>(kPeriods.size()) - 1);
    return kPeriods[static_cast<std::size_t>(note)];
}

void playRow(ModulePlayer& player) {
    const MusicModule& module = *player.module;
    const std::size_t pattern = module.order[player.orderIndex];
    const std::uint8_t* cell = module.patterns.data() + pattern * kPatternSize +
                               static_cast<std::size_t>(player.row) * kModuleChannels * kCellSize;
    for (ModuleChannel& channel : player.channels) {
        const int sample = (cell[0] & 0xF0) | cell[2] >> 4;
        const int period = (cell[0] & 0x0F) << 8 | cell[1];
        const int effect = cell[2] & 0x0F;
        const int parameter = cell[3];
        cell += kCellSize;
        if (sample != 0) {
            channel.sample = sample;
            channel.volume = module.samples[static_cast<std::size_t>(sample)].volume;
        }
        if (period != 0 && channel.sample != 0) {
            channel.period = period;
            channel.note = noteOf(period);
            channel.position = 0.0;
            channel.sounding = true;
        }
        channel.arpeggio = effect == kArpeggio ? parameter : 0;
        if (effect == kSetVolume) {
            channel.volume = std::min(parameter, kLargestVolume);
        }
    }
}

void playTick(ModulePlayer& player) {
    if (player.tick == 0) {
        playRow(player);
    }
    for (ModuleChannel& channel : player.channels) {
        const int period = tickPeriod(channel, player.tick);
        channel.step = period > 0 ? kPalClock / (2.0 * period) / player.rate : 0.0;
    }
    if (++player.tick == kSpeed) {
        player.tick = 0;
        if (++player.row == kRowsPerPattern) {
            player.row = 0;
            player.orderIndex = (player.orderIndex + 1) % player.module->order.size();
        }
    }
}

// One channel's sample at its position, between its two nearest bytes; 0 once it has ended.
double channelValue(const MusicModule& module, ModuleChannel& channel) {
    const ModuleSample& sample = module.samples[static_cast<std::size_t>(channel.sample)];
    const auto loopEnd = static_cast<double>(sample.loopStart + sample.loopLength);
    while (sample.loopLength > 0 && channel.position >= loopEnd) {
        channel.position -= static_cast<double>(sample.loopLength);
    }
    const auto index = static_cast<std::size_t>(channel.position);
    if (index >= sample.length) {
        channel.sounding = false;
        return 0.0;
    }
    std::size_t next = index + 1;
    if (sample.loopLength > 0 && next >= sample.loopStart + sample.loopLength) {
        next = sample.loopStart;
    }
    const double here = module.sampleData[sample.start + index];
    const double there = next < sample.length ? module.sampleData[sample.start + next] : 0.0;
    return here + (there - here) * (channel.position - static_cast<double>(index));
}
}  // namespace

bool parseModule(const std::uint8_t* bytes, std::size_t size, MusicModule& module) {
    if (size < kPatternsAt || std::memcmp(bytes + kMarkAt, "M.K.", 4) != 0) {
        return false;
    }
    const std::size_t songLength = bytes[kSongLengthAt];
    if (songLength == 0 || songLength > kOrderSlots) {
        return false;
    }
    module.order.assign(bytes + kOrderAt, bytes + kOrderAt + songLength);
    // Every slot of the order list counts towards the patterns stored, used or not.
    const std::size_t patternCount =
        *std::max_element(bytes + kOrderAt, bytes + kOrderAt + kOrderSlots) + std::size_t{1};
    const std::size_t samplesAt = kPatternsAt + patternCount * kPatternSize;
    if (size < samplesAt) {
        return false;
    }
    module.patterns.assign(bytes + kPatternsAt, bytes + samplesAt);
    std::size_t start = 0;
    for (std::size_t slot = 0; slot < kSampleSlots; ++slot) {
        const std::uint8_t* header = bytes + kTitleSize + slot * kSampleHeaderSize;
        ModuleSample& sample = module.samples[slot + 1];
        sample.start = start;
        sample.length = 2 * bigEndianWord(header + 22);
        sample.volume = std::min(static_cast<int>(header[25]), kLargestVolume);
        sample.loopStart = std::min(2 * bigEndianWord(header + 26), sample.length);
        const std::size_t loopLength = 2 * bigEndianWord(header + 28);
        // A loop of one word is ProTracker's mark of a sample that plays once.
        sample.loopLength =
            loopLength > 2 ? std::min(loopLength, sample.length - sample.loopStart) : 0;
        start += sample.length;
    }
    if (size < samplesAt + start) {
        return false;
    }
    module.sampleData.resize(start);
    std::memcpy(module.sampleData.data(), bytes + samplesAt, start);
    return true;
}

void startModule(ModulePlayer& player, const MusicModule& module, int rate) {
    player = ModulePlayer{};
    player.module = &module;
    player.rate = rate;
    // ProTracker's tick lasts 2.5 / tempo seconds.
    player.framesPerTick = rate * 5 / (2 * kTempo);
}

void renderModule(ModulePlayer& player, float* frames, int count, int outputChannels, float gain) {
    const MusicModule& module = *player.module;
    const double scale = kChannelScale * gain;
    for (int frame = 0; frame < count; ++frame) {
        if (player.framesLeftInTick == 0) {
            playTick(player);
            player.framesLeftInTick = player.framesPerTick;
        }
        --player.framesLeftInTick;
        std::array<double, 2> sides = {0.0, 0.0};
        for (std::size_t index = 0; index < player.channels.size(); ++index) {
            ModuleChannel& channel = player.channels[index];
            if (!channel.sounding) {
                continue;
            }
            const double value = channelValue(module, channel) * channel.volume * scale;
            channel.position += channel.step;
            sides[index == 0 || index == 3 ? 0 : 1] += value;
        }
        float* out = frames + static_cast<std::ptrdiff_t>(frame) * outputChannels;
        if (outputChannels == 1) {
            out[0] = static_cast<float>(sides[0] + sides[1]);
            continue;
        }
        out[0] = static_cast<float>(sides[0]);
        out[1] = static_cast<float>(sides[1]);
        std::fill(out + 2, out + outputChannels, 0.0f);
    }
}
