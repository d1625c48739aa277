#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/sdl_sound.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/skip_or_fail.h"

namespace fs = std::filesystem;

TEST(SdlSound, BufferHoldsTheMillisecondsAsked)
{
    EXPECT_EQ(buffer_samples(44100, 200), 8820);
    EXPECT_EQ(buffer_samples(44100, 0), 1);
    EXPECT_EQ(buffer_samples(-1, 200), 1);
    EXPECT_EQ(buffer_samples(1 << 30, 1 << 30), 1 << 16);
}

class SdlSoundStarted : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);  // tests make no sound unless asked to
        sound.FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
        sound.FSOUND_SetBufferSize(200);
        sound.FSOUND_SetDriver(0);
        if (!sound.FSOUND_Init(44100, 16, 0))
            SKIP_OR_FAIL_IN_CI("no audio output: " << sound.FSOUND_GetError());
    }
    SdlSound sound;
    testing_support::ScratchDir dir{"sdl_sound"};
};

TEST_F(SdlSoundStarted, MissingAndUnreadableStreamsReportTheirCodes)
{
    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg((dir.path / "sarnoj.mp3").c_str(), 41), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);

    std::ofstream(dir.path / "noise.mp3") << "this is not music at all";
    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg((dir.path / "noise.mp3").c_str(), 41), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);

    std::ofstream(dir.path / "empty.mp3");
    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg((dir.path / "empty.mp3").c_str(), 41), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);
}

TEST_F(SdlSoundStarted, PlaysAnMp3FoundRegardlessOfLetterCase)
{
    if (!testing_support::make_mp3(dir.path / "Sarnoj.MP3"))
        SKIP_OR_FAIL_IN_CI("no MP3 encoder");
    FSOUND_STREAM* stream = sound.FSOUND_Stream_OpenMpeg((dir.path / "sarnoj.mp3").c_str(), 41);
    ASSERT_NE(stream, nullptr) << sound.FSOUND_GetError();
    EXPECT_GE(sound.FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    EXPECT_TRUE(sound.FSOUND_Stream_Close(stream));
    EXPECT_FALSE(sound.FSOUND_Stream_Close(stream));  // closed once only
    sound.FSOUND_Close();
}
