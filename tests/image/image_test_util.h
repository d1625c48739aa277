#pragma once
// Helpers of the image tests: a scratch directory and freeing decoded maps (fatal stops are
// caught with tests/support/fatal_stop.h).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/fatal_stop.h"
#include "tests/support/free_image.h"
#include "scene/scene.h"
#include "tools/writers/pcx_writer.h"

namespace image_test {

// A fresh directory per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("image_test_") + std::to_string(::getpid()) + "_" +
                 info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::string write(const std::string& name, std::span<const uint8_t> bytes) const
    {
        std::string at = file(name);
        EXPECT_TRUE(write_file_bytes(at, bytes)) << at;
        return at;
    }

private:
    std::filesystem::path path_;
};

}  // namespace image_test
