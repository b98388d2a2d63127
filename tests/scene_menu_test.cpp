#include "scene_menu.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_audio.hpp"
#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_memory_helper.hpp"
#include "engine_sprite.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "game_constants.hpp"
#include "game_font.hpp"
#include "game_scene_manager.hpp"
#include "game_variables.hpp"
#include "input_devices.hpp"
#include "test_support.hpp"

using A = InputAction;

namespace {
constexpr int kFieldWidth = kPlayFieldWidth;
constexpr int kFieldHeight = kPlayFieldHeight;
constexpr int kCell = kFirstGlyphCell.w;
constexpr std::uint32_t kCursorColour = 0xFF00FFu;
constexpr std::uint8_t kGlyphBlue = 77;

// Each glyph cell of the test sheet is filled with a colour that names its character, and the
// cursor's cell with a colour of its own, so text drawn into the play field reads back.
std::uint32_t glyphColour(int code) {
    return (static_cast<std::uint32_t>(code) << 16) |
           (static_cast<std::uint32_t>(255 - code) << 8) | kGlyphBlue;
}

char decode(std::uint32_t pixel) {
    if (pixel == 0) {
        return ' ';
    }
    const int code = static_cast<int>(pixel >> 16);
    return pixel == glyphColour(code) && code > kFirstGlyphCode && code <= kLastGlyphCode
               ? static_cast<char>(code)
               : '?';
}

void fillCell(SDL_Surface* surface, int x, int y, std::uint32_t rgb) {
    const SDL_Rect cell = {x, y, kCell, kCell};
    SDL_FillRect(surface, &cell,
                 SDL_MapRGBA(surface->format, static_cast<Uint8>(rgb >> 16),
                             static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb), 255));
}

// Stands in for the sheet and font that start-up makes; the space stays transparent.
void installCodedSheet() {
    auto* sprite = static_cast<Sprite*>(smalloc(sizeof(Sprite)));
    Font* font = newFont(sprite, kFirstGlyphCell, kGlyphLastColumn);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 64, 96, 32, SDL_PIXELFORMAT_RGBA32);
    SDL_FillRect(surface, nullptr, 0);
    for (int code = kFirstGlyphCode + 1; code <= kLastGlyphCode; ++code) {
        const GlyphCell& cell = font->cells[static_cast<std::size_t>(code - kFirstGlyphCode)];
        fillCell(surface, cell.x, cell.y, glyphColour(code));
    }
    fillCell(surface, kCursorCell.x, kCursorCell.y, kCursorColour);
    sprite->texture = SDL_CreateTextureFromSurface(getRenderer(), surface);
    SDL_SetTextureBlendMode(sprite->texture, SDL_BLENDMODE_BLEND);
    SDL_FreeSurface(surface);
    *getSprite1() = sprite;
    *getFont1() = font;
}

// The play field as the current scene draws it.
struct PlayField {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kFieldWidth * kFieldHeight);

    std::uint32_t at(int x, int y) const { return pixels[y * kFieldWidth + x] & 0xFFFFFFu; }

    // The text printed at (x, y): glyph k covers x + 4 + 8k to x + 11 + 8k, from y down.
    std::string text(int x, int y) const {
        std::string read;
        for (int centre = x + 8; centre < kFieldWidth; centre += kCell) {
            read += decode(at(centre, y + 4));
        }
        return read.erase(read.find_last_not_of(' ') + 1);
    }
    std::string label(int row) const { return text(kMenuItemStart, menuRowTop(row)); }
    // A value stands half a row below its label.
    std::string value(int row) const { return text(96, menuRowTop(row) + kMenuItemSpacing / 2); }

    // The row whose cursor spot is lit, or -1; -2 when more than one is.
    int cursorRow() const {
        int found = -1;
        for (int row = 0; row < 8; ++row) {
            if (at(74, menuRowTop(row) + 4) == kCursorColour) {
                found = found == -1 ? row : -2;
            }
        }
        return found;
    }

    // Whether an 8 by 8 block of one colour starts exactly at (left, top).
    bool blockStartsAt(int left, int top, std::uint32_t colour) const {
        for (int y = top; y < top + kCell; ++y) {
            for (int x = left; x < left + kCell; ++x) {
                if (at(x, y) != colour) {
                    return false;
                }
            }
        }
        return at(left - 1, top) != colour && at(left, top - 1) != colour &&
               at(left + kCell, top + kCell - 1) != colour &&
               at(left + kCell - 1, top + kCell) != colour;
    }
};

