#include "tests/fuzz/scratch_dir.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr const char* prefix = "player-fuzz-";

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

// libFuzzer often ends without running the exit handlers (a finding, a timeout, an interrupt):
// the directories of harnesses that no longer run are removed when the next one starts.
void remove_stale_scratch_dirs(const char* temp)
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(temp, ignored)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        long pid = std::strtol(name.c_str() + std::strlen(prefix), nullptr, 10);
        if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove_all(entry.path(), ignored);
    }
}

void make_scratch_dir()
{
    if (scratch[0])
        return;
    const char* temp = std::getenv("TMPDIR");
    if (!temp || !*temp)
        temp = "/tmp";
    remove_stale_scratch_dirs(temp);
    std::snprintf(scratch, sizeof scratch, "%s/%s%ld", temp, prefix, long(::getpid()));
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    if (::mkdir(scratch, 0700) != 0 || !::getcwd(home, sizeof home)) {
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
