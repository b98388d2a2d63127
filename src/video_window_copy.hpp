// video_window_copy -- the play field written into the window's surface from tables, where
// SDL's software renderer would turn and scale it at great cost.
#pragma once

#include <cstdint>

#include "engine_math_helper.hpp"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

// The renderer, window and play field that copies go between; tables are used only when the
// renderer is SDL's software one.
void initializeWindowCopy(SDL_Renderer* renderer, SDL_Window* window, SDL_Texture* playField,
                          std::int32_t width, std::int32_t height);
// Writes the play field into the window's surface as SDL would copy it into `destination`,
// turned by `rotation` degrees, leaving the window as the render target. Only the window rows
// whose field pixels changed since the last copy are written, unless `wholeWindow` says the
// window's pixels may have been lost. False, with nothing written, when tables cannot do it:
// the caller then copies with SDL.
bool copyFieldThroughTables(Rectangle destination, std::int32_t rotation, bool wholeWindow);
void quitWindowCopy();
