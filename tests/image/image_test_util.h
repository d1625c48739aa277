#pragma once
// Helpers of the image tests: a scratch directory, freeing decoded maps, and catching fatal
// stops as exceptions.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/core/fatal_error.h"
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

struct FatalStop {
    std::string message;
};

// While alive, fatal_error throws FatalStop with its message instead of ending the process.
class CatchFatal {
public:
    CatchFatal() { previous_ = set_fatal_hooks({record, nullptr, stop}); }
    ~CatchFatal() { set_fatal_hooks(previous_); }
    CatchFatal(const CatchFatal&) = delete;
    CatchFatal& operator=(const CatchFatal&) = delete;

private:
    static inline std::string last;
    static void record(const char* text, const char*) { last = text; }
    [[noreturn]] static void stop(int) { throw FatalStop{last}; }
    FatalHooks previous_;
};

}  // namespace image_test
