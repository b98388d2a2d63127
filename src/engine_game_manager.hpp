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

void startUp();
// Tears everything down; returns the process exit status.
int shutDown();
