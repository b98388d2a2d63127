// video_presenting -- the fingerprint of a frame's draws, the sketch that tells whether the play
// field must be drawn again, and when a picture goes to the window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine_math_helper.hpp"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

// What one draw into the play field takes in. Every draw passes its inputs to noteDrawCall, so
// that a frame drawn with the same calls as the picture in the window is not presented again;
// a draw made some other way calls markPictureChanged instead.
struct DrawCall {
    const SDL_Texture* texture;
    Rectangle source;
    Rectangle destination;
    std::int32_t flip;
    std::uint32_t modulation;  // red, green, blue and alpha modulation, 8 bits each
};
inline constexpr std::uint32_t kUnmodulated = 0xFFFFFFFFu;
void noteDrawCall(const DrawCall& call);
// The window's picture may be lost or out of place: the next frame is presented whatever it
// holds.
void markPictureChanged();
// Whether the window's pixels may be lost or out of place, until the next picture is presented.
bool isPictureStale();
// Pictures sent to the window since start-up.
long long getPicturesPresented();

// A frame's draws first go through as a sketch: each draw only feeds the fingerprint and is kept
// in a list. It ends saying whether the play field must really be drawn, because its picture was
// made of other draws or may be lost; a still menu or a paused stage is then drawn once, not
// every frame. The field is then drawn by replaying the list, so the scene is walked once.
inline constexpr std::size_t kDrawListCapacity = 1024;
void beginSketch();
bool endSketch();
bool isSketching();
// Draws the sketch's list into the render target, as the scene's own draws would have; false,
// drawing nothing, when the sketch held more draws than the list keeps, and the scene must draw
// the field itself.
bool replaySketch();
// Times the play field was drawn whole by the frame pass since start-up.
long long getFieldsDrawn();

// How many frames apart pictures go to the window so that no more go than the display shows:
// refreshRate in Hz (0 when unknown, taken as 60), framePeriodSeconds the game's frame period.
std::int32_t framesPerPicture(std::int32_t refreshRate, double framePeriodSeconds);

// For the video module: the window and renderer whose pictures are counted, from start-up to
// shutdown; the first picture is due at once.
void startPresenting(SDL_Window* window, SDL_Renderer* renderer);
void stopPresenting();
// The play field is about to be drawn afresh.
void beginFieldPicture();
// The next changed picture goes to the window as soon as it is finished, whatever the display's
// rate: it answers the player's input.
void presentNextPictureAtOnce();
// Whether this frame's picture, if it changed, would go to the window: when it would not, the
// real loop leaves it undrawn and only counts the frame with skipPicture, as the next frame's
// picture replaces it anyway.
bool pictureWouldGoOut();
void skipPicture();
// The play field's picture is finished; whether it goes to the window now. A picture held back
// goes out a few frames later unless a newer one replaced it.
bool finishFieldPicture();
// The picture was sent to the window.
void notePicturePresented();
// Whether the window shows the play field's finished picture as it is, with nothing held back
// to go out later and nothing lost.
bool windowShowsField();
