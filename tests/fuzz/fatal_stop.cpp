#include "tests/fuzz/fatal_stop.h"

#include <cstring>

#include "app/core/fatal_error.h"

namespace {

// A fixed buffer rather than a string: memory allocated during an input is released after it
// (input_arena.h), and the message must outlive nothing but the throw.
char lastMessage[512];

void record(const char* text, const char*)
{
    std::strncpy(lastMessage, text, sizeof lastMessage - 1);
}

[[noreturn]] void stop(int)
{
    throw FatalStop{lastMessage};
}

}  // namespace

void install_fatal_stop()
{
    set_fatal_hooks({record, nullptr, stop});
}
