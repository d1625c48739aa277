// The real player program, run under SDL's dummy video and audio drivers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "tests/support/file_contents.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/skip_or_fail.h"
#include "tools/writers/chunk_writer.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::read_text;

namespace {

bool starts_with(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Starts the player in dir with the dummy audio driver and, unless told there is no display,
// the dummy video driver; standard error to dir/stderr.txt.
pid_t start_player(const fs::path& dir, bool display = true)
{
    std::string errors = (dir / "stderr.txt").string();
    // The player keeps its records to the process end on purpose: a sanitizer build is not to
    // report them as leaks.
    std::vector<std::string> environment = {"SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"};
    if (display)
        environment.emplace_back("SDL_VIDEODRIVER=dummy");
    for (char** entry = environ; *entry; ++entry) {
        bool namesDisplay = starts_with(*entry, "DISPLAY=") ||
                             starts_with(*entry, "WAYLAND_DISPLAY=");
        if (!starts_with(*entry, "SDL_") && !starts_with(*entry, "ASAN_OPTIONS=") &&
            (display || !namesDisplay))
            environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(PLAYER_BINARY), nullptr};

    pid_t pid = ::fork();
    if (pid == 0) {
        int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::chdir(dir.c_str()) != 0 || err < 0)
            ::_exit(99);
        ::dup2(err, 2);
        ::execve(PLAYER_BINARY, argv, envp.data());
        ::_exit(98);
    }
    return pid;
}

// The exit status, or -1 (and the child killed) when it has not ended within the time.
int wait_for(pid_t pid, std::chrono::milliseconds limit)
{
    auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return status;
        std::this_thread::sleep_for(20ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

// The smallest scene the player draws: one triangle and a camera looking at it.
bool write_small_scene(const fs::path& file)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "PAINT", .shading = 1});
    w.mesh_object({.name = "TRI",
                   .vertices = {{-20, 0, -10}, {20, 0, -10}, {0, 0, 20}},
                   .faces = {{0, 1, 2}},
                   .faceMaterials = {{"PAINT", {0}}}});
    w.camera_object("EYE", {0, -100, 0}, {0, 0, 0});
    w.close();
    w.close();
    return w.save(file.string());
}

}  // namespace

TEST(PlayerRun, WithoutMusicItStopsWithFileNotFound)
{
    testing_support::ScratchDir dir("player_run_nomusic");
    pid_t pid = start_player(dir.path);
    ASSERT_GT(pid, 0);
    int status = wait_for(pid, 20s);
    ASSERT_NE(status, -1) << "the player did not stop";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(read_text(dir.path / "stderr.txt"), "FMOD Error!: File not found\n");
}

TEST(PlayerRun, PlaysUntilAskedToCloseAndExitsWithOne)
{
    testing_support::ScratchDir dir("player_run_play");
    if (!testing_support::make_mp3(dir.path / "sarnoj.mp3"))
        SKIP_OR_FAIL_IN_CI("no MP3 encoder");
    // A scene with a camera of its own, so the player runs its loop rather than pausing.
    ASSERT_TRUE(write_small_scene(dir.path / "sarnoj1.3ds"));

    pid_t pid = start_player(dir.path);
    ASSERT_GT(pid, 0);
    // Give it time to come up and run its loop; it must still be running then.
    std::this_thread::sleep_for(1500ms);
    int early = 0;
    ASSERT_EQ(::waitpid(pid, &early, WNOHANG), 0)
        << "the player stopped by itself: " << read_text(dir.path / "stderr.txt");

    ::kill(pid, SIGTERM);  // a quit request, which reaches the window as a close request
    int status = wait_for(pid, 20s);
    ASSERT_NE(status, -1) << "the player did not stop on the close request";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(read_text(dir.path / "stderr.txt"), "");
}

TEST(PlayerRun, WithoutADisplayItStopsWithWindowCreationFailed)
{
    testing_support::ScratchDir dir("player_run_nodisplay");
    if (!testing_support::make_mp3(dir.path / "sarnoj.mp3"))
        SKIP_OR_FAIL_IN_CI("no MP3 encoder");
    ASSERT_TRUE(write_small_scene(dir.path / "sarnoj1.3ds"));

    // Neither a display server nor a video driver asked for: SDL would settle for a driver that
    // draws into memory, and the music would play to a picture nobody sees.
    pid_t pid = start_player(dir.path, false);
    ASSERT_GT(pid, 0);
    int status = wait_for(pid, 10s);
    ASSERT_NE(status, -1) << "the player did not stop";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    // The display libraries SDL tries on the way may leave notes of their own before it.
    EXPECT_THAT(read_text(dir.path / "stderr.txt"),
                testing::EndsWith("Error!: Window creation failed!\n"));
}
