// video_window_copy -- the play field written into the window's surface from tables, where
// SDL's software renderer would turn and scale it at great cost.
#include "video_window_copy.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// SDL's software renderer turns a texture by building new surfaces for every copy, ten times
// dearer than the plain copy, and scales it pixel by pixel. There the field is written into the
// window's surface from tables instead: each window pixel inside the field shows the field
// pixel at columnSource[x] + rowSource[y], and a window row that shows the same field pixels as
// the row above is copied whole. The tables are read off one copy that SDL itself made, so the
// picture is SDL's to the pixel, and are measured again only when the layout or the window's
// surface changes.
struct WindowCopy {
    bool usable = false;
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
    std::uint32_t format = 0;
    Rectangle rectangle = {0, 0, 0, 0};
    std::int32_t rotation = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::uint32_t alpha = 0;
    std::vector<std::int32_t> columnSource;
    std::vector<std::int32_t> rowSource;
    // The field's line each window row shows: a field row, or in a quarter turn a field column.
    bool linesAreRows = true;
    std::vector<std::int32_t> lineOfRow;
};
bool softwareRenderer = false;
WindowCopy copyTables;
std::vector<std::uint32_t> fieldPixels;
// The field as the window's surface shows it, when it shows the whole of it: a picture then
// rewrites only the window rows whose field line changed, often a tenth of them in play.
std::vector<std::uint32_t> writtenField;
const SDL_Surface* writtenSurface = nullptr;
std::vector<bool> changedLines;
SDL_Renderer* renderer = nullptr;
SDL_Window* window = nullptr;
SDL_Texture* fieldTexture = nullptr;
std::int32_t fieldWidth = 0;
std::int32_t fieldHeight = 0;
// Where the field goes in the window, and its turn, as of the copy in hand.
Rectangle placement = {0, 0, 0, 0};
std::int32_t turn = 0;

void readRow(std::int32_t y, std::int32_t width, std::vector<std::uint32_t>& into) {
    const SDL_Rect row = {0, y, width, 1};
    into.assign(static_cast<std::size_t>(width), 0);
    SDL_RenderReadPixels(renderer, &row, SDL_PIXELFORMAT_RGB888, into.data(), width * 4);
}

void readColumn(std::int32_t x, std::int32_t height, std::vector<std::uint32_t>& into) {
    const SDL_Rect column = {x, 0, 1, height};
    into.assign(static_cast<std::size_t>(height), 0);
    SDL_RenderReadPixels(renderer, &column, SDL_PIXELFORMAT_RGB888, into.data(), 4);
}

// A window pixel as read back from the copy of the numbered field: 0 outside the field, else
// one more than the field pixel's index.
std::int32_t fieldIndex(std::uint32_t pixel) {
    return static_cast<std::int32_t>(pixel & 0xFFFFFFu) - 1;
}

