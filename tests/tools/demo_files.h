#pragma once
// What the tests of the built-in production share: running the generator into a scratch
// directory, and reading what it wrote.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace demo_test {

using testing_support::ScratchDir;

// Runs a command line through the shell; its exit code, or -1 when it did not exit normally.
int run(const std::string& command);
// A path quoted for the shell.
std::string quoted(const std::filesystem::path& path);

// The generator's output in dir for the given length; empty string on success, else the failure.
std::string generate(const std::filesystem::path& dir, int frames);

std::vector<uint8_t> read_bytes(const std::filesystem::path& path);

// The production with its music cut at `frames`, generated once per test program and length (in
// a scratch directory that lives until the program ends). The scene is the same at any length.
// When the generator failed, `failure` says how, and the directory holds what it left: callers
// ASSERT it empty before they read anything there.
struct DemoDir {
    std::filesystem::path path;
    std::string failure;
};
const DemoDir& demo_dir(int frames);

}  // namespace demo_test
