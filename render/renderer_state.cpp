#include "render/renderer_state.h"

Renderer renderer{};
