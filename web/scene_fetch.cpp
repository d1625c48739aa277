#include "web/scene_fetch.h"

#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/file_open.h"
#include "web/scene_list.h"

namespace {

constexpr const char* LIST_NAME = "files.txt";
constexpr long MAX_LIST_BYTES = 1L << 20;

// Fetches the url's bytes into the file; false when either fails.
bool fetch_file(const std::string& url, const std::string& path)
{
    void* data = nullptr;
    int size = 0, failed = 0;
    emscripten_wget_data(url.c_str(), &data, &size, &failed);
    if (failed || !data)
        return false;
    std::unique_ptr<void, decltype(&std::free)> owned(data, &std::free);
    FilePtr file(std::fopen(path.c_str(), "wb"));
    return file && size >= 0 &&
           std::fwrite(data, 1, size_t(size), file.get()) == size_t(size) &&
           std::fflush(file.get()) == 0;
}

bool read_list(const std::string& path, std::string& text)
{
    FilePtr file = open_file(path, "rb");
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    if (size < 0 || size > MAX_LIST_BYTES || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    text.resize(size_t(size));
    return std::fread(text.data(), 1, text.size(), file.get()) == text.size();
}

}  // namespace

std::string fetch_scene(const char* url, const char* folder)
{
    if (::mkdir(folder, 0755) != 0 && errno != EEXIST)
        return std::string("cannot make ") + folder;
    const std::string base = std::string(url) + "/";
    const std::string into = std::string(folder) + "/";
    if (!fetch_file(base + LIST_NAME, into + LIST_NAME))
        return "cannot fetch " + base + LIST_NAME;
    std::string text;
    if (!read_list(into + LIST_NAME, text))
        return "cannot read " + base + LIST_NAME;
    const SceneList list = parse_scene_list(text);
    for (const std::string& name : list.names)
        if (!fetch_file(base + name, into + name))
            return "cannot fetch " + base + name;
    if (::chdir(folder) != 0)
        return std::string("cannot enter ") + folder;
    return {};
}
