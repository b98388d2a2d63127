// game_scene_manager -- the fixed scene table and dispatch to the current scene.
#include "game_scene_manager.hpp"

#include <array>

#include "scene_menu.hpp"
#include "scene_stage1.hpp"

namespace {
constexpr std::array<Scene, 2> stages = {{
    {initializeMenu, updateMenu, renderMenu, quitMenu},
    {initializeStage1, updateStage1, renderStage1, quitStage1},
}};

std::int32_t currentStage = kMenuScene;

bool isKnownScene(std::int32_t sceneId) {
    return sceneId >= 0 && sceneId < static_cast<std::int32_t>(stages.size());
}
}  // namespace

void changeScene(std::int32_t sceneId) {
    // An unknown id would index past the table; the game never passes one, so keep the
    // current scene rather than crash.
    if (!isKnownScene(sceneId)) {
        return;
    }
    currentStage = sceneId;
    stages[currentStage].initialize();
}

void updateCurrentScene() {
    stages[currentStage].update();
}
void renderCurrentScene() {
    stages[currentStage].render();
}
void quitCurrentScene() {
    stages[currentStage].quit();
}
std::int32_t getCurrentScene() {
    return currentStage;
}