PlayField drawPlayField() {
    preRender();
    renderCurrentScene();
    PlayField field;
    SDL_RenderReadPixels(getRenderer(), nullptr, SDL_PIXELFORMAT_RGB888, field.pixels.data(),
                         kFieldWidth * 4);
    return field;
}

Rectangle layoutRectangle() {
    return getVideoLayout().scaleRectangle;
}

bool sameRectangle(Rectangle a, Rectangle b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

class Menu : public ::testing::Test {
  protected:
    // The game's own start-up, then the coded sheet in place of the real one.
    void SetUp() override {
        startUp();
        ASSERT_FALSE(getQuit());
        freeFont(*getFont1());
        freeSprite(*getSprite1());
        installCodedSheet();
    }
    void TearDown() override { shutDown(); }

    using Keys = std::vector<A>;
    using Path = std::vector<Keys>;

    // The actions held in the passes that follow, as the pass's command.
    static void press(const Keys& keys) {
        for (const A key : keys) {
            held()[static_cast<std::size_t>(key)] = true;
        }
        test_support::holdInPasses(held());
    }
    static void release(const Keys& keys) {
        for (const A key : keys) {
            held()[static_cast<std::size_t>(key)] = false;
        }
        test_support::holdInPasses(held());
    }
    static HeldActions& held() {
        static HeldActions down = {};
        return down;
    }
    static void pass() { ASSERT_TRUE(runFramePass()); }
    // The keys go down together for one frame, then up again for the next.
    static void tap(const Keys& keys) {
        press(keys);
        pass();
        release(keys);
        pass();
    }
    static void tapTimes(A key, int times) {
        for (int i = 0; i < times; ++i) {
            tap({key});
        }
    }
    static void walk(const Path& path) {
        for (const Keys& keys : path) {
            tap(keys);
        }
    }
    static Path then(Path path, const Path& more) {
        path.insert(path.end(), more.begin(), more.end());
        return path;
    }

    static inline const Path kToOptions = {{A::Down}, {A::Confirm}};
    static inline const Path kToVideo = then(kToOptions, {{A::Confirm}});
    static inline const Path kToAudio = then(kToOptions, {{A::Down}, {A::Confirm}});

    static void openVideo() {
        walk(kToVideo);
        ASSERT_EQ(getMenuPage(), kVideoPage);
    }
    static void openAudio() {
        walk(kToAudio);
        ASSERT_EQ(getMenuPage(), kAudioPage);
    }
    // Walks a path from a fresh title and checks it ends on row 0 of `page`, with that row's
    // cursor drawn; returns the picture drawn there.
    static PlayField walkFromTheTitle(const Path& path, int page) {
        changeScene(kMenuScene);
        walk(path);
        EXPECT_EQ(getMenuPage(), page);
        EXPECT_EQ(getMenuCursor(), 0);
        EXPECT_EQ(getCurrentScene(), kMenuScene);
        PlayField field = drawPlayField();
        EXPECT_EQ(field.cursorRow(), 0);
        return field;
    }
    // Sets the three video rows from 0 and leaves the cursor on "Apply".
    static void chooseDisplay(int windowMode, int scaleType, int rotation) {
        for (const int steps : {windowMode, scaleType, rotation}) {
            tapTimes(A::Right, steps);
            tap({A::Down});
        }
    }
};
}  // namespace

