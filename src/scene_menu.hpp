// scene_menu -- the title menu and its options, video and audio pages.
#pragma once

void initializeMenu();
void updateMenu();
void renderMenu();
void quitMenu();
