// scene_menu -- the title menu and its options, video and audio pages.
#include "scene_menu.hpp"

void initializeMenu() {}
void updateMenu() {}
void renderMenu() {}
void quitMenu() {}
