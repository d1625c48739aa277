#pragma once
// Helpers of the image tests: a scratch directory and freeing decoded maps (fatal stops are
// caught with tests/support/fatal_stop.h).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/texture_file.h"
#include "scene/scene.h"
#include "tests/support/fatal_stop.h"
#include "tests/support/scratch_dir.h"
#include "tools/writers/pcx_writer.h"

namespace image_test {

// A fresh directory per test, removed afterwards.
struct ScratchDir : testing_support::ScratchDir {
    ScratchDir() : testing_support::ScratchDir("image_test") {}
};

}  // namespace image_test
