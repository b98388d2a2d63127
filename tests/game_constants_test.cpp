#include "game_constants.hpp"

#include <gtest/gtest.h>

#include <string>

#include "game_stage_sounds.hpp"

TEST(SharedNumbers, TicksRoundATimeToWholeFrames) {
    const struct {
        double seconds;
        std::int32_t frames;
    } cases[] = {
        {0.0, 0},     {kFramePeriodSeconds, 1},
        {0.5, 60},    {1.0, 120},
        {30.0, 3600}, {0.1, 12},
        {0.7, 84},    {0.004, 0},
        {0.0042, 1},  {1e-9, 0},
        {60.0, 7200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ticks(c.seconds), c.frames) << c.seconds << " s";
    }
}

TEST(SharedNumbers, ResourceNamesJoinTheFolderAndTheFileAsTheGameSpellsThem) {
    const std::string longest = std::string(28, 'x');
    const struct {
        ResourceName name;
        std::string expected;
    } cases[] = {
        {kSheetName, "IMG//Main.png"},
        {kStageSounds[0].file, "SFX//strike.wav"},
        {kStageSounds[static_cast<std::size_t>(StageEvent::LastBallLost)].file,
         "SFX//last_ball.wav"},
        {kStageSongName, "MUS//stage.mod"},
        {ResourceName("", ""), ""},
        // The longest name the storage holds, with its terminator.
        {ResourceName("A//", longest), "A//" + longest},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(c.name.c_str()), c.expected);
    }
    EXPECT_STREQ(stageSoundName(StageEvent::Resumed), "SFX//resume.wav");
}