TEST_F(Menu, EveryPageTransitionLandsOnRowZeroOfItsPage) {
    const struct {
        const char* name;
        Path path;
        int page;
    } cases[] = {
        {"main: Confirm on Options", kToOptions, kOptionsPage},
        {"options: Back", then(kToOptions, {{A::Down}, {A::Down}, {A::Back}}), kMainPage},
        {"options: Confirm on Back",
         then(kToOptions, {{A::Down}, {A::Down}, {A::Down}, {A::Confirm}}), kMainPage},
        {"options: Confirm on Video", kToVideo, kVideoPage},
        {"options: Confirm on Audio", kToAudio, kAudioPage},
        {"video: Back", then(kToVideo, {{A::Down}, {A::Down}, {A::Down}, {A::Back}}), kOptionsPage},
        {"video: Confirm on Back",
         then(kToVideo, {{A::Down}, {A::Down}, {A::Down}, {A::Down}, {A::Confirm}}), kOptionsPage},
        {"audio: Back", then(kToAudio, {{A::Down}, {A::Back}}), kOptionsPage},
        {"audio: Confirm on the third row", then(kToAudio, {{A::Down}, {A::Down}, {A::Confirm}}),
         kOptionsPage},
    };
    const std::array<std::string, 4> firstLabels = {"Start", "Video \\", "Video mode", "Music"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlayField field = walkFromTheTitle(c.path, c.page);
        EXPECT_EQ(field.label(0), firstLabels[static_cast<std::size_t>(c.page)]);
    }
    EXPECT_FALSE(getQuit());
}

TEST_F(Menu, EachPageDrawsItsRowsValuesAndCursor) {
    using Rows = std::array<std::string, 5>;
    const struct {
        const char* name;
        Path path;
        Rows labels;
        Rows values;
        int cursor;
    } cases[] = {
        {"main", {}, {"Start", "Options", "Exit", "", ""}, {}, 0},
        {"options",
         then(kToOptions, {{A::Down}}),
         {"Video \\", "Audio ]", "Input [", "Back", ""},
         {},
         1},
        {"video as entered",
         kToVideo,
         {"Video mode", "Scale Type", "Rotation", "Apply", "Back"},
         {"Windowed", "Integer", "None", "", ""},
         0},
        // "Windowed FullScreen" runs past the play field's right edge.
        {"video with every choice at its top",
         then(kToVideo, {{A::Right},
                         {A::Right},
                         {A::Down},
                         {A::Right},
                         {A::Right},
                         {A::Down},
                         {A::Right},
                         {A::Right},
                         {A::Right}}),
         {"Video mode", "Scale Type", "Rotation", "Apply", "Back"},
         {"Windowed FullScre", "Stretch", "Left", "", ""},
         2},
        {"video in between",
         then(kToVideo, {{A::Right}, {A::Down}, {A::Right}, {A::Down}, {A::Right}, {A::Right}}),
         {"Video mode", "Scale Type", "Rotation", "Apply", "Back"},
         {"FullScreen", "Aspect Fit", "Flip", "", ""},
         2},
        {"audio",
         then(kToAudio, {{A::Down}, {A::Left}, {A::Left}}),
         {"Music", "Sounds", "Back", "", ""},
         {"128", "126", "", "", ""},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        changeScene(kMenuScene);
        walk(c.path);
        const PlayField field = drawPlayField();
        for (int row = 0; row < 5; ++row) {
            EXPECT_EQ(field.label(row), c.labels[static_cast<std::size_t>(row)]) << "row " << row;
            EXPECT_EQ(field.value(row), c.values[static_cast<std::size_t>(row)]) << "row " << row;
        }
        EXPECT_EQ(field.cursorRow(), c.cursor);
        // The cursor's cell spans x 70 to 77 level with its label, whose first glyph starts at
        // x 84; a value's first glyph starts at x 100, 15 pixels below its label.
        const int top = menuRowTop(c.cursor);
        EXPECT_TRUE(field.blockStartsAt(70, top, kCursorColour));
        EXPECT_TRUE(field.blockStartsAt(84, top, field.at(84, top)));
        EXPECT_EQ(field.at(78, top) | field.at(83, top), 0u) << "gap between cursor and label";
        if (!c.values[0].empty()) {
            EXPECT_TRUE(field.blockStartsAt(100, 95, field.at(100, 95)));
        }
    }
}

TEST_F(Menu, CursorStopsAtTheEndsOfEveryPage) {
    const struct {
        const char* name;
        Path path;
        int lastRow;
    } pages[] = {
        {"main", {}, 2},
        {"options", kToOptions, 3},
        {"video", kToVideo, 4},
        {"audio", kToAudio, 2},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.name);
        changeScene(kMenuScene);
        walk(p.path);
        const int page = getMenuPage();
        tap({A::Up});
        EXPECT_EQ(getMenuCursor(), 0) << "Up on the first row";
        tapTimes(A::Down, p.lastRow + 2);
        EXPECT_EQ(getMenuCursor(), p.lastRow) << "Down past the last row";
        tap({A::Up, A::Down});
        EXPECT_EQ(getMenuCursor(), p.lastRow) << "Up then Down on the last row";
        tapTimes(A::Up, p.lastRow);
        ASSERT_EQ(getMenuCursor(), 0);
        tap({A::Up, A::Down});
        EXPECT_EQ(getMenuCursor(), 1) << "Up then Down on the first row";
        EXPECT_EQ(getMenuPage(), page);
    }
}

