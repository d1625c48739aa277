#include "core/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
FatalHooks hooks;
}

FatalHooks set_fatal_hooks(const FatalHooks& next)
{
    FatalHooks previous = hooks;
    hooks = next;
    return previous;
}

void fatal_box_and_exit(std::string_view message, const char* caption)
{
    std::string text(message);
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    std::fflush(stderr);
    if (hooks.messageBox)
        hooks.messageBox(text.c_str(), caption);
    if (hooks.exit)
        hooks.exit(1);
    std::exit(1);
}

void fatal_error(std::string_view message)
{
    if (hooks.shutdownDevice) {
        // The hook runs once: a failure inside the shutdown must not come back here forever.
        auto shutdown = hooks.shutdownDevice;
        hooks.shutdownDevice = nullptr;
        shutdown();
    }
    fatal_box_and_exit(message, "Error!");
}
