#include "tests/tools/demo_files.h"

#include <sys/wait.h>

#include <cstdlib>

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

const std::filesystem::path& demo_dir()
{
    static const std::filesystem::path made = DEMO_DIR;
    return made;
}

}  // namespace demo_test
