#pragma once
// The one road by which every part of the player stops on a fatal condition.
//
// fatal_error shuts the graphics device down when it is up, shows the message in a box captioned
// "Error!" (the message also goes to standard error), and ends the process with exit code 1.
// The pieces that need the platform (the box, the device) are hooks installed at start-up, so
// that nothing low in the program depends on the driver. Tests and fuzz harnesses install their
// own hooks; `exit` lets a harness end an input cleanly instead of ending the process.

#include <string_view>

struct FatalHooks {
    // Shows a modal box with the text and caption and waits for it; null: no box.
    void (*messageBox)(const char* text, const char* caption) = nullptr;
    // Shuts the graphics device down when it is up; null: nothing to shut down.
    void (*shutdownDevice)() = nullptr;
    // Ends the process (or the harness's input); null: std::exit. Must not return.
    void (*exit)(int code) = nullptr;
};

// Installs the hooks and returns the previous ones.
FatalHooks set_fatal_hooks(const FatalHooks& hooks);

[[noreturn]] void fatal_error(std::string_view message);

// fatal_error's second half, without touching the device hook: "caption: message" on standard
// error, the box with the given caption, and the exit with code 1. (The sound library's failures
// do not come here: the driver reports them itself and returns its exit code.)
[[noreturn]] void fatal_box_and_exit(std::string_view message, const char* caption);
