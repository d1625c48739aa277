#pragma once
// A fresh directory under the system's temporary directory, removed again with the object, and
// a guard that makes a directory the current one for a while. Plain C++ with no test framework,
// so that the fuzz harnesses build on it as well.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace testing_support {

struct ScratchDir {
    // <temp>/<name>.<pid>.<n>, n counting the scratch directories of the process.
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The path of a file in it.
    std::string file(const std::string& name) const;
    // Writes a file in it and returns its path; throws std::runtime_error when it cannot.
    std::string write(const std::string& name, std::span<const uint8_t> bytes) const;

    std::filesystem::path path;
};

// While alive, the directory is the current directory; the one before comes back at its end.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir);
    ~InDirectory();
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    std::filesystem::path previous;
};

// Writes a short MP3 (a second of a quiet tone) with the lame encoder; false when lame is not
// installed or fails.
bool make_mp3(const std::filesystem::path& file);

}  // namespace testing_support
