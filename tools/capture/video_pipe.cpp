#include "tools/capture/video_pipe.h"

#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

VideoPipe::VideoPipe(const std::string& path, int width, int height, int framesPerSecond,
                     const std::string& music, double musicOffset)
    : width_(width), height_(height)
{
    // A dying ffmpeg must make write() fail, not end this process.
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    if (pipe(ends) != 0) {
        error_ = std::string("cannot make a pipe: ") + std::strerror(errno);
        return;
    }
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
        // Pixels 0x00RRGGBB lie in memory as blue, green, red, unused.
        "-f", "rawvideo", "-pixel_format", "bgr0", "-video_size",
        std::to_string(width) + "x" + std::to_string(height), "-framerate",
        std::to_string(framesPerSecond), "-i", "-"};
    bool withMusic = !music.empty() && access(music.c_str(), R_OK) == 0;
    if (withMusic) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%.3f", musicOffset);
        for (const char* a : std::initializer_list<const char*>{"-ss", offset, "-i", music.c_str()})
            args.emplace_back(a);
    }
    for (const char* a : {"-map", "0:v", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18",
                          "-pix_fmt", "yuv420p", "-movflags", "+faststart"})
        args.emplace_back(a);
    if (withMusic)
        for (const char* a : {"-map", "1:a", "-c:a", "aac", "-b:a", "192k", "-shortest"})
            args.emplace_back(a);
    args.push_back(path);

    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    int spawned = posix_spawnp(&child_, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (spawned != 0) {
        close(ends[1]);
        child_ = 0;
        error_ = std::string("cannot run ffmpeg (install the Debian package ffmpeg): ") +
                 std::strerror(spawned);
        return;
    }
    input_ = ends[1];
}

VideoPipe::~VideoPipe() { finish(); }

bool VideoPipe::write(const uint32_t* pixels)
{
    if (input_ < 0)
        return false;
    const char* bytes = reinterpret_cast<const char*>(pixels);
    size_t left = size_t(width_) * size_t(height_) * 4;
    while (left > 0) {
        ssize_t n = ::write(input_, bytes, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = "ffmpeg stopped taking frames";
            return false;
        }
        bytes += n;
        left -= size_t(n);
    }
    return true;
}

bool VideoPipe::finish()
{
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    if (child_ == 0)
        return error_.empty();
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        error_ = "ffmpeg failed";
    return error_.empty();
}
