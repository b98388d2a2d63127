// scene_stage1 -- the one playable stage.
#include "scene_stage1.hpp"

void initializeStage1() {}
void updateStage1() {}
void renderStage1() {}
void quitStage1() {}
