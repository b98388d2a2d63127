// key_latency_stats -- the arithmetic and the decisions behind brickfall-key-latency.
#include "key_latency_stats.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "pacing_stats.hpp"

bool rectanglesIntersect(const PixelRect& a, const PixelRect& b) {
    return a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0 && a.x < b.x + b.width &&
           b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

PixelRect intersection(const PixelRect& a, const PixelRect& b) {
    if (!rectanglesIntersect(a, b)) {
        return {};
    }
    const int x = std::max(a.x, b.x);
    const int y = std::max(a.y, b.y);
    return {x, y, std::min(a.x + a.width, b.x + b.width) - x,
            std::min(a.y + a.height, b.y + b.height) - y};
}

PixelRect boundingBox(const PixelRect& a, const PixelRect& b) {
    if (a.width <= 0 || a.height <= 0) {
        return b;
    }
    if (b.width <= 0 || b.height <= 0) {
        return a;
    }
    const int x = std::min(a.x, b.x);
    const int y = std::min(a.y, b.y);
    return {x, y, std::max(a.x + a.width, b.x + b.width) - x,
            std::max(a.y + a.height, b.y + b.height) - y};
}

PixelRect fieldRowsInWindow(int windowWidth, int windowHeight, int fieldWidth, int fieldHeight,
                            int firstRow, int endRow) {
    firstRow = std::max(firstRow, 0);
    endRow = std::min(endRow, fieldHeight);
    if (windowWidth <= 0 || windowHeight <= 0 || fieldWidth <= 0 || fieldHeight <= 0 ||
        firstRow >= endRow) {
        return {};
    }
    const double fit = std::min(static_cast<double>(windowWidth) / fieldWidth,
                                static_cast<double>(windowHeight) / fieldHeight);
    const double scale = fit >= 1.0 ? std::floor(fit) : fit;
    const double left = (windowWidth - fieldWidth * scale) / 2.0;
    const double top = (windowHeight - fieldHeight * scale) / 2.0;
    const auto x = static_cast<int>(std::floor(left));
    const auto y = static_cast<int>(std::floor(top + firstRow * scale));
    const auto yEnd = std::min(static_cast<int>(std::ceil(top + endRow * scale)), windowHeight);
    const auto xEnd = std::min(static_cast<int>(std::ceil(left + fieldWidth * scale)), windowWidth);
    return {x, y, xEnd - x, yEnd - y};
}

std::optional<RowRange> parseRowRange(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        return std::nullopt;
    }
    const auto whole = [](const std::string& digits) -> std::optional<int> {
        if (digits.empty() || digits.size() > 6 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            return std::nullopt;
        }
        return std::atoi(digits.c_str());
    };
    const auto first = whole(text.substr(0, colon));
    const auto end = whole(text.substr(colon + 1));
    if (!first || !end || *first >= *end) {
        return std::nullopt;
    }
    return RowRange{*first, *end};
}

PixelRect changedArea(const StripPixels& before, const PixelRect& beforePlace,
                      const StripPixels& after, const PixelRect& afterPlace) {
    const PixelRect both = intersection(beforePlace, afterPlace);
    if (both.width <= 0 ||
        before.pixels.size() != static_cast<std::size_t>(before.width) * before.height ||
        after.pixels.size() != static_cast<std::size_t>(after.width) * after.height ||
        before.width != beforePlace.width || before.height != beforePlace.height ||
        after.width != afterPlace.width || after.height != afterPlace.height) {
        return {};
    }
    PixelRect changed;
    for (int y = both.y; y < both.y + both.height; ++y) {
        for (int x = both.x; x < both.x + both.width; ++x) {
            const auto was =
                before.pixels[static_cast<std::size_t>(y - beforePlace.y) * before.width +
                              (x - beforePlace.x)];
            const auto is = after.pixels[static_cast<std::size_t>(y - afterPlace.y) * after.width +
                                         (x - afterPlace.x)];
            if (was != is) {
                changed = boundingBox(changed, {x, y, 1, 1});
            }
        }
    }
    return changed;
}

std::uint32_t dominantColour(const StripPixels& strip) {
    if (strip.pixels.empty()) {
        return 0;
    }
    std::vector<std::uint32_t> sorted = strip.pixels;
    std::sort(sorted.begin(), sorted.end());
    std::uint32_t best = sorted.front();
    std::size_t bestCount = 0;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j < sorted.size() && sorted[j] == sorted[i]) {
            ++j;
        }
        if (j - i > bestCount) {
            best = sorted[i];
            bestCount = j - i;
        }
        i = j;
    }
    return best;
}

std::optional<ColumnSpan> paddleSpan(const StripPixels& strip, std::uint32_t background,
                                     int minWidth) {
    if (strip.width <= 0 || strip.height <= 0 ||
        strip.pixels.size() != static_cast<std::size_t>(strip.width) * strip.height) {
        return std::nullopt;
    }
    ColumnSpan best;
    int runBegin = -1;
    for (int x = 0; x <= strip.width; ++x) {
        bool occupied = false;
        for (int y = 0; x < strip.width && y < strip.height && !occupied; ++y) {
            occupied = strip.pixels[static_cast<std::size_t>(y) * strip.width + x] != background;
        }
        if (occupied && runBegin < 0) {
            runBegin = x;
        } else if (!occupied && runBegin >= 0) {
            if (x - runBegin > best.end - best.begin) {
                best = {runBegin, x};
            }
            runBegin = -1;
        }
    }
    if (best.end - best.begin < std::max(minWidth, 1)) {
        return std::nullopt;
    }
    return best;
}

StripChange judgeStrip(const StripPixels& before, const StripPixels& after, int direction,
                       int minWidth) {
    if (before.width != after.width || before.height != after.height ||
        before.pixels.size() != after.pixels.size()) {
        return StripChange::Elsewhere;
    }
    if (before.pixels == after.pixels) {
        return StripChange::Same;
    }
    const std::uint32_t background = dominantColour(before);
    const auto was = paddleSpan(before, background, minWidth);
    const auto is = paddleSpan(after, background, minWidth);
    if (!was || !is) {
        return StripChange::Elsewhere;
    }
    const int beginShift = is->begin - was->begin;
    const int endShift = is->end - was->end;
    const bool together = (beginShift < 0 && endShift < 0) || (beginShift > 0 && endShift > 0);
    const bool asked = direction == 0 || (direction < 0) == (beginShift < 0);
    return together && asked ? StripChange::Moved : StripChange::Elsewhere;
}

int keyDirection(const std::string& keyName) {
    if (keyName == "Left") {
        return -1;
    }
    if (keyName == "Right") {
        return 1;
    }
    return 0;
}

LatencySummary summarizeLatencies(const std::vector<double>& latencies) {
    LatencySummary summary;
    if (latencies.empty()) {
        return summary;
    }
    summary.count = latencies.size();
    summary.p50 = percentile(latencies, 0.5);
    summary.p90 = percentile(latencies, 0.9);
    const auto [low, high] = std::minmax_element(latencies.begin(), latencies.end());
    summary.min = *low;
    summary.max = *high;
    return summary;
}
