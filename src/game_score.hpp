// game_score -- the stage's score and the best score of the run, drawn at the top of the field.
#pragma once

#include <cstdint>

// Resets the score when a stage starts; the hi-score is kept for the whole run.
void setScore();
// Adds points, saturating at the limits of a 32-bit int, and raises the hi-score if passed.
void increaseScore(std::int32_t points);
void renderScore();
std::int32_t getScore();
std::int32_t getHighScore();
