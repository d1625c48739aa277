#include "app/input_state.h"

#include <cstring>

InputState input{};

void input_reset_keys()
{
    std::memset(input.keys, 0, sizeof input.keys);
}