TEST_F(Menu, HoldingDownMovesOneRow) {
    press({A::Down});
    for (int frame = 0; frame < 100; ++frame) {
        pass();
    }
    EXPECT_EQ(getMenuCursor(), 1);
    release({A::Down});
    pass();
    tap({A::Down});
    EXPECT_EQ(getMenuCursor(), 2);
}

TEST_F(Menu, DownAndConfirmInOneFrameOpenTheOptionsPage) {
    tap({A::Down, A::Confirm});
    EXPECT_EQ(getMenuPage(), kOptionsPage);
    EXPECT_EQ(getMenuCursor(), 0);
}

TEST_F(Menu, VideoChoicesStepWithinTheirBoundsRightBeforeLeft) {
    const struct {
        const char* name;
        int row;
        int top;
        std::int32_t (*choice)();
    } rows[] = {
        {"window mode", 0, 2, [] { return static_cast<std::int32_t>(getMenuWindowMode()); }},
        {"scale type", 1, 2, [] { return static_cast<std::int32_t>(getMenuScaleType()); }},
        {"rotation", 2, 3, [] { return static_cast<std::int32_t>(getMenuRotation()); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        changeScene(kMenuScene);
        openVideo();
        tapTimes(A::Down, r.row);
        tap({A::Left});
        EXPECT_EQ(r.choice(), 0) << "Left at 0";
        tap({A::Right, A::Left});
        EXPECT_EQ(r.choice(), 0) << "Right and Left together at 0";
        tapTimes(A::Right, r.top + 3);
        EXPECT_EQ(r.choice(), r.top) << "Right past the top";
        tap({A::Right, A::Left});
        EXPECT_EQ(r.choice(), r.top - 1) << "Right and Left together at the top";
        tap({A::Right, A::Left});
        EXPECT_EQ(r.choice(), r.top - 1) << "Right and Left together below the top";
    }
}

TEST_F(Menu, ApplyHandsOverTheThreeShownChoicesInOrder) {
    SDL_DisplayMode display = {};
    SDL_GetCurrentDisplayMode(0, &display);
    ASSERT_EQ(display.w, 1024);
    ASSERT_EQ(display.h, 768);
    // Worked out by hand for a 1024 by 768 display; every case would differ with two of the
    // three arguments swapped.
    const struct {
        int windowMode;
        int scaleType;
        int rotation;
        Rectangle rectangle;
        Uint32 fullScreenFlags;
        int windowWidth;
        int windowHeight;
    } cases[] = {
        {1, 1, 1, {128, -128, 768, 1024}, SDL_WINDOW_FULLSCREEN, 0, 0},
        {2, 1, 2, {224, 0, 576, 768}, SDL_WINDOW_FULLSCREEN_DESKTOP, 0, 0},
        {0, 0, 1, {120, -120, 720, 960}, 0, 960, 720},
        {1, 0, 2, {272, 64, 480, 640}, SDL_WINDOW_FULLSCREEN, 0, 0},
        {0, 2, 3, {128, -128, 768, 1024}, 0, 1024, 768},
        {0, 0, 0, {0, 0, 480, 640}, 0, 480, 640},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "window mode " << c.windowMode << ", scale type "
                                          << c.scaleType << ", rotation " << c.rotation);
        changeScene(kMenuScene);
        openVideo();
        const VideoLayout before = getVideoLayout();
        chooseDisplay(c.windowMode, c.scaleType, c.rotation);
        EXPECT_EQ(getMenuWindowMode(), static_cast<WindowMode>(c.windowMode));
        EXPECT_EQ(getMenuScaleType(), static_cast<ScaleType>(c.scaleType));
        EXPECT_EQ(getMenuRotation(), static_cast<Rotation>(c.rotation));
        EXPECT_TRUE(sameRectangle(layoutRectangle(), before.scaleRectangle))
            << "choosing alone changes nothing";
        EXPECT_EQ(getVideoLayout().textureRotation, before.textureRotation);

        tap({A::Confirm});
        const Rectangle r = layoutRectangle();
        EXPECT_TRUE(sameRectangle(r, c.rectangle))
            << r.x << ", " << r.y << ", " << r.w << ", " << r.h;
        EXPECT_EQ(getVideoLayout().textureRotation, 90 * c.rotation);
        EXPECT_EQ(SDL_GetWindowFlags(getWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
                  c.fullScreenFlags);
        if (c.windowWidth != 0) {
            int width = 0;
            int height = 0;
            SDL_GetWindowSize(getWindow(), &width, &height);
            EXPECT_EQ(width, c.windowWidth);
            EXPECT_EQ(height, c.windowHeight);
            // Back in a window, from full screen too, it is centred on the display again.
            int x = -1;
            int y = -1;
            SDL_GetWindowPosition(getWindow(), &x, &y);
            EXPECT_EQ(x, (1024 - c.windowWidth) / 2);
            EXPECT_EQ(y, (768 - c.windowHeight) / 2);
        }
        EXPECT_EQ(getMenuPage(), kVideoPage);
    }
}

TEST_F(Menu, LeavingTheVideoPageWithoutApplyKeepsTheDisplay) {
    const VideoLayout before = getVideoLayout();
    openVideo();
    chooseDisplay(2, 2, 3);
    tap({A::Back});
    ASSERT_EQ(getMenuPage(), kOptionsPage);
    EXPECT_TRUE(sameRectangle(layoutRectangle(), before.scaleRectangle));
    EXPECT_EQ(getVideoLayout().textureRotation, before.textureRotation);
    // The choices are kept while the menu stays current.
    tap({A::Confirm});
    const PlayField field = drawPlayField();
    EXPECT_EQ(field.value(1), "Stretch");
    EXPECT_EQ(field.value(2), "Left");
}

TEST_F(Menu, APressInTheFrameThatLeavesAPageStepsRowZero) {
    const VideoLayout before = getVideoLayout();
    openVideo();
    tapTimes(A::Down, 2);
    tap({A::Back, A::Right});
    EXPECT_EQ(getMenuPage(), kOptionsPage);
    EXPECT_EQ(getMenuWindowMode(), WindowMode::FullScreen)
        << "the window mode row steps after the page change";
    EXPECT_EQ(getMenuRotation(), Rotation::None) << "the row the cursor was on does not";
    EXPECT_TRUE(sameRectangle(layoutRectangle(), before.scaleRectangle)) << "nothing applied";

    // A key held since an earlier frame is no press: leaving with it down changes nothing.
    press({A::Left});
    pass();
    tap({A::Confirm});
    ASSERT_EQ(getMenuPage(), kVideoPage);
    tapTimes(A::Down, 4);
    tap({A::Confirm});
    EXPECT_EQ(getMenuPage(), kOptionsPage);
    EXPECT_EQ(getMenuWindowMode(), WindowMode::FullScreen);
    release({A::Left});
    pass();

    // The audio page does the same with the music volume.
    tap({A::Down});
    tap({A::Confirm});
    ASSERT_EQ(getMenuPage(), kAudioPage);
    tap({A::Down});
    tap({A::Back, A::Left});
    EXPECT_EQ(getMenuPage(), kOptionsPage);
    EXPECT_EQ(getMusicVolume(), 127);
    EXPECT_EQ(getSoundEffectVolume(), 128);
}

TEST_F(Menu, HeldVolumeKeyStepsOnceThenRepeatsAfterSixtyFrames) {
    openAudio();
    ASSERT_EQ(getMusicVolume(), 128);
    const struct {
        A key;
        int start;
        int step;
    } holds[] = {{A::Left, 128, -1}, {A::Right, 40, +1}};
    for (const auto& h : holds) {
        SCOPED_TRACE(h.step);
        changeMusicVolume(h.start - getMusicVolume());
        ASSERT_EQ(getMusicVolume(), h.start);
        std::vector<int> expected;
        for (int frame = 1; frame <= 70; ++frame) {
            expected.push_back(h.start + h.step * (frame <= 60 ? 1 : frame - 59));
        }
        std::vector<int> seen;
        press({h.key});
        for (int frame = 1; frame <= 70; ++frame) {
            pass();
            seen.push_back(getMusicVolume());
        }
        release({h.key});
        pass();
        EXPECT_EQ(seen, expected);
    }

    // Both held from 0: the -1 is lost at the bound and the +1 lands.
    changeMusicVolume(-getMusicVolume());
    press({A::Left, A::Right});
    for (int frame = 1; frame <= 70; ++frame) {
        pass();
        ASSERT_EQ(getMusicVolume(), 1) << "frame " << frame;
    }
    release({A::Left, A::Right});
    pass();

    tap({A::Down});
    tap({A::Left});
    EXPECT_EQ(getSoundEffectVolume(), 127);
    EXPECT_EQ(getMusicVolume(), 1);
}

TEST_F(Menu, BackOnTheMainPageDoesNothingAndInputOpensTheControlsPage) {
    tap({A::Down});
    tap({A::Back});
    EXPECT_EQ(getMenuPage(), kMainPage);
    EXPECT_EQ(getMenuCursor(), 1);

    tap({A::Confirm});
    tapTimes(A::Down, 2);
    EXPECT_EQ(drawPlayField().label(2), "Input [");
    tap({A::Confirm});
    EXPECT_EQ(getMenuPage(), kControlsPage);
    EXPECT_EQ(getMenuCursor(), 0);
    EXPECT_EQ(getCurrentScene(), kMenuScene);
    EXPECT_FALSE(getQuit());
}

TEST_F(Menu, ControlsPageKeepsItsOneRowAndLeavesForTheOptionsPageOnly) {
    const Path toControls = then(kToOptions, {{A::Down}, {A::Down}, {A::Confirm}});
    const struct {
        const char* name;
        Path path;
        int page;
    } cases[] = {
        {"entered", toControls, kControlsPage},
        {"Up and Down never move the cursor",
         then(toControls, {{A::Down}, {A::Down}, {A::Up}, {A::Up, A::Down}}), kControlsPage},
        {"Left, Right and Pause do nothing", then(toControls, {{A::Left}, {A::Right}, {A::Pause}}),
         kControlsPage},
        {"Back", then(toControls, {{A::Back}}), kOptionsPage},
        // The options page's row 0 is "Video \": a second look at Confirm would open it.
        {"Confirm on Back, nothing further", then(toControls, {{A::Confirm}}), kOptionsPage},
        {"Back and Confirm together, nothing further", then(toControls, {{A::Back, A::Confirm}}),
         kOptionsPage},
        {"Down and Confirm together", then(toControls, {{A::Down, A::Confirm}}), kOptionsPage},
        {"Back twice reaches the main page", then(toControls, {{A::Back}, {A::Back}}), kMainPage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        walkFromTheTitle(c.path, c.page);
    }
    EXPECT_FALSE(getQuit());
}

TEST_F(Menu, ControlsPageListsTheKeysAndButtonsWithinTheField) {
    walk(then(kToOptions, {{A::Down}, {A::Down}, {A::Confirm}}));
    ASSERT_EQ(getMenuPage(), kControlsPage);
    const PlayField field = drawPlayField();
    EXPECT_EQ(field.label(0), "Back");
    EXPECT_EQ(field.cursorRow(), 0);
    EXPECT_TRUE(field.blockStartsAt(70, 80, kCursorColour));
    // Every glyph-high band of the field but the cursor's, read as text: each key, its button
    // and what they do are there, every glyph is one of the font's, and nothing reaches the
    // last 8 pixels of either side.
    std::string page;
    for (int y = 0; y + kCell <= kFieldHeight; ++y) {
        const std::string band = field.text(-8, y);
        const bool cursorBand = y + 4 >= 80 && y + 4 < 88;
        if (!cursorBand && band.find_first_not_of(' ') != std::string::npos &&
            page.find(band) == std::string::npos) {
            page += band + "\n";
        }
    }
    for (const char* expected :
         {"Controls", "Key        Pad   Does", "In the menu", "Up Down    D-pad move cursor",
          "Left Right D-pad set value", "Return     A     choose", "P          B     go back",
          "In the stage", "Left Right D-pad move paddle", "Backspace  Start (un)pause",
          "P          B     claim bonus", "Stick as D-pad, Back as B.", "Unplugging a pad pauses.",
          "Bonus: 5000 for P/B on the", "frame ending 30 s of play."}) {
        EXPECT_NE(page.find(expected), std::string::npos) << expected << " in\n" << page;
    }
    EXPECT_EQ(page.find('?'), std::string::npos) << page;
    for (int y = 0; y < kFieldHeight; ++y) {
        for (int x = 0; x < kCell; ++x) {
            ASSERT_EQ(field.at(x, y), 0u) << x << ", " << y;
            ASSERT_EQ(field.at(kFieldWidth - 1 - x, y), 0u) << kFieldWidth - 1 - x << ", " << y;
        }
    }
}

TEST_F(Menu, StartRunsTheStageInTheSamePass) {
    press({A::Confirm});
    updateInputs({held(), false, false});
    updateCurrentScene();
    EXPECT_EQ(getCurrentScene(), kStageScene) << "the stage is current before the drawing";
    const PlayField field = drawPlayField();
    EXPECT_NE(field.label(0), "Start") << "the pass draws the stage, not the menu";
    EXPECT_NE(field.cursorRow(), 0);
    release({A::Confirm});
    updateInputs({held(), false, false});

    // The same through the real frame pass.
    changeScene(kMenuScene);
    press({A::Confirm});
    pass();
    EXPECT_EQ(getCurrentScene(), kStageScene);
    EXPECT_FALSE(getQuit());
}

TEST_F(Menu, ExitEndsTheGameAfterItsPass) {
    tapTimes(A::Down, 2);
    press({A::Confirm});
    EXPECT_TRUE(runFramePass()) << "the pass in which Exit is chosen runs to its end";
    EXPECT_TRUE(getQuit());
}

TEST_F(Menu, ReturningFromTheStageOpensTheMainPageWithFreshChoices) {
    openVideo();
    chooseDisplay(2, 2, 3);
    tap({A::Confirm});
    const VideoLayout applied = getVideoLayout();
    ASSERT_EQ(applied.textureRotation, 270);
    tap({A::Back});
    tap({A::Back});
    ASSERT_EQ(getMenuPage(), kMainPage);
    tap({A::Confirm});
    ASSERT_EQ(getCurrentScene(), kStageScene);
    *getCameraPosition() = {12.0f, 34.0f};

    // What the stage does once its last ball is lost.
    changeScene(kMenuScene);
    EXPECT_EQ(getMenuPage(), kMainPage);
    EXPECT_EQ(getMenuCursor(), 0);
    EXPECT_EQ(getMenuWindowMode(), WindowMode::Windowed);
    EXPECT_EQ(getMenuScaleType(), ScaleType::Integer);
    EXPECT_EQ(getMenuRotation(), Rotation::None);
    EXPECT_EQ(getCameraPosition()->x, 0.0f);
    EXPECT_EQ(getCameraPosition()->y, 0.0f);
    EXPECT_EQ(drawPlayField().label(0), "Start");
    EXPECT_TRUE(sameRectangle(layoutRectangle(), applied.scaleRectangle))
        << "the applied display stays in force";

    openVideo();
    const PlayField field = drawPlayField();
    EXPECT_EQ(field.value(0), "Windowed");
    EXPECT_EQ(field.value(1), "Integer");
    EXPECT_EQ(field.value(2), "None");
}

namespace {
class MenuWithoutAudioDevice : public Menu {
  protected:
    void SetUp() override {
        SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        Menu::SetUp();
    }
};
}  // namespace

TEST_F(MenuWithoutAudioDevice, AudioPageShowsBothVolumesAtZero) {
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    openAudio();
    tap({A::Right});
    tap({A::Down});
    tap({A::Left});
    tap({A::Right});
    const PlayField field = drawPlayField();
    EXPECT_EQ(field.label(0), "Music");
    EXPECT_EQ(field.value(0), "0");
    EXPECT_EQ(field.value(1), "0");
    tap({A::Back});
    EXPECT_EQ(getMenuPage(), kOptionsPage);
    EXPECT_FALSE(getQuit());
}
