#pragma once
#include "scene/scene.h"

void pcx_decode(char* name, TextureMap& map);
