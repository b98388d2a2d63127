// engine_game_manager -- the quit flag, error reporting, and the start-up and shutdown sequences
// that the game and the headless tools share.
#pragma once

void quitGame();
bool getQuit();

// Shows an error box where one can be shown and always writes the same text to stderr.
void reportError(const char* title, const char* text);
// A start-up failure: reported, the quit flag set, and the process will end non-zero.
void failGame(const char* title, const char* text);
bool hasFailed();

// The start-up, step by step in its order (0 to kStartUpSteps - 1), for a host that lets a page
// draw and answer between them; startUp() takes them all at once.
inline constexpr int kStartUpSteps = 5;
void startUpStep(int step);
void startUp();
// Tears everything down; returns the process exit status.
int shutDown();
