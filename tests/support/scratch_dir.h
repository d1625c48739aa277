#pragma once
// A fresh directory under the system's temporary directory, removed again at the end of a test.

#include <filesystem>
#include <string>

namespace testing_support {

struct ScratchDir {
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::filesystem::path path;
};

// Writes a short MP3 (a second of a quiet tone) with the lame encoder; false when lame is not
// installed or fails.
bool make_mp3(const std::filesystem::path& file);

}  // namespace testing_support
