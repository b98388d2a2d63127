// scene_menu -- the title menu and its options, video, audio and controls pages.
#pragma once

#include <cstdint>

#include "engine_video.hpp"
// The pages and their rows.
#include "game_constants.hpp"

// Where the pages' rows stand: each row's label starts at x kMenuItemStart, and its top is
// menuRowTop of its row.
inline constexpr std::int32_t kMenuItemStart = 80;
inline constexpr std::int32_t kMenuItemSpacing = 30;
constexpr std::int32_t menuRowTop(std::int32_t row) {
    return kMenuItemStart + row * kMenuItemSpacing;
}

// Runs on every entry into the scene: main page, cursor on the first row, display choices 0.
void initializeMenu();
void updateMenu();
void renderMenu();
void quitMenu();

// Read-only views of the menu's state for tools and tests.
std::int32_t getMenuPage();
std::int32_t getMenuCursor();
// The display choices shown on the video page; the display changes only when they are applied.
WindowMode getMenuWindowMode();
ScaleType getMenuScaleType();
Rotation getMenuRotation();