// Copies a field whose pixels are numbered into the window the way renderVideo's SDL copy
// would, and reads the tables off the middle row and column. They are trusted only when the
// field's rows and columns land whole and separately, checked along the field's edges.
void measureWindowCopy(const SDL_Surface* surface) {
    copyTables.usable = false;
    copyTables.windowWidth = surface->w;
    copyTables.windowHeight = surface->h;
    copyTables.format = surface->format->format;
    copyTables.rectangle = placement;
    copyTables.rotation = turn;
    if (copyTables.format != SDL_PIXELFORMAT_RGB888 &&
        copyTables.format != SDL_PIXELFORMAT_ARGB8888) {
        return;
    }
    copyTables.alpha = surface->format->Amask;
    SDL_Texture* numbered = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                              SDL_TEXTUREACCESS_STREAMING, fieldWidth, fieldHeight);
    if (numbered == nullptr) {
        return;
    }
    SDL_ScaleMode scaleMode = SDL_ScaleModeNearest;
    SDL_GetTextureScaleMode(fieldTexture, &scaleMode);
    SDL_SetTextureScaleMode(numbered, scaleMode);
    SDL_BlendMode blendMode = SDL_BLENDMODE_NONE;
    SDL_GetTextureBlendMode(fieldTexture, &blendMode);
    SDL_SetTextureBlendMode(numbered, blendMode);
    std::vector<std::uint32_t> numbers(fieldPixels.size());
    for (std::size_t at = 0; at < numbers.size(); ++at) {
        numbers[at] = static_cast<std::uint32_t>(at + 1);
    }
    SDL_UpdateTexture(numbered, nullptr, numbers.data(), fieldWidth * 4);
    const SDL_Rect destination = {placement.x, placement.y, placement.w, placement.h};
    SDL_RenderClear(renderer);
    SDL_RenderCopyEx(renderer, numbered, nullptr, &destination, static_cast<double>(turn), nullptr,
                     SDL_FLIP_NONE);
    const std::int32_t width = surface->w;
    const std::int32_t height = surface->h;
    std::vector<std::uint32_t> middleRow;
    std::vector<std::uint32_t> middleColumn;
    readRow(height / 2, width, middleRow);
    readColumn(width / 2, height, middleColumn);

    const auto covered = [](std::uint32_t pixel) { return fieldIndex(pixel) >= 0; };
    const auto rowStart = std::find_if(middleRow.begin(), middleRow.end(), covered);
    const auto rowEnd = std::find_if_not(rowStart, middleRow.end(), covered);
    const auto columnStart = std::find_if(middleColumn.begin(), middleColumn.end(), covered);
    const auto columnEnd = std::find_if_not(columnStart, middleColumn.end(), covered);
    copyTables.left = static_cast<std::int32_t>(rowStart - middleRow.begin());
    copyTables.right = static_cast<std::int32_t>(rowEnd - middleRow.begin());
    copyTables.top = static_cast<std::int32_t>(columnStart - middleColumn.begin());
    copyTables.bottom = static_cast<std::int32_t>(columnEnd - middleColumn.begin());
    const bool whole = copyTables.left < copyTables.right && copyTables.top < copyTables.bottom &&
                       std::none_of(rowEnd, middleRow.end(), covered) &&
                       std::none_of(columnEnd, middleColumn.end(), covered);
    bool separable = whole;
    if (whole) {
        const std::int32_t middle = fieldIndex(middleRow[static_cast<std::size_t>(width / 2)]);
        copyTables.columnSource.assign(static_cast<std::size_t>(width), 0);
        copyTables.rowSource.assign(static_cast<std::size_t>(height), 0);
        for (std::int32_t x = copyTables.left; x < copyTables.right; ++x) {
            copyTables.columnSource[static_cast<std::size_t>(x)] =
                fieldIndex(middleRow[static_cast<std::size_t>(x)]);
        }
        for (std::int32_t y = copyTables.top; y < copyTables.bottom; ++y) {
            copyTables.rowSource[static_cast<std::size_t>(y)] =
                fieldIndex(middleColumn[static_cast<std::size_t>(y)]) - middle;
        }
        std::vector<std::uint32_t> edge;
        // Whether one whole window row (or column) shows the field pixels the tables name, and
        // nothing outside the field.
        const auto lineMatches = [&](bool isRow, std::int32_t at) {
            const std::int32_t length = isRow ? width : height;
            if (isRow) {
                readRow(at, width, edge);
            } else {
                readColumn(at, height, edge);
            }
            for (std::int32_t i = 0; i < length; ++i) {
                const std::int32_t x = isRow ? i : at;
                const std::int32_t y = isRow ? at : i;
                const bool inside = x >= copyTables.left && x < copyTables.right &&
                                    y >= copyTables.top && y < copyTables.bottom;
                const std::int32_t expected =
                    inside ? copyTables.columnSource[static_cast<std::size_t>(x)] +
                                 copyTables.rowSource[static_cast<std::size_t>(y)]
                           : -1;
                if (fieldIndex(edge[static_cast<std::size_t>(i)]) != expected) {
                    return false;
                }
            }
            return true;
        };
        separable = lineMatches(true, copyTables.top) && lineMatches(true, copyTables.bottom - 1) &&
                    lineMatches(false, copyTables.left) && lineMatches(false, copyTables.right - 1);
    }
    SDL_DestroyTexture(numbered);
    copyTables.usable = separable;
    if (separable) {
        const std::int32_t first =
            copyTables.columnSource[static_cast<std::size_t>(copyTables.left)];
        const std::int32_t last =
            copyTables.columnSource[static_cast<std::size_t>(copyTables.right - 1)];
        copyTables.linesAreRows = std::abs(last - first) < fieldWidth;
        copyTables.lineOfRow.assign(static_cast<std::size_t>(height), 0);
        for (std::int32_t y = copyTables.top; y < copyTables.bottom; ++y) {
            const std::int32_t pixel = first + copyTables.rowSource[static_cast<std::size_t>(y)];
            copyTables.lineOfRow[static_cast<std::size_t>(y)] =
                copyTables.linesAreRows ? pixel / fieldWidth : pixel % fieldWidth;
        }
    }
    // The numbered field was drawn into the window.
    writtenSurface = nullptr;
}

