#include "tests/fuzz/scratch_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// Fixed buffers: nothing here may allocate while an input runs (input_arena.h).
char scratch[PATH_MAX];
char home[PATH_MAX];

void remove_scratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

void change_to(const char* dir)
{
    if (::chdir(dir) != 0) {
        std::perror(dir);
        std::abort();
    }
}

}  // namespace

void make_scratch_dir()
{
    if (scratch[0])
        return;
    const char* temp = std::getenv("TMPDIR");
    std::snprintf(scratch, sizeof scratch, "%s/player-fuzz-XXXXXX", temp && *temp ? temp : "/tmp");
    if (!::mkdtemp(scratch) || !::getcwd(home, sizeof home)) {
        std::perror("scratch directory");
        std::abort();
    }
    std::atexit(remove_scratch);
}

InScratchDir::InScratchDir()
{
    change_to(scratch);
}

InScratchDir::~InScratchDir()
{
    change_to(home);
}

bool write_scratch_file(const char* name, std::span<const uint8_t> bytes)
{
    std::FILE* file = std::fopen(name, "wb");
    if (!file)
        return false;
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void clear_scratch_dir()
{
    DIR* dir = ::opendir(scratch);
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}
