// game_constants -- the numbers several modules share: the play field, the frame rate, the
// sprite sheet's cells, the resource names and the menu's pages and rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine_math_helper.hpp"

// The play field, in pixels: every scene draws into it, and its edges are the walls of play.
inline constexpr std::int32_t kPlayFieldWidth = 240;
inline constexpr std::int32_t kPlayFieldHeight = 320;
// The field's middle column, where the paddle starts.
inline constexpr float kPlayFieldCentreX = static_cast<float>(kPlayFieldWidth) / 2.0f;

// The fixed rate of the frame loop; every speed, delay and timer counts these frames.
inline constexpr std::int32_t kFramesPerSecond = 120;
// The period of a rate in frames per second, as the timer works it out.
constexpr double framePeriodSeconds(std::int32_t framesPerSecond) {
    return 1.0 / static_cast<double>(framesPerSecond);
}
// 1/120 as the nearest double.
inline constexpr double kFramePeriodSeconds = framePeriodSeconds(kFramesPerSecond);
// Frames in a time, to the nearest whole frame: ticks(0.5) is 60.
constexpr std::int32_t ticks(double seconds) {
    return static_cast<std::int32_t>(seconds * kFramesPerSecond + 0.5);
}

// The room the resource-path buffer keeps for names beyond the executable's directory.
inline constexpr std::int32_t kResourceNameRoom = 50;

// A resource name, a folder and a file name joined at compile time.
class ResourceName {
  public:
    constexpr ResourceName(std::string_view folder, std::string_view file) {
        std::size_t at = 0;
        for (const std::string_view part : {folder, file}) {
            for (const char c : part) {
                text_.at(at++) = c;
            }
        }
        // A name too long for the array stops the build here.
        text_.at(at) = '\0';
    }
    constexpr const char* c_str() const { return text_.data(); }

  private:
    std::array<char, 32> text_ = {};
};

// Resource folders, as the game spells them inside its resource folder.
inline constexpr std::string_view kImageFolder = "IMG//";
inline constexpr std::string_view kSoundFolder = "SFX//";
inline constexpr std::string_view kMusicFolder = "MUS//";
inline constexpr ResourceName kSheetName = {kImageFolder, "Main.png"};

// The sprite sheet: its size and the cells the game cuts from it (x, y of the top-left corner,
// width, height).
inline constexpr std::int32_t kSheetWidth = 80;
inline constexpr std::int32_t kSheetHeight = 108;
// The glyph of the space, the first of the font's cells, which run eight to a row.
inline constexpr Rectangle kFirstGlyphCell = {0, 0, 8, 8};
inline constexpr std::int32_t kGlyphLastColumn = 7;
inline constexpr Rectangle kCursorCell = {48, 24, 8, 8};
inline constexpr Rectangle kBallCell = {64, 0, 7, 7};
inline constexpr Rectangle kBlockCell = {64, 10, 16, 8};
inline constexpr Rectangle kCoinCell = {64, 18, 9, 9};
inline constexpr Rectangle kPaddleCell = {0, 97, 28, 11};

// The menu's pages, and the rows of each.
inline constexpr std::int32_t kMainPage = 0;
inline constexpr std::int32_t kOptionsPage = 1;
inline constexpr std::int32_t kVideoPage = 2;
inline constexpr std::int32_t kAudioPage = 3;
// Read only: lists the fixed keys and what they do.
inline constexpr std::int32_t kControlsPage = 4;

inline constexpr std::int32_t kStartRow = 0;
inline constexpr std::int32_t kOptionsRow = 1;
inline constexpr std::int32_t kExitRow = 2;

inline constexpr std::int32_t kVideoRow = 0;
inline constexpr std::int32_t kAudioRow = 1;
inline constexpr std::int32_t kInputRow = 2;
inline constexpr std::int32_t kOptionsBackRow = 3;

inline constexpr std::int32_t kWindowModeRow = 0;
inline constexpr std::int32_t kScaleTypeRow = 1;
inline constexpr std::int32_t kRotationRow = 2;
inline constexpr std::int32_t kApplyRow = 3;
inline constexpr std::int32_t kVideoBackRow = 4;

inline constexpr std::int32_t kMusicRow = 0;
inline constexpr std::int32_t kSoundsRow = 1;
inline constexpr std::int32_t kAudioBackRow = 2;

inline constexpr std::int32_t kControlsBackRow = 0;

// The last row of each page, indexed by page: the cursor stops there.
inline constexpr std::array<std::int32_t, 5> kMenuLastRow = {
    kExitRow, kOptionsBackRow, kVideoBackRow, kAudioBackRow, kControlsBackRow};
