// engine_game_manager -- the quit flag, error reporting, and the start-up, frame and shutdown
// sequences that the game and the headless tools share.
#pragma once

void quitGame();
bool getQuit();

// Shows an error box where one can be shown and always writes the same text to stderr.
void reportError(const char* title, const char* text);
// A start-up failure: reported, the quit flag set, and the process will end non-zero.
void failGame(const char* title, const char* text);
bool hasFailed();

void startUp();
// One pass of the loop once a frame is due: input, then (unless minimised) timer, update,
// render and present. Returns whether a frame was run.
bool runFramePass();
// The real-time loop: waits for each due frame and runs passes until the quit flag is set.
// Minimised, it sleeps until the window system has an event; a backlog beyond the timer's
// catch-up limit is dropped rather than replayed.
void runFrameLoop();
// Tears everything down; returns the process exit status.
int shutDown();
// Passes that ran a full frame since start-up.
long long getFramesRun();

// Called at the start of every pass, before input is read, so a tool can time frame starts
// against the timer's due times without changing the loop. Null, the default, calls nothing.
using FrameStartObserver = void (*)();
void setFrameStartObserver(FrameStartObserver observer);

// Called at the end of every pass, with whether it ran a frame (false while minimised), so the
// game can record its input and trace its state without changing the loop. Null, the default,
// calls nothing.
using PassEndObserver = void (*)(bool ranFrame);
void setPassEndObserver(PassEndObserver observer);
