#pragma once
// Fatal stops caught in-process: with these hooks fatal_error throws FatalStop with its message
// instead of showing a box and ending the process. The tests catch it around one call, the fuzz
// harnesses around each input; the player itself keeps its box and exit code.

#include <functional>
#include <string>

#include "core/fatal_error.h"

struct FatalStop {
    std::string message;
    std::string caption;  // the box's
};

// Installs the hooks for the rest of the process.
void install_fatal_stop();

// While alive, the hooks are installed; the ones before come back at its end.
class CatchFatal {
public:
    CatchFatal();
    ~CatchFatal();
    CatchFatal(const CatchFatal&) = delete;
    CatchFatal& operator=(const CatchFatal&) = delete;

private:
    FatalHooks previous;
};

// Runs body with the hooks installed; the message of the fatal stop that ended it, or "" when
// body ran through.
std::string fatal_message(const std::function<void()>& body);
