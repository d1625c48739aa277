#pragma once
// The harnesses' working directory: a scratch directory (tests/support/scratch_dir.h) named
// player-fuzz.<pid>.<n>, made once and removed at exit. An input runs inside it (the player opens
// its images relative to the current directory); between inputs the fuzzer's own directory is
// current again, where it reads its corpus and writes its findings.

#include <cstdint>
#include <span>
#include <string>

// Creates the directory; once per process.
void make_scratch_dir();

// While alive, the scratch directory is the current directory.
class InScratchDir {
public:
    InScratchDir();
    ~InScratchDir();
    InScratchDir(const InScratchDir&) = delete;
    InScratchDir& operator=(const InScratchDir&) = delete;
};

// Writes a file in the current directory; false when it cannot be written.
bool write_scratch_file(const char* name, std::span<const uint8_t> bytes);

// Removes every file of the scratch directory, so that an input finds only its own files.
void clear_scratch_dir();
