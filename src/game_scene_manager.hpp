// game_scene_manager -- the fixed scene table and dispatch to the current scene.
#pragma once

#include <cstdint>

struct Scene {
    void (*initialize)();
    void (*update)();
    void (*render)();
    void (*quit)();
};

inline constexpr std::int32_t kMenuScene = 0;
inline constexpr std::int32_t kStageScene = 1;

// Makes the scene current and runs its initialize inside the call; the scene left gets no
// call. Ids outside the table are ignored.
void changeScene(std::int32_t sceneId);
void updateCurrentScene();
void renderCurrentScene();
void quitCurrentScene();
std::int32_t getCurrentScene();
