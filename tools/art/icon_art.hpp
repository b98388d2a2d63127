// icon_art -- the desktop icon: a few of the game's own sprites cut from the sheet and laid out
// as a tiny scene, then scaled up by whole pixels so the pixel art stays sharp.
#pragma once

#include "sheet_art.hpp"

namespace icon_art {

// The scene is drawn once at this size; every installed size is a whole multiple of it.
inline constexpr int kArtSize = 32;
inline constexpr int kScaleFactors[] = {1, 2, 4, 8};

// Two blocks of the wall, the ball and the paddle, at one sheet pixel per icon pixel, on a
// transparent square of kArtSize. Empty when the sheet is too small to hold the cells.
sheet_art::Image composeIcon(const sheet_art::Image& sheet);

// Every pixel becomes a factor-by-factor square. Empty for a factor below one.
sheet_art::Image scaleNearest(const sheet_art::Image& art, int factor);

// The art scaled by the largest whole factor that fits a size-by-size square, centred on it with
// a transparent margin, for the sizes that are no multiple of kArtSize (a phone's home screen
// asks for 180). Empty for a size below the art's.
sheet_art::Image scaleToFit(const sheet_art::Image& art, int size);

}  // namespace icon_art
