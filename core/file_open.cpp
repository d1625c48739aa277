#include "core/file_open.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

void (*openedFileWatcher)(const std::string& path) = nullptr;

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string join(const std::string& dir, std::string_view name)
{
    if (dir.empty())
        return std::string(name);
    if (dir.back() == '/')
        return dir + std::string(name);
    return dir + "/" + std::string(name);
}

// The entry of `dir` ("" for the working directory) named like `component` regardless of case;
// the exact name wins.
std::string match_in_directory(const std::string& dir, std::string_view component)
{
    std::string exact = join(dir, component);
    if (exists(exact) || component == "." || component == "..")
        return exact;
    DIR* handle = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!handle)
        return {};
    std::string found;
    while (dirent* entry = ::readdir(handle)) {
        if (same_ignoring_case(entry->d_name, component)) {
            found = join(dir, entry->d_name);
            break;
        }
    }
    ::closedir(handle);
    return found;
}

}  // namespace

std::string find_file_case_blind(std::string_view written)
{
    if (written.empty())
        return {};
    // Scenes made on Windows separate folders with backslashes ("MAPS\BRICK.JPG"); there every
    // component of the name is found whatever its case.
    std::string whole(written);
    std::replace(whole.begin(), whole.end(), '\\', '/');
    if (exists(whole))
        return whole;
    std::string_view name = whole;

    // Walk the path one component at a time, matching each against its directory.
    std::vector<std::string_view> parts;
    size_t start = 0;
    bool absolute = name.front() == '/';
    while (start <= name.size()) {
        size_t slash = name.find('/', start);
        if (slash == std::string_view::npos)
            slash = name.size();
        if (slash > start)
            parts.push_back(name.substr(start, slash - start));
        start = slash + 1;
    }
    std::string path = absolute ? "/" : "";
    for (std::string_view part : parts) {
        path = match_in_directory(path, part);
        if (path.empty())
            return {};
    }
    return path;
}

FilePtr open_file(std::string_view name, const char* mode)
{
    std::string path = find_file_case_blind(name);
    if (path.empty())
        return nullptr;
    // Opened without waiting, and kept only when it is a regular file: a FIFO, a device or a
    // folder named by a scene would block the player or never end. Checking the open file rather
    // than the path leaves no gap in which the name could change under us.
    bool update = std::string_view(mode).find('+') != std::string_view::npos;
    int fd = ::open(path.c_str(), (update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, mode);
    if (!file)
        ::close(fd);
    else if (openedFileWatcher)
        openedFileWatcher(path);
    return FilePtr(file);
}

void watch_opened_files(void (*opened)(const std::string& path))
{
    openedFileWatcher = opened;
}
