// The generator of the built-in production: the same arguments give the same files, and the
// music is a well-formed MP3 as long as the scene plays.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/demo_files.h"
#include "tools/writers/crafted_scenes.h"

using namespace demo_test;

namespace {

// One scene frame lasts 70 ms; the music rings on 25 frames past the end it is made for.
double expected_music_seconds(int frames) { return double(frames + 25) * 3087 / 44100.0; }

struct Mp3Summary {
    int frames = 0;        // MPEG audio frames, each 1152 samples
    int sampleRate = 0;
    bool wellFormed = false;
};

// Walks the MPEG-1 Layer III frame headers from the start of the file (after an ID3v2 tag if
// there is one) to its end; any byte that is not a frame header makes the file ill-formed.
Mp3Summary walk_mp3(const std::vector<uint8_t>& bytes)
{
    static const int kBitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                      112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    Mp3Summary summary;
    size_t at = 0;
    if (bytes.size() >= 10 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3')
        at = 10 + ((size_t(bytes[6]) << 21) | (size_t(bytes[7]) << 14) |
                   (size_t(bytes[8]) << 7) | bytes[9]);
    while (at + 4 <= bytes.size()) {
        const uint8_t* h = &bytes[at];
        bool mpeg1Layer3 = h[0] == 0xFF && (h[1] & 0xFE) == 0xFA;
        int bitrate = kBitrates[h[2] >> 4], rate = kRates[(h[2] >> 2) & 3];
        if (!mpeg1Layer3 || bitrate == 0 || rate == 0)
            return summary;
        if (summary.sampleRate != 0 && summary.sampleRate != rate)
            return summary;
        summary.sampleRate = rate;
        at += size_t(144 * bitrate * 1000 / rate + ((h[2] >> 1) & 1));
        ++summary.frames;
    }
    summary.wellFormed = at == bytes.size() && summary.frames > 0;
    return summary;
}

std::set<std::string> file_names(const std::filesystem::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

}  // namespace

TEST(MakeDemo, TwoRunsWriteTheSameFilesByteForByte)
{
    ScratchDir first("demo-a"), second("demo-b");
    ASSERT_EQ(generate(first.path, 40), "");
    ASSERT_EQ(generate(second.path, 40), "");

    std::set<std::string> names = file_names(first.path);
    EXPECT_EQ(names, file_names(second.path));
    for (const char* required : {"sarnoj1.3ds", "sarnoj.mp3"})
        EXPECT_TRUE(names.count(required)) << required;
    for (const std::string& name : names)
        EXPECT_TRUE(read_bytes(first.path / name) == read_bytes(second.path / name)) << name;
}

TEST(MakeDemo, ShortMusicIsAWellFormedMp3OfTheAskedLength)
{
    ScratchDir dir("demo-short");
    ASSERT_EQ(generate(dir.path, 40), "");
    Mp3Summary mp3 = walk_mp3(read_bytes(dir.path / "sarnoj.mp3"));
    ASSERT_TRUE(mp3.wellFormed);
    EXPECT_EQ(mp3.sampleRate, 44100);
    // The encoder adds at most its delay and padding, about two frames, and one frame of tag.
    double seconds = mp3.frames * 1152.0 / 44100.0;
    EXPECT_GE(seconds, expected_music_seconds(40));
    EXPECT_LE(seconds, expected_music_seconds(40) + 4 * 1152.0 / 44100.0);
}

TEST(MakeDemo, FullMusicLastsUntilThePlayerStops)
{
    Mp3Summary mp3 = walk_mp3(read_bytes(demo_dir() / "sarnoj.mp3"));
    ASSERT_TRUE(mp3.wellFormed);
    double seconds = mp3.frames * 1152.0 / 44100.0;
    // The player stops at frame 1150 = 80.5 s; the music must not end before it.
    EXPECT_GT(seconds, 80.5);
    EXPECT_NEAR(seconds, expected_music_seconds(1150), 0.2);
}

// scripts/compare-devices.sh draws the golden frames' scenes as the tool writes them.
TEST(MakeDemo, WritesTheGoldenFramesScenes)
{
    ScratchDir byTool("crafted-tool"), byTest("crafted-test");
    ASSERT_EQ(run(quoted(MAKE_DEMO_PATH) + " --crafted-scenes " + quoted(byTool.path)), 0);
    ASSERT_TRUE(write_crafted_scenes(byTest.path));
    const std::set<std::string> names = file_names(byTest.path);
    EXPECT_EQ(file_names(byTool.path), names);
    for (const std::string& name : names)
        EXPECT_TRUE(read_bytes(byTool.path / name) == read_bytes(byTest.path / name)) << name;
}

TEST(MakeDemo, RefusesBadArguments)
{
    ScratchDir dir("demo-args");
    std::string tool = quoted(MAKE_DEMO_PATH);
    EXPECT_EQ(run(tool + " > /dev/null 2>&1"), 1);
    EXPECT_EQ(run(tool + " " + quoted(dir.path) + " --frames 0 2> /dev/null"), 1);
    EXPECT_EQ(run(tool + " " + quoted(dir.path) + " --frames 99999 2> /dev/null"), 1);
    EXPECT_EQ(run(tool + " " + quoted(dir.path) + " --frames 12x 2> /dev/null"), 1);
    EXPECT_EQ(run(tool + " --crafted-scenes 2> /dev/null"), 1);
    EXPECT_EQ(run(tool + " --help > /dev/null"), 0);
    // A directory that cannot be made is reported, not crashed on.
    EXPECT_EQ(run(tool + " /proc/no-such-place/demo 2> /dev/null"), 1);
}
