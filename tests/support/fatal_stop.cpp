#include "tests/support/fatal_stop.h"

#include <cstring>

namespace {

// A fixed buffer rather than a string: under a fuzz harness memory allocated during an input is
// released after it (tests/fuzz/input_arena.h), and the message must outlive nothing but the
// throw.
char lastMessage[512];
char lastCaption[64];

void record(const char* text, const char* caption)
{
    std::strncpy(lastMessage, text, sizeof lastMessage - 1);
    std::strncpy(lastCaption, caption, sizeof lastCaption - 1);
}

[[noreturn]] void stop(int)
{
    throw FatalStop{lastMessage, lastCaption};
}

constexpr FatalHooks stopHooks = {record, nullptr, stop};

}  // namespace

void install_fatal_stop()
{
    set_fatal_hooks(stopHooks);
}

CatchFatal::CatchFatal() : previous(set_fatal_hooks(stopHooks)) {}

CatchFatal::~CatchFatal()
{
    set_fatal_hooks(previous);
}

std::string fatal_message(const std::function<void()>& body)
{
    lastMessage[0] = '\0';
    CatchFatal catchFatal;
    try {
        body();
    } catch (const FatalStop& stop) {
        return stop.message.empty() ? "(fatal stop without message)" : stop.message;
    }
    return "";
}
