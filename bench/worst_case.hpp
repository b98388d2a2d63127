// worst_case -- puts the stage into the costliest state the rules allow for one frame, so the
// benchmarks and the pacing tool measure the frame a player can never make slower, and into
// the busiest for the ear, so the audio tools can play it frame after frame.
#pragma once

#include <cstdint>

// Where the ten balls are when the measured update starts.
enum class BallPlacement : std::int32_t {
    // Between the wall and the paddle: every ball tests all 300 blocks and strikes none.
    FreeFlight = 0,
    // Each ball lands on the corner shared by four blocks and strikes them in one scan, with the
    // split test, a coin drop refused at capacity and the score on every strike.
    CornerStrikes = 1,
    // Six balls strike corners as above; the other four meet the left wall, the right wall, the
    // top and the paddle, so the update sounds a strike, a wall and a paddle bounce at once.
    StrikesAndBounces = 2,
};

// Enters the stage and runs out the serve, so the next update moves the balls. Needs startUp().
void enterStageInPlay();
// Restores the full wall of 300 blocks, ten balls placed as asked and thirty coins between the
// wall and the paddle, all homing at double speed. Cheap enough to run before every update.
void stageWorstCase(BallPlacement placement);
