#include "tests/support/scratch_dir.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "tools/writers/pcx_writer.h"

namespace testing_support {

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& name)
{
    static std::atomic<int> made{0};
    std::string leaf = name;
    leaf += '.';
    leaf += std::to_string(::getpid());
    leaf += '.';
    leaf += std::to_string(made++);
    path = fs::temp_directory_path() / leaf;
    fs::remove_all(path);
    fs::create_directories(path);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string ScratchDir::file(const std::string& name) const
{
    return (path / name).string();
}

std::string ScratchDir::write(const std::string& name, std::span<const uint8_t> bytes) const
{
    std::string at = file(name);
    if (!write_file_bytes(at, bytes)) {
        std::string what = "cannot write ";
        what += at;
        throw std::runtime_error(what);
    }
    return at;
}

InDirectory::InDirectory(const fs::path& dir) : previous(fs::current_path())
{
    fs::current_path(dir);
}

InDirectory::~InDirectory()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
}

bool make_mp3(const fs::path& file)
{
    if (std::system("command -v lame >/dev/null 2>&1") != 0)
        return false;
    fs::path raw = file;
    raw += ".raw";
    {
        std::vector<int16_t> samples(44100);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(4000 * std::sin(double(i) * 0.05));
        std::ofstream out(raw, std::ios::binary);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  std::streamsize(samples.size() * sizeof(int16_t)));
    }
    std::string command = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m m '" +
                          raw.string() + "' '" + file.string() + "' 2>/dev/null";
    bool made = std::system(command.c_str()) == 0 && fs::exists(file);
    fs::remove(raw);
    return made;
}

}  // namespace testing_support
