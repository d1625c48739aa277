#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "core/file_open.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

TEST(AllocBlockDeathTest, ZeroSizeStopsWithItsMessage)
{
    EXPECT_EXIT(alloc_block(0), testing::ExitedWithCode(1), "Tried to alloc block sized zero!");
}

TEST(AllocBlockDeathTest, SizeBeyondThirtyTwoBitsIsNotEnoughMemory)
{
    EXPECT_EXIT(alloc_array<double>(0x40000000u), testing::ExitedWithCode(1), "Not enough memory!");
}

TEST(AllocBlock, ArraysAreZeroedAndEmptyArraysAreNull)
{
    EXPECT_EQ(alloc_array<int>(0), nullptr);
    int* values = alloc_array<int>(16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(values[i], 0);
    std::free(values);
}

namespace {
std::string shown;
void record_box(const char* text, const char* caption) { shown = std::string(caption) + "|" + text; }
int shutdowns = 0;
void count_shutdown() { ++shutdowns; }
}  // namespace

// The box and the device shutdown are checked through the hooks by the next test.
TEST(FatalErrorDeathTest, WritesTheMessageToStandardErrorAndExitsWithOne)
{
    EXPECT_EXIT(
        {
            set_fatal_hooks({record_box, count_shutdown, nullptr});
            fatal_error("Wrong clip area defined!");
        },
        testing::ExitedWithCode(1), "Error!: Wrong clip area defined!");
}

TEST(FatalError, HooksSeeTheMessageAndTheDeviceShutdownOnce)
{
    shown.clear();
    shutdowns = 0;
    struct Stop {};
    FatalHooks previous = set_fatal_hooks(
        {record_box, count_shutdown, [](int) -> void { throw Stop{}; }});
    EXPECT_THROW(fatal_error("No such node!"), Stop);
    EXPECT_EQ(shown, "Error!|No such node!");
    EXPECT_EQ(shutdowns, 1);
    // No device is up any more: a second fatal stop does not shut it down again.
    EXPECT_THROW(fatal_error("again"), Stop);
    EXPECT_EQ(shutdowns, 1);
    set_fatal_hooks(previous);
}

TEST(FileOpen, FindsNamesRegardlessOfLetterCase)
{
    testing_support::ScratchDir scratch("case_blind_test");
    const fs::path& dir = scratch.path;
    fs::create_directories(dir / "Textures");
    std::ofstream(dir / "Textures" / "brick.jpg") << "x";

    std::string upper = (dir / "TEXTURES" / "BRICK.JPG").string();
    EXPECT_EQ(find_file_case_blind(upper), (dir / "Textures" / "brick.jpg").string());
    FilePtr file = open_file(upper, "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(std::fgetc(file.get()), 'x');

    EXPECT_FALSE(open_file((dir / "BRICK.PCX").string(), "rb"));
    EXPECT_EQ(find_file_case_blind(""), "");
}

TEST(FileOpen, BackslashesSeparateFoldersFoundRegardlessOfCase)
{
    testing_support::ScratchDir scratch("backslash_test");
    const fs::path& dir = scratch.path;
    fs::create_directories(dir / "Maps" / "Wood");
    std::ofstream(dir / "Maps" / "Wood" / "oak.jpg") << "x";
    std::string found = (dir / "Maps" / "Wood" / "oak.jpg").string();

    EXPECT_EQ(find_file_case_blind(dir.string() + "/MAPS\\WOOD\\OAK.JPG"), found);
    EXPECT_EQ(find_file_case_blind(dir.string() + "\\maps\\Wood/Oak.Jpg"), found);
    EXPECT_EQ(find_file_case_blind(dir.string() + "/Maps\\Wood\\oak.jpg"), found);
    FilePtr file = open_file(dir.string() + "\\MAPS\\WOOD\\OAK.JPG", "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(std::fgetc(file.get()), 'x');
    EXPECT_EQ(find_file_case_blind(dir.string() + "/MAPS\\OAK.JPG"), "");
}

namespace {

// Runs body in a child process that an alarm ends after two seconds: true when body returned
// true in time, false when it returned false, blocked or crashed.
bool in_time(const std::function<bool()>& body)
{
    pid_t child = ::fork();
    if (child == 0) {
        ::alarm(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(FileOpen, OnlyRegularFilesOpenAndNothingElseBlocks)
{
    testing_support::ScratchDir scratch("regular_test");
    const fs::path& dir = scratch.path;
    fs::create_directories(dir / "folder.jpg");
    std::ofstream(dir / "real.jpg") << "x";
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.jpg");
    fs::create_symlink(dir / "real.jpg", dir / "link.jpg");

    // Opened in a child: before the check, the FIFO blocked for ever.
    for (const char* name : {"PIPE.JPG", "FOLDER.JPG", "ZERO.JPG", "pipe.jpg"})
        EXPECT_TRUE(in_time([&] { return !open_file((dir / name).string(), "rb"); })) << name;
    for (const char* name : {"REAL.JPG", "LINK.JPG"})
        EXPECT_TRUE(in_time([&] {
            FilePtr file = open_file((dir / name).string(), "rb");
            return file && std::fgetc(file.get()) == 'x' && std::fgetc(file.get()) == EOF;
        })) << name;
}
