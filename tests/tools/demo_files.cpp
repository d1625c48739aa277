#include "tests/tools/demo_files.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

namespace demo_test {

int run(const std::string& command)
{
    int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::string quoted(const std::filesystem::path& path)
{
    std::string out = "'";
    for (char c : path.string()) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string generate(const std::filesystem::path& dir, int frames)
{
    std::string command = quoted(MAKE_DEMO_PATH) + " " + quoted(dir) + " --frames " +
                          std::to_string(frames);
    int code = run(command);
    return code == 0 ? std::string() : command + " exited with " + std::to_string(code);
}

std::vector<uint8_t> read_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const DemoDir& demo_dir(int frames)
{
    struct Made {
        explicit Made(const std::string& name) : scratch(name) {}
        ScratchDir scratch;
        DemoDir demo;
    };
    static std::map<int, std::unique_ptr<Made>> made;
    std::unique_ptr<Made>& entry = made[frames];
    if (!entry) {
        entry = std::make_unique<Made>("demo-" + std::to_string(frames));
        entry->demo.path = entry->scratch.path;
        entry->demo.failure = generate(entry->demo.path, frames);
    }
    return entry->demo;
}

}  // namespace demo_test
