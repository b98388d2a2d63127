// key_latency_stats -- the arithmetic and the decisions behind brickfall-key-latency, kept free
// of X so they can be tested: the summary of a run, where a strip of play-field rows lies in a
// window, whether a damaged rectangle touches it, and whether a strip's pixels show the paddle
// moved the way the key asked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A rectangle in window coordinates; width and height may be 0 (an empty rectangle).
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Whether two rectangles share at least one pixel.
bool rectanglesIntersect(const PixelRect& a, const PixelRect& b);

// The pixels both rectangles cover; empty (width and height 0) when they share none.
PixelRect intersection(const PixelRect& a, const PixelRect& b);

// The smallest rectangle that covers both; an empty one adds nothing.
PixelRect boundingBox(const PixelRect& a, const PixelRect& b);

// The window rows that show play-field rows [firstRow, endRow), for a field of fieldWidth by
// fieldHeight drawn into a window of windowWidth by windowHeight at the largest integer scale
// that fits (or, for a window smaller than the field, the fitting fraction), centred. The
// rectangle spans the field's width. Empty when the window or the rows are empty.
PixelRect fieldRowsInWindow(int windowWidth, int windowHeight, int fieldWidth, int fieldHeight,
                            int firstRow, int endRow);

// "A:B" with 0 <= A < B, as two integers; nothing for anything else.
struct RowRange {
    int first = 0;
    int end = 0;
};
std::optional<RowRange> parseRowRange(const std::string& text);

// A strip of a window's pixels as 0xRRGGBB, row after row.
struct StripPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// The smallest window rectangle holding every pixel of `after`, read from the window at
// `afterPlace`, that differs from the pixel at the same window position in `before`, read at
// `beforePlace`; empty when none differs. Pixels outside `before` are not compared.
PixelRect changedArea(const StripPixels& before, const PixelRect& beforePlace,
                      const StripPixels& after, const PixelRect& afterPlace);

// The colour most pixels of the strip have: the background for a picture of a few objects on a
// plain field.
std::uint32_t dominantColour(const StripPixels& strip);

// Columns [begin, end).
struct ColumnSpan {
    int begin = 0;
    int end = 0;
};

// The paddle in a strip of its rows: the longest run of columns in which some pixel differs from
// the background (the leftmost such run on a tie), when it is at least minWidth wide.
std::optional<ColumnSpan> paddleSpan(const StripPixels& strip, std::uint32_t background,
                                     int minWidth);

// What a strip shows after a key press, against the strip just before it.
enum class StripChange {
    Same,       // not a pixel differs
    Moved,      // the paddle moved in the asked direction
    Elsewhere,  // pixels differ, but the paddle did not move as asked (a ball or coin passing)
};

// direction: -1 for a key that moves the paddle left, +1 for right, 0 for either. The paddle has
// moved when both of its ends moved the same way (the asked way, unless 0); one end alone moving
// is something touching or leaving the paddle. Strips of different sizes are Elsewhere.
StripChange judgeStrip(const StripPixels& before, const StripPixels& after, int direction,
                       int minWidth);

// -1 for the key named "Left", +1 for "Right", 0 for any other.
int keyDirection(const std::string& keyName);

struct LatencySummary {
    std::size_t count = 0;
    double p50 = 0.0;
    double p90 = 0.0;
    double min = 0.0;
    double max = 0.0;
};

// Nearest-rank percentiles, minimum, maximum and count of latencies; all 0 when there are none.
LatencySummary summarizeLatencies(const std::vector<double>& latencies);
