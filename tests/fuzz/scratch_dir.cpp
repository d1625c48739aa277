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
#include <optional>
#include <string>

#include "tests/support/scratch_dir.h"

namespace {

// Named <temp>/player-fuzz.<pid>.<n>: the pid tells whose it is.
constexpr const char* prefix = "player-fuzz.";

// Made once and removed at exit.
std::optional<testing_support::ScratchDir> made;
// Fixed buffers: nothing here may allocate while an input runs (input_arena.h).
char scratch[PATH_MAX];
char home[PATH_MAX];

void change_to(const char* dir)
{
    if (::chdir(dir) != 0) {
        std::perror(dir);
        std::abort();
    }
}

// libFuzzer often ends without running the exit handlers (a finding, a timeout, an interrupt):
// the directories of harnesses that no longer run are removed when the next one starts.
void remove_stale_scratch_dirs(const std::filesystem::path& temp)
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

}  // namespace

void make_scratch_dir()
{
    if (made)
        return;
    remove_stale_scratch_dirs(std::filesystem::temp_directory_path());
    made.emplace("player-fuzz");
    const std::string path = made->path.string();
    if (path.size() >= sizeof scratch || !::getcwd(home, sizeof home)) {
        std::perror("scratch directory");
        std::abort();
    }
    std::strcpy(scratch, path.c_str());
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
