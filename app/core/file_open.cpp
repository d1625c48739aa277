#include "app/core/file_open.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <vector>

namespace {

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

std::string find_file_case_blind(std::string_view name)
{
    if (name.empty())
        return {};
    std::string whole(name);
    if (exists(whole))
        return whole;

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
    return FilePtr(std::fopen(path.c_str(), mode));
}
