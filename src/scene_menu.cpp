// scene_menu -- the title menu and its options, video, audio and controls pages.
#include "scene_menu.hpp"

#include <array>
#include <cstdio>

#include "engine_audio.hpp"
#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_math_helper.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "game_constants.hpp"
#include "game_font.hpp"
#include "game_scene_manager.hpp"
#include "game_variables.hpp"
#include "input_bindings.hpp"

namespace {
constexpr float kCursorX = 74.0f;
// Centres the cursor's cell on the first text row's 8-pixel line.
constexpr std::int32_t kCursorDrop = 4;
constexpr double kValueIndent = 1.2;
constexpr double kValueDrop = 0.5;
constexpr std::int32_t kNoFlip = 0;
// Half a second before a held key repeats the volume step.
constexpr std::int32_t kVolumeRepeatDelay = ticks(0.5);

constexpr std::array<const char*, 3> kMainLabels = {"Start", "Options", "Exit"};
constexpr std::array<const char*, 4> kOptionsLabels = {"Video \\", "Audio ]", "Input [", "Back"};
constexpr std::array<const char*, 5> kVideoLabels = {"Video mode", "Scale Type", "Rotation",
                                                     "Apply", "Back"};
constexpr std::array<const char*, 3> kAudioLabels = {"Music", "Sounds", "Back"};
constexpr std::array<const char*, 1> kControlsLabels = {"Back"};

// The controls page: a heading above its one row, then the keys and controller buttons by
// scene below it, in three columns: key, button, what they do. Text starts half a cell right
// of its pen, so 28 glyphs from a pen at 4 fill the field's width but for a margin of 8 on
// each side: 10 for the key, 5 for the button and 11 for what they do, a space between each.
struct TextLine {
    std::int32_t x;
    std::int32_t y;
    const char* text;
};
constexpr std::int32_t kControlsLineSpacing = 12;
constexpr std::int32_t kControlsTop = 104;
constexpr std::int32_t kKeyColumn = 4;
constexpr std::int32_t kButtonColumn = 92;
constexpr std::int32_t kMeaningColumn = 140;
constexpr std::int32_t controlsLine(std::int32_t index) {
    return kControlsTop + index * kControlsLineSpacing;
}
// The keys' and buttons' names come from the bindings table.
constexpr KeyNames kUpDownKeys = joinKeyNames({InputAction::Up, InputAction::Down}, " ");
constexpr KeyNames kLeftRightKeys = joinKeyNames({InputAction::Left, InputAction::Right}, " ");
constexpr const char* keyOf(InputAction action) {
    return bindingOf(action).keyName;
}
constexpr const char* buttonOf(InputAction action) {
    return bindingOf(action).buttonName;
}
constexpr std::array<TextLine, 31> kControlsText = {{
    {88, 40, "Controls"},
    {kKeyColumn, controlsLine(0), "Key"},
    {kButtonColumn, controlsLine(0), "Pad"},
    {kMeaningColumn, controlsLine(0), "Does"},
    {kKeyColumn, controlsLine(1), "In the menu"},
    {kKeyColumn, controlsLine(2), kUpDownKeys.c_str()},
    {kButtonColumn, controlsLine(2), buttonOf(InputAction::Up)},
    {kMeaningColumn, controlsLine(2), "move cursor"},
    {kKeyColumn, controlsLine(3), kLeftRightKeys.c_str()},
    {kButtonColumn, controlsLine(3), buttonOf(InputAction::Left)},
    {kMeaningColumn, controlsLine(3), "set value"},
    {kKeyColumn, controlsLine(4), keyOf(InputAction::Confirm)},
    {kButtonColumn, controlsLine(4), buttonOf(InputAction::Confirm)},
    {kMeaningColumn, controlsLine(4), "choose"},
    {kKeyColumn, controlsLine(5), keyOf(InputAction::Back)},
    {kButtonColumn, controlsLine(5), buttonOf(InputAction::Back)},
    {kMeaningColumn, controlsLine(5), "go back"},
    {kKeyColumn, controlsLine(7), "In the stage"},
    {kKeyColumn, controlsLine(8), kLeftRightKeys.c_str()},
    {kButtonColumn, controlsLine(8), buttonOf(InputAction::Left)},
    {kMeaningColumn, controlsLine(8), "move paddle"},
    {kKeyColumn, controlsLine(9), keyOf(InputAction::Pause)},
    {kButtonColumn, controlsLine(9), buttonOf(InputAction::Pause)},
    {kMeaningColumn, controlsLine(9), "(un)pause"},
    {kKeyColumn, controlsLine(10), keyOf(InputAction::Back)},
    {kButtonColumn, controlsLine(10), buttonOf(InputAction::Back)},
    {kMeaningColumn, controlsLine(10), "claim bonus"},
    {kKeyColumn, controlsLine(12), "Stick as D-pad, Back as B."},
    {kKeyColumn, controlsLine(13), "Unplugging a pad pauses."},
    {kKeyColumn, controlsLine(14), "Bonus: 5000 for P/B on the"},
    {kKeyColumn, controlsLine(15), "frame ending 30 s of play."},
}};

// The video page's names for each choice, indexed by its value.
constexpr std::array<const char*, kWindowModeCount> kWindowModeNames = {"Windowed", "FullScreen",
                                                                        "Windowed FullScreen"};
constexpr std::array<const char*, kScaleTypeCount> kScaleTypeNames = {"Integer", "Aspect Fit",
                                                                      "Stretch"};
constexpr std::array<const char*, kRotationCount> kRotationNames = {"None", "Right", "Flip",
                                                                    "Left"};

template <typename Choice, std::size_t N>
const char* nameOf(const std::array<const char*, N>& names, Choice choice) {
    return names[static_cast<std::size_t>(choice)];
}

// Each page's labels end on its last row.
template <std::size_t N>
constexpr bool endsOn(const std::array<const char*, N>& labels, std::int32_t page) {
    return static_cast<std::int32_t>(labels.size()) - 1 ==
           kMenuLastRow[static_cast<std::size_t>(page)];
}
static_assert(endsOn(kMainLabels, kMainPage) && endsOn(kOptionsLabels, kOptionsPage) &&
                  endsOn(kVideoLabels, kVideoPage) && endsOn(kAudioLabels, kAudioPage) &&
                  endsOn(kControlsLabels, kControlsPage),
              "a page's labels and its rows");

std::int32_t subScene = kMainPage;
std::int32_t cursorPlace = 0;
WindowMode fullScreen = WindowMode::Windowed;
ScaleType videoScaleType = ScaleType::Integer;
Rotation rotationType = Rotation::None;
// Room for any 32-bit integer in decimal, sign and terminator included.
std::array<char, 12> musicVolumeText = {};
std::array<char, 12> soundVolumeText = {};

bool pressed(InputAction action) {
    return inputPressed(action) != 0;
}

void openPage(std::int32_t page) {
    cursorPlace = 0;
    subScene = page;
}

// Up before Down, so both in one frame on the first row end on the second.
void moveCursor() {
    if (pressed(InputAction::Up) && cursorPlace > 0) {
        --cursorPlace;
    }
    if (pressed(InputAction::Down) &&
        cursorPlace < kMenuLastRow[static_cast<std::size_t>(subScene)]) {
        ++cursorPlace;
    }
}

// Right before Left, so both in one frame at the top end one lower.
template <typename Choice>
void stepChoice(Choice& choice, std::int32_t choiceCount) {
    auto value = static_cast<std::int32_t>(choice);
    if (pressed(InputAction::Right) && value < choiceCount - 1) {
        ++value;
    }
    if (pressed(InputAction::Left) && value > 0) {
        --value;
    }
    choice = static_cast<Choice>(value);
}

void stepVolume(void (*change)(std::int32_t)) {
    if (inputPressedAndHeld(InputAction::Left, kVolumeRepeatDelay) != 0) {
        change(-1);
    }
    if (inputPressedAndHeld(InputAction::Right, kVolumeRepeatDelay) != 0) {
        change(+1);
    }
}

void updateMainPage() {
    if (!pressed(InputAction::Confirm)) {
        return;
    }
    switch (cursorPlace) {
        case kStartRow:
            changeScene(kStageScene);
            break;
        case kOptionsRow:
            openPage(kOptionsPage);
            break;
        case kExitRow:
            quitGame();
            break;
        default:
            break;
    }
}

void updateOptionsPage() {
    const bool confirm = pressed(InputAction::Confirm);
    if (pressed(InputAction::Back) || (cursorPlace == kOptionsBackRow && confirm)) {
        openPage(kMainPage);
        return;
    }
    if (!confirm) {
        return;
    }
    if (cursorPlace == kVideoRow) {
        openPage(kVideoPage);
    } else if (cursorPlace == kAudioRow) {
        openPage(kAudioPage);
    } else if (cursorPlace == kInputRow) {
        openPage(kControlsPage);
    }
}

// The bindings are fixed, so the page only shows them; its one row leaves it.
void updateControlsPage() {
    if (pressed(InputAction::Back) || pressed(InputAction::Confirm)) {
        openPage(kOptionsPage);
    }
}

void updateVideoPage() {
    if (pressed(InputAction::Back) ||
        (cursorPlace == kVideoBackRow && pressed(InputAction::Confirm))) {
        openPage(kOptionsPage);
    }
    // The row's step runs even on the frame that leaves, then on row 0.
    switch (cursorPlace) {
        case kWindowModeRow:
            stepChoice(fullScreen, kWindowModeCount);
            break;
        case kScaleTypeRow:
            stepChoice(videoScaleType, kScaleTypeCount);
            break;
        case kRotationRow:
            stepChoice(rotationType, kRotationCount);
            break;
        case kApplyRow:
            if (pressed(InputAction::Confirm)) {
                changeVideoSettings(fullScreen, videoScaleType, rotationType);
            }
            break;
        default:
            break;
    }
}

void updateAudioPage() {
    if (pressed(InputAction::Back) ||
        (cursorPlace == kAudioBackRow && pressed(InputAction::Confirm))) {
        openPage(kOptionsPage);
    }
    // As on the video page, the row's step runs after leaving, on row 0.
    switch (cursorPlace) {
        case kMusicRow:
            stepVolume(changeMusicVolume);
            break;
        case kSoundsRow:
            stepVolume(changeSoundEffectVolume);
            break;
        default:
            break;
    }
}

void printLabel(const char* label, std::int32_t row) {
    print(*getFont1(), label, static_cast<float>(kMenuItemStart),
          static_cast<float>(menuRowTop(row)));
}

// A value stands half a row below its label, indented.
void printValue(const char* value, std::int32_t row) {
    print(*getFont1(), value, static_cast<float>(kValueIndent * kMenuItemStart),
          static_cast<float>(kMenuItemStart + (row + kValueDrop) * kMenuItemSpacing));
}

template <std::size_t N>
void printLabels(const std::array<const char*, N>& labels) {
    for (std::size_t row = 0; row < N; ++row) {
        printLabel(labels[row], static_cast<std::int32_t>(row));
    }
}

void renderVideoPage() {
    printLabel(kVideoLabels[kWindowModeRow], kWindowModeRow);
    printValue(nameOf(kWindowModeNames, fullScreen), kWindowModeRow);
    printLabel(kVideoLabels[kScaleTypeRow], kScaleTypeRow);
    printValue(nameOf(kScaleTypeNames, videoScaleType), kScaleTypeRow);
    printLabel(kVideoLabels[kRotationRow], kRotationRow);
    printValue(nameOf(kRotationNames, rotationType), kRotationRow);
    printLabel(kVideoLabels[kApplyRow], kApplyRow);
    printLabel(kVideoLabels[kVideoBackRow], kVideoBackRow);
}

void renderAudioPage() {
    std::snprintf(musicVolumeText.data(), musicVolumeText.size(), "%d", getMusicVolume());
    std::snprintf(soundVolumeText.data(), soundVolumeText.size(), "%d", getSoundEffectVolume());
    printLabel(kAudioLabels[kMusicRow], kMusicRow);
    printValue(musicVolumeText.data(), kMusicRow);
    printLabel(kAudioLabels[kSoundsRow], kSoundsRow);
    printValue(soundVolumeText.data(), kSoundsRow);
    printLabel(kAudioLabels[kAudioBackRow], kAudioBackRow);
}

void renderControlsPage() {
    printLabels(kControlsLabels);
    for (const TextLine& text : kControlsText) {
        print(*getFont1(), text.text, static_cast<float>(text.x), static_cast<float>(text.y));
    }
}
}  // namespace

