#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game_constants.hpp"
#include "key_latency_stats.hpp"

namespace {
// A strip drawn in characters: '.' the black field, '#' the paddle's grey, 'r' its red ends,
// 'o' a ball's blue.
StripPixels picture(const std::vector<std::string>& rows) {
    StripPixels strip;
    strip.height = static_cast<int>(rows.size());
    strip.width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    for (const auto& row : rows) {
        for (const char c : row) {
            strip.pixels.push_back(c == '#'   ? 0xC0C0C0u
                                   : c == 'r' ? 0xE02020u
                                   : c == 'o' ? 0x8080FFu
                                              : 0x000000u);
        }
    }
    return strip;
}

bool operator==(const PixelRect& a, const PixelRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

std::string show(const PixelRect& r) {
    return std::to_string(r.width) + "x" + std::to_string(r.height) + " at " + std::to_string(r.x) +
           "," + std::to_string(r.y);
}
}  // namespace

TEST(KeyLatency, RectanglesMeetOnlyWhereTheyShareAPixel) {
    struct Case {
        PixelRect a;
        PixelRect b;
        PixelRect both;  // empty when they do not meet
        PixelRect box;
    };
    const Case cases[] = {
        // Overlapping corners.
        {{0, 0, 10, 10}, {5, 5, 10, 10}, {5, 5, 5, 5}, {0, 0, 15, 15}},
        // One inside the other.
        {{0, 0, 720, 960}, {0, 858, 720, 21}, {0, 858, 720, 21}, {0, 0, 720, 960}},
        // Edge to edge: the right column of one is next to, not on, the other's left column.
        {{0, 0, 10, 10}, {10, 0, 10, 10}, {}, {0, 0, 20, 10}},
        // A damaged row just above a strip, and just inside it.
        {{0, 857, 720, 1}, {0, 858, 720, 21}, {}, {0, 857, 720, 22}},
        {{0, 878, 720, 1}, {0, 858, 720, 21}, {0, 878, 720, 1}, {0, 858, 720, 21}},
        // An empty rectangle meets nothing and adds nothing to a box.
        {{5, 5, 0, 3}, {0, 0, 10, 10}, {}, {0, 0, 10, 10}},
        {{0, 0, 10, 10}, {}, {}, {0, 0, 10, 10}},
    };
    for (const auto& c : cases) {
        const std::string name = show(c.a) + " and " + show(c.b);
        EXPECT_EQ(rectanglesIntersect(c.a, c.b), c.both.width > 0) << name;
        EXPECT_EQ(rectanglesIntersect(c.b, c.a), c.both.width > 0) << name;
        EXPECT_TRUE(intersection(c.a, c.b) == c.both)
            << name << ": " << show(intersection(c.a, c.b));
        EXPECT_TRUE(boundingBox(c.a, c.b) == c.box) << name << ": " << show(boundingBox(c.a, c.b));
    }
}

TEST(KeyLatency, FieldRowsLandOnTheScaledWindowRows) {
    struct Case {
        int windowWidth;
        int windowHeight;
        int firstRow;
        int endRow;
        PixelRect expected;
    };
    const Case cases[] = {
        // The game's window at three times the field: the paddle's middle rows.
        {720, 960, 286, 293, {0, 858, 720, 21}},
        {480, 640, 286, 293, {0, 572, 480, 14}},
        // Full screen on 1920 by 1080: scale 3, the field centred.
        {1920, 1080, 286, 293, {600, 918, 720, 21}},
        // A window a little larger than three times the field: still scale 3, centred.
        {730, 970, 0, kPlayFieldHeight, {5, 5, 720, 960}},
        // A window smaller than the field: the fitting fraction, rows widened to whole pixels.
        {120, 160, 286, 293, {0, 143, 120, 4}},
        // Rows past the field's end are cut off; rows outside it, or none, give nothing.
        {720, 960, 300, 400, {0, 900, 720, 60}},
        {720, 960, kPlayFieldHeight, kPlayFieldHeight + 10, {}},
        {720, 960, 5, 5, {}},
        {0, 960, 286, 293, {}},
    };
    for (const auto& c : cases) {
        const PixelRect got = fieldRowsInWindow(c.windowWidth, c.windowHeight, kPlayFieldWidth,
                                                kPlayFieldHeight, c.firstRow, c.endRow);
        EXPECT_TRUE(got == c.expected)
            << c.windowWidth << "x" << c.windowHeight << " rows " << c.firstRow << ":" << c.endRow
            << " gave " << show(got) << ", not " << show(c.expected);
    }
}

TEST(KeyLatency, RowRangesParseOnlyAsAscendingPairs) {
    struct Case {
        const char* text;
        std::optional<RowRange> expected;
    };
    const Case cases[] = {
        {"286:293", RowRange{286, 293}},
        {"0:1", RowRange{0, 1}},
        {"5:5", std::nullopt},
        {"9:3", std::nullopt},
        {":3", std::nullopt},
        {"3:", std::nullopt},
        {"-1:3", std::nullopt},
        {"1:2:3", std::nullopt},
        {" 1:2", std::nullopt},
        {"286-293", std::nullopt},
        {"1234567:1234568", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = parseRowRange(c.text);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.text;
        if (got) {
            EXPECT_EQ(got->first, c.expected->first) << c.text;
            EXPECT_EQ(got->end, c.expected->end) << c.text;
        }
    }
}

TEST(KeyLatency, ChangedAreaBoundsTheDifferingPixels) {
    // The picture before a press, read from window position 10,20.
    const PixelRect beforePlace = {10, 20, 6, 3};
    const StripPixels before = picture({
        "......",
        "..##..",
        "......",
    });
    struct Case {
        const char* name;
        PixelRect afterPlace;
        std::vector<std::string> after;
        PixelRect expected;
    };
    const Case cases[] = {
        {"the same pixels", beforePlace, {"......", "..##..", "......"}, {}},
        {"the highlight moved right", beforePlace, {"......", "...##.", "......"}, {12, 21, 3, 1}},
        {"two far corners", beforePlace, {"o.....", "..##..", ".....o"}, {10, 20, 6, 3}},
        // A damaged rectangle read on its own: compared with the same window pixels before.
        {"a small read, unchanged", {12, 21, 2, 1}, {"##"}, {}},
        {"a small read, changed", {13, 21, 2, 2}, {"#o", ".."}, {14, 21, 1, 1}},
        // What lies outside the picture from before cannot be judged.
        {"a read beyond it", {15, 22, 3, 3}, {".oo", "ooo", "ooo"}, {}},
    };
    for (const auto& c : cases) {
        const PixelRect got = changedArea(before, beforePlace, picture(c.after), c.afterPlace);
        EXPECT_TRUE(got == c.expected) << c.name << ": " << show(got);
    }
}

TEST(KeyLatency, PaddleIsTheLongestRunOffTheBackground) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        int minWidth;
        std::optional<ColumnSpan> expected;
    };
    const Case cases[] = {
        {"alone", {"....r####r....", "....r####r...."}, 4, ColumnSpan{4, 10}},
        // A ball in the strip is a shorter run; on any row of the strip it marks its columns.
        {"beside a ball", {".o...r####r...", "......r###r..."}, 4, ColumnSpan{5, 11}},
        {"a ball touching its end", {"...or####r....", "....r####r...."}, 4, ColumnSpan{3, 10}},
        {"at the strip's edges", {"r###r....o", "r###r....o"}, 4, ColumnSpan{0, 5}},
        {"two equal runs: the leftmost", {"r##r.....r##r", "r##r.....r##r"}, 4, ColumnSpan{0, 4}},
        {"only balls and coins", {".oo...ooo.", ".oo...ooo."}, 4, std::nullopt},
        {"an empty strip", {"..........", ".........."}, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto strip = picture(c.rows);
        const auto got = paddleSpan(strip, dominantColour(strip), c.minWidth);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.name;
        if (got) {
            EXPECT_EQ(got->begin, c.expected->begin) << c.name;
            EXPECT_EQ(got->end, c.expected->end) << c.name;
        }
    }
    // The background is whatever most of the strip shows, not black by rule.
    const auto grey = picture({"##....####", "##....####"});
    EXPECT_EQ(dominantColour(grey), 0xC0C0C0u);
    const auto span = paddleSpan(grey, dominantColour(grey), 3);
    ASSERT_TRUE(span.has_value());
    EXPECT_EQ(span->begin, 2);
    EXPECT_EQ(span->end, 6);
}

TEST(KeyLatency, StripJudgesAMoveByBothEnds) {
    const std::vector<std::string> still = {
        ".......r####r.......",
        ".......r####r.......",
    };
    struct Case {
        const char* name;
        std::vector<std::string> after;
        int direction;
        StripChange expected;
    };
    const Case cases[] = {
        {"nothing drawn differently", still, -1, StripChange::Same},
        {"moved left on Left",
         {".....r####r.........", ".....r####r........."},
         -1,
         StripChange::Moved},
        {"moved right on Right",
         {"........r####r......", "........r####r......"},
         1,
         StripChange::Moved},
        {"moved right on Left",
         {"........r####r......", "........r####r......"},
         -1,
         StripChange::Elsewhere},
        {"moved either way on another key",
         {"........r####r......", "........r####r......"},
         0,
         StripChange::Moved},
        {"a ball passing, the paddle still",
         {
             "..o....r####r.......",
             ".......r####r.......",
         },
         -1,
         StripChange::Elsewhere},
        {"a ball touching its left end",
         {"......or####r.......", still[1]},
         -1,
         StripChange::Elsewhere},
        {"moved two pixels right on Right",
         {".........r####r.....", ".........r####r....."},
         1,
         StripChange::Moved},
        {"moved left while a ball passes elsewhere",
         {"......r####r.....o..", "......r####r........"},
         -1,
         StripChange::Moved},
        {"wider at both ends",
         {"......r######r......", "......r######r......"},
         -1,
         StripChange::Elsewhere},
        {"gone", {"....................", "...................."}, -1, StripChange::Elsewhere},
        {"a strip of another size", {".......r####r......."}, -1, StripChange::Elsewhere},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(judgeStrip(picture(still), picture(c.after), c.direction, 4), c.expected)
            << c.name;
    }
    // A ball resting against the paddle before the press, gone after it while the paddle
    // moved: the left end jumps further than the right, both the asked way.
    const auto withBall = picture({"......or####r.......", ".......r####r......."});
    const auto moved = picture({"........r####r......", "........r####r......"});
    EXPECT_EQ(judgeStrip(withBall, moved, 1, 4), StripChange::Moved);
}

TEST(KeyLatency, SummaryUsesNearestRanks) {
    struct Case {
        std::vector<double> latencies;
        LatencySummary expected;
    };
    const Case cases[] = {
        {{}, {0, 0.0, 0.0, 0.0, 0.0}},
        {{4.5}, {1, 4.5, 4.5, 4.5, 4.5}},
        {{7, 1, 10, 3, 9, 2, 8, 4, 6, 5}, {10, 5.0, 9.0, 1.0, 10.0}},
        {{2.0, 16.5, 2.0, 2.0}, {4, 2.0, 16.5, 2.0, 16.5}},
        {{12.0, 3.0, 30.0}, {3, 12.0, 30.0, 3.0, 30.0}},
    };
    for (const auto& c : cases) {
        const auto got = summarizeLatencies(c.latencies);
        EXPECT_EQ(got.count, c.expected.count);
        EXPECT_EQ(got.p50, c.expected.p50) << c.latencies.size() << " latencies";
        EXPECT_EQ(got.p90, c.expected.p90) << c.latencies.size() << " latencies";
        EXPECT_EQ(got.min, c.expected.min) << c.latencies.size() << " latencies";
        EXPECT_EQ(got.max, c.expected.max) << c.latencies.size() << " latencies";
    }
}

TEST(KeyLatency, KeyNamesGiveThePaddlesDirection) {
    const std::pair<const char*, int> cases[] = {
        {"Left", -1}, {"Right", 1}, {"Down", 0}, {"Up", 0}, {"left", 0}, {"KP_Left", 0},
    };
    for (const auto& [name, direction] : cases) {
        EXPECT_EQ(keyDirection(name), direction) << name;
    }
}
