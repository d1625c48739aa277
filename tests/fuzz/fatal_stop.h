#pragma once
// Under a fuzzer a fatal stop must end the input, not the process: with these hooks fatal_error
// throws FatalStop, which only the harness catches. The player itself keeps its box and exit code.

#include <string>

struct FatalStop {
    std::string message;
};

// Installs the hooks for the rest of the process.
void install_fatal_stop();