void initializeMenu() {
    openPage(kMainPage);
    fullScreen = WindowMode::Windowed;
    videoScaleType = ScaleType::Integer;
    rotationType = Rotation::None;
    *getCameraPosition() = {0.0f, 0.0f};
}

void updateMenu() {
    moveCursor();
    switch (subScene) {
        case kMainPage:
            updateMainPage();
            break;
        case kOptionsPage:
            updateOptionsPage();
            break;
        case kVideoPage:
            updateVideoPage();
            break;
        case kAudioPage:
            updateAudioPage();
            break;
        case kControlsPage:
            updateControlsPage();
            break;
        default:
            break;
    }
}

void renderMenu() {
    renderSprite(*getSprite1(), kCursorCell, kCursorX,
                 static_cast<float>(menuRowTop(cursorPlace) + kCursorDrop), kNoFlip);
    switch (subScene) {
        case kMainPage:
            printLabels(kMainLabels);
            break;
        case kOptionsPage:
            printLabels(kOptionsLabels);
            break;
        case kVideoPage:
            renderVideoPage();
            break;
        case kAudioPage:
            renderAudioPage();
            break;
        case kControlsPage:
            renderControlsPage();
            break;
        default:
            break;
    }
}

void quitMenu() {}

std::int32_t getMenuPage() {
    return subScene;
}
std::int32_t getMenuCursor() {
    return cursorPlace;
}
WindowMode getMenuWindowMode() {
    return fullScreen;
}
ScaleType getMenuScaleType() {
    return videoScaleType;
}
Rotation getMenuRotation() {
    return rotationType;
}
