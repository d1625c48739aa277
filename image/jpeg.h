#pragma once
#include "scene/scene.h"

void jpeg_decode(char* name, TextureMap& map);
