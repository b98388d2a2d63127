#include "video_window_copy.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine_game_manager.hpp"
#include "engine_input.hpp"
#include "engine_video.hpp"
#include "frame_host.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "render_support.hpp"
#include "scene_stage1.hpp"
#include "test_support.hpp"

using render_support::differingPixels;
using render_support::litPixels;
using render_support::picturesOver;
using render_support::pressAndRelease;
using render_support::windowDrawnBySdl;
using render_support::windowPixels;

// Every layout, each after its own change: the window holds exactly what SDL's scaled, turned
// copy of the play field holds, and holds it again after an expose.
TEST(WindowCopy, TheWindowShowsThePlayFieldInEveryLayout) {
    startUp();
    struct Case {
        WindowMode windowMode;
        ScaleType scaleType;
        Rotation rotation;
    };
    const Case cases[] = {
        {WindowMode::Windowed, ScaleType::Integer, Rotation::None},
        {WindowMode::Windowed, ScaleType::AspectFit, Rotation::None},
        {WindowMode::Windowed, ScaleType::Stretch, Rotation::None},
        {WindowMode::Windowed, ScaleType::Integer, Rotation::Right},
        {WindowMode::Windowed, ScaleType::AspectFit, Rotation::Right},
        {WindowMode::Windowed, ScaleType::Stretch, Rotation::Right},
        {WindowMode::Windowed, ScaleType::Integer, Rotation::Flip},
        {WindowMode::Windowed, ScaleType::AspectFit, Rotation::Flip},
        {WindowMode::Windowed, ScaleType::Stretch, Rotation::Left},
        {WindowMode::Windowed, ScaleType::Integer, Rotation::Left},
        {WindowMode::FullScreen, ScaleType::AspectFit, Rotation::Right},
        {WindowMode::DesktopFullScreen, ScaleType::Stretch, Rotation::Left},
        {WindowMode::FullScreen, ScaleType::Integer, Rotation::Flip},
        {WindowMode::DesktopFullScreen, ScaleType::AspectFit, Rotation::None},
        {WindowMode::Windowed, ScaleType::AspectFit, Rotation::Left},
        {WindowMode::Windowed, ScaleType::Integer, Rotation::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << static_cast<int>(c.windowMode) << " scale "
                                          << static_cast<int>(c.scaleType) << " rotation "
                                          << static_cast<int>(c.rotation));
        changeScene(kStageScene);
        changeVideoSettings(c.windowMode, c.scaleType, c.rotation);
        picturesOver(3);
        pressAndRelease(InputAction::Pause);
        ASSERT_TRUE(isPaused());
        picturesOver(4);
        const std::vector<std::uint32_t> shown = windowPixels();
        const std::vector<std::uint32_t> expected = windowDrawnBySdl();
        EXPECT_EQ(differingPixels(shown, expected), 0);
        EXPECT_GT(litPixels(shown), static_cast<int>(shown.size() / 50));

        SDL_Surface* surface = SDL_GetWindowSurface(getWindow());
        SDL_FillRect(surface, nullptr, 0);
        test_support::pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
        picturesOver(1);
        EXPECT_EQ(differingPixels(windowPixels(), expected), 0) << "after an expose";
    }
    shutDown();
}
