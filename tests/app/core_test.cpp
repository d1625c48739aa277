#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/core/alloc_block.h"
#include "app/core/fatal_error.h"
#include "app/core/file_open.h"

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
    fs::path dir = fs::temp_directory_path() / "case_blind_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "Textures");
    std::ofstream(dir / "Textures" / "brick.jpg") << "x";

    std::string upper = (dir / "TEXTURES" / "BRICK.JPG").string();
    EXPECT_EQ(find_file_case_blind(upper), (dir / "Textures" / "brick.jpg").string());
    FilePtr file = open_file(upper, "rb");
    ASSERT_TRUE(file);
    EXPECT_EQ(std::fgetc(file.get()), 'x');

    EXPECT_FALSE(open_file((dir / "BRICK.PCX").string(), "rb"));
    EXPECT_EQ(find_file_case_blind(""), "");
    fs::remove_all(dir);
}
