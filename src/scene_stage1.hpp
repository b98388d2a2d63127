// scene_stage1 -- the one playable stage.
#pragma once

void initializeStage1();
void updateStage1();
void renderStage1();
void quitStage1();
