#pragma once
// What the tests of the built-in production share: the production the build made, running the
// generator and the other tools as programs.

#include <filesystem>
#include <string>

#include "tests/support/file_contents.h"
#include "tests/support/scratch_dir.h"

namespace demo_test {

using testing_support::read_bytes;
using testing_support::read_text;
using testing_support::ScratchDir;

// Runs a command line through the shell; its exit code, or -1 when it did not exit normally.
int run(const std::string& command);
// A path quoted for the shell.
std::string quoted(const std::filesystem::path& path);

// The generator's output in dir for the given length; empty string on success, else the failure.
std::string generate(const std::filesystem::path& dir, int frames);

// The production at its full length, which make-demo writes once a build (tests/CMakeLists.txt),
// not once a test: the tests read it and write nothing there.
const std::filesystem::path& demo_dir();

}  // namespace demo_test