// Marks the field's lines, rows or columns as the window's rows show them, whose pixels differ
// from those the window shows now; every line when the window does not show the field.
void findChangedLines(const SDL_Surface* surface) {
    const std::size_t lines =
        static_cast<std::size_t>(copyTables.linesAreRows ? fieldHeight : fieldWidth);
    const bool whole = writtenSurface != surface;
    changedLines.assign(lines, whole);
    if (whole) {
        return;
    }
    const auto width = static_cast<std::size_t>(fieldWidth);
    for (std::size_t row = 0; row < static_cast<std::size_t>(fieldHeight); ++row) {
        const std::uint32_t* now = fieldPixels.data() + row * width;
        const std::uint32_t* shown = writtenField.data() + row * width;
        if (std::memcmp(now, shown, width * sizeof(std::uint32_t)) == 0) {
            continue;
        }
        if (copyTables.linesAreRows) {
            changedLines[row] = true;
            continue;
        }
        for (std::size_t column = 0; column < width; ++column) {
            if (now[column] != shown[column]) {
                changedLines[column] = true;
            }
        }
    }
}

bool measuredFor(const SDL_Surface* surface) {
    const Rectangle& r = placement;
    const Rectangle& m = copyTables.rectangle;
    return copyTables.windowWidth == surface->w && copyTables.windowHeight == surface->h &&
           copyTables.format == surface->format->format && copyTables.rotation == turn &&
           m.x == r.x && m.y == r.y && m.w == r.w && m.h == r.h;
}

// The field is written into the window, which is the render target; what the field leaves
// uncovered is cleared.
void writeField(SDL_Surface* surface) {
    findChangedLines(surface);
    const bool covered = copyTables.left == 0 && copyTables.top == 0 &&
                         copyTables.right == surface->w && copyTables.bottom == surface->h;
    if (!covered && writtenSurface != surface) {
        SDL_RenderClear(renderer);
        SDL_RenderFlush(renderer);
    }
    auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
    const std::size_t span = static_cast<std::size_t>(copyTables.right - copyTables.left) * 4;
    const std::uint32_t* previous = nullptr;
    std::int32_t previousSource = -1;
    for (std::int32_t y = copyTables.top; y < copyTables.bottom; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) *
                                                                  surface->pitch);
        const std::int32_t source = copyTables.rowSource[static_cast<std::size_t>(y)];
        if (!changedLines[static_cast<std::size_t>(
                copyTables.lineOfRow[static_cast<std::size_t>(y)])]) {
            previous = nullptr;
            continue;
        }
        // Scaled up, neighbouring window rows often show the same field pixels.
        if (previous != nullptr && source == previousSource) {
            std::memcpy(row + copyTables.left, previous + copyTables.left, span);
        } else {
            for (std::int32_t x = copyTables.left; x < copyTables.right; ++x) {
                row[x] = fieldPixels[static_cast<std::size_t>(
                             copyTables.columnSource[static_cast<std::size_t>(x)] + source)] |
                         copyTables.alpha;
            }
        }
        previous = row;
        previousSource = source;
    }
    std::swap(writtenField, fieldPixels);
    writtenSurface = surface;
}

// The window's surface when this frame goes through the tables, with the field read.
SDL_Surface* prepareFieldCopy() {
    if (!softwareRenderer) {
        return nullptr;
    }
    SDL_SetRenderTarget(renderer, fieldTexture);
    const SDL_Rect field = {0, 0, fieldWidth, fieldHeight};
    if (SDL_RenderReadPixels(renderer, &field, SDL_PIXELFORMAT_RGB888, fieldPixels.data(),
                             fieldWidth * 4) != 0) {
        return nullptr;
    }
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) {
        return nullptr;
    }
    if (!measuredFor(surface)) {
        measureWindowCopy(surface);
    }
    return copyTables.usable ? surface : nullptr;
}
}  // namespace

void initializeWindowCopy(SDL_Renderer* windowRenderer, SDL_Window* copyWindow,
                          SDL_Texture* playField, std::int32_t width, std::int32_t height) {
    renderer = windowRenderer;
    window = copyWindow;
    fieldTexture = playField;
    fieldWidth = width;
    fieldHeight = height;
    SDL_RendererInfo info = {};
    SDL_GetRendererInfo(renderer, &info);
    softwareRenderer = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    fieldPixels.assign(static_cast<std::size_t>(fieldWidth) * static_cast<std::size_t>(fieldHeight),
                       0);
    writtenField.assign(fieldPixels.size(), 0);
    writtenSurface = nullptr;
}

bool copyFieldThroughTables(Rectangle destination, std::int32_t rotation, bool wholeWindow) {
    placement = destination;
    turn = rotation;
    if (wholeWindow) {
        writtenSurface = nullptr;
    }
    SDL_Surface* surface = prepareFieldCopy();
    if (surface == nullptr) {
        // SDL copies this picture: the window no longer shows the field last written.
        writtenSurface = nullptr;
        return false;
    }
    SDL_SetRenderTarget(renderer, nullptr);
    writeField(surface);
    return true;
}

void quitWindowCopy() {
    copyTables = WindowCopy{};
    writtenSurface = nullptr;
    softwareRenderer = false;
    renderer = nullptr;
    window = nullptr;
    fieldTexture = nullptr;
}
