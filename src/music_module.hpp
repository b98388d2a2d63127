// music_module -- the game's own player of four-channel ProTracker modules ("M.K."), which the
// page plays its tune with: a tracker library costs a page's first visit far more to download
// than the tune itself. It plays what the game's tunes use (tools/art/sound_art.cpp writes
// them): notes with their samples' volumes and loops, set volume (Cxx) and arpeggio (0xy), at
// ProTracker's default speed of 6 ticks a row and tempo of 125, repeating the order list without
// end. Other effects are ignored. No SDL here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kModuleChannels = 4;

struct ModuleSample {
    std::size_t start = 0;  // in MusicModule::sampleData
    std::size_t length = 0;
    std::size_t loopStart = 0;
    std::size_t loopLength = 0;  // 0: the sample plays once
    int volume = 0;              // 0 to 64
};

struct MusicModule {
    std::array<ModuleSample, 32> samples = {};  // numbered 1 to 31; 0 is none
    std::vector<std::uint8_t> order;
    std::vector<std::uint8_t> patterns;  // 64 rows of four 4-byte cells each
    std::vector<std::int8_t> sampleData;
};

// False, with `module` unusable, for anything but a whole four-channel module.
bool parseModule(const std::uint8_t* bytes, std::size_t size, MusicModule& module);

struct ModuleChannel {
    int sample = 0;
    int period = 0;    // the note's Amiga period; 0 before the first note
    int note = -1;     // the period's place in ProTracker's table, -1 where it has none
    int arpeggio = 0;  // the effect's two steps in semitones, 0 for none
    int volume = 0;    // 0 to 64
    double position = 0.0;
    double step = 0.0;  // sample bytes per output frame
    bool sounding = false;
};

struct ModulePlayer {
    const MusicModule* module = nullptr;
    int rate = 0;
    int framesPerTick = 0;
    int framesLeftInTick = 0;
    std::size_t orderIndex = 0;
    int row = 0;
    int tick = 0;
    std::array<ModuleChannel, kModuleChannels> channels = {};
};

// From the top of the order list, at `rate` output frames a second.
void startModule(ModulePlayer& player, const MusicModule& module, int rate);
// Writes `count` frames of `outputChannels` floats, overwriting what `frames` held: channels 1
// and 4 on the left, 2 and 3 on the right, as on the Amiga, both in one on a mono output; at
// `gain` 1 a channel's full-scale sample at volume 64 reaches 0.6 of full scale.
void renderModule(ModulePlayer& player, float* frames, int count, int outputChannels, float gain);
