#include "tools/make-demo/mp3_encoder.h"

#include <bit>
#include <csignal>
#include <fcntl.h>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace demo {

// lame is told the samples are little-endian: they are handed over as they lie in memory.
static_assert(std::endian::native == std::endian::little);

std::string encode_mp3(std::span<const int16_t> samples, const std::string& path)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::string("cannot make a pipe: ") + std::strerror(errno);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    // lame warns on every raw input read through libsndfile although it reads it right.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    // Constant 160 kbit/s joint stereo from raw little-endian 16-bit input; no ReplayGain scan, so
    // the tag lame writes depends on the samples alone.
    std::vector<std::string> args = {"lame",  "--quiet", "-r", "-s", "44.1", "--bitwidth", "16",
                                     "--signed", "--little-endian", "-m", "j", "-b", "160",
                                     "--noreplaygain", "-", path};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    int spawned = posix_spawnp(&child, "lame", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[0]);
    if (spawned != 0) {
        close(pipeEnds[1]);
        return std::string("cannot run lame (install the Debian package lame): ") +
               std::strerror(spawned);
    }

    // A lame that dies early must not kill us with SIGPIPE; the write then fails instead.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const char* bytes = reinterpret_cast<const char*>(samples.data());
    size_t left = samples.size_bytes();
    bool written = true;
    while (left > 0) {
        ssize_t n = write(pipeEnds[1], bytes, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            written = false;
            break;
        }
        bytes += n;
        left -= size_t(n);
    }
    close(pipeEnds[1]);
    sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!written || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "lame failed to encode " + path + " (try running lame by hand)";
    return {};
}

}  // namespace demo
