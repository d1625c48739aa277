#pragma once
// The scene operations the player drives: loading, animation and drawing, called directly.

#include "app/player.h"

// The real operations, for the player, the headless player and anything else that plays a scene
// as the player does.
SceneCalls player_scene_calls();
