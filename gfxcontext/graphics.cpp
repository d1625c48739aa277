#include "gfxcontext/graphics.h"

Graphics graphics{};
