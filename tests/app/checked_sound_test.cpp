#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/checked_sound.h"
#include "tests/support/scratch_dir.h"

namespace {

// An output that writes down what it is asked to do, and fails where told to.
class RecordingOutput : public CheckedSound {
public:
    explicit RecordingOutput(std::vector<std::string>& events) : events(events) {}
    ~RecordingOutput() override { FSOUND_Close(); }

    std::vector<std::string>& events;
    bool startFails = false, playFails = false;
    int openFailure = 0;  // the code an open fails with; 0 opens

protected:
    struct Stream : FSOUND_STREAM {
        Stream(std::vector<std::string>& events, int number) : events(events), number(number) {}
        ~Stream() override { events.push_back("free " + std::to_string(number)); }
        std::vector<std::string>& events;
        int number;
    };

    bool start_output(int mixRate, int maxChannels, int bufferMilliseconds) override
    {
        events.push_back("start " + std::to_string(mixRate) + " " + std::to_string(maxChannels) +
                         " " + std::to_string(bufferMilliseconds));
        return !startFails;
    }
    void stop_output() override { events.push_back("stop"); }
    std::unique_ptr<FSOUND_STREAM> open_stream(FilePtr file, int& failure) override
    {
        if (!file || openFailure) {
            failure = openFailure;
            return nullptr;
        }
        return std::make_unique<Stream>(events, ++opened);
    }
    bool play_stream(FSOUND_STREAM& stream) override
    {
        events.push_back("play " + std::to_string(static_cast<Stream&>(stream).number));
        return !playFails;
    }

private:
    int opened = 0;
};

class CheckedSoundCalls : public testing::Test {
protected:
    void SetUp() override { std::ofstream(dir.path / "SARNOJ.MP3") << "music"; }

    testing_support::ScratchDir dir{"checked_sound"};
    const std::string music = (dir.path / "sarnoj.mp3").string();   // found regardless of case
    std::vector<std::string> events;
};

}  // namespace

TEST_F(CheckedSoundCalls, CallsOutOfOrderAndBadArgumentsLeaveTheirCodes)
{
    RecordingOutput sound(events);
    EXPECT_EQ(sound.FSOUND_GetVersion(), 3.2f);

    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg(music.c_str(), 0), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_EQ(sound.FSOUND_Stream_Play(FSOUND_FREE, nullptr), -1);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_FALSE(sound.FSOUND_SetBufferSize(0));
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_FALSE(sound.FSOUND_SetDriver(1));
    EXPECT_FALSE(sound.FSOUND_Init(0, 16, 0));
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);

    // An output that does not start leaves the library as it was.
    sound.startFails = true;
    EXPECT_FALSE(sound.FSOUND_Init(44100, 16, 0));
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_INIT);
    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg(music.c_str(), 0), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);

    sound.startFails = false;
    EXPECT_TRUE(sound.FSOUND_SetBufferSize(100));
    EXPECT_TRUE(sound.FSOUND_Init(44100, 16, 0));
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_NONE);
    EXPECT_EQ(sound.events.back(), "start 44100 16 100");
    EXPECT_FALSE(sound.FSOUND_Init(44100, 16, 0));
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_BUSY);
    EXPECT_FALSE(sound.FSOUND_SetBufferSize(200));
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_BUSY);

    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg(nullptr, 0), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg((dir.path / "other.mp3").c_str(), 0), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);
    sound.openFailure = FMOD_ERR_FILE_BAD;
    EXPECT_EQ(sound.FSOUND_Stream_OpenMpeg(music.c_str(), 0), nullptr);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_FILE_BAD);

    sound.openFailure = 0;
    FSOUND_STREAM* stream = sound.FSOUND_Stream_OpenMpeg(music.c_str(), 0);
    ASSERT_NE(stream, nullptr);
    sound.playFails = true;
    EXPECT_EQ(sound.FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_PLAY);
}

TEST_F(CheckedSoundCalls, OnlyOpenStreamsPlayAndTheyGoBeforeTheOutput)
{
    {
        RecordingOutput sound(events);
        ASSERT_TRUE(sound.FSOUND_Init(44100, 16, 0));
        FSOUND_STREAM* first = sound.FSOUND_Stream_OpenMpeg(music.c_str(), 0);
        FSOUND_STREAM* second = sound.FSOUND_Stream_OpenMpeg(music.c_str(), 0);
        ASSERT_TRUE(first && second);
        EXPECT_EQ(sound.FSOUND_Stream_Play(FSOUND_FREE, second), 0);

        EXPECT_TRUE(sound.FSOUND_Stream_Close(first));
        EXPECT_FALSE(sound.FSOUND_Stream_Close(first));  // closed once only
        EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
        EXPECT_FALSE(sound.FSOUND_Stream_Close(nullptr));
        int stray = 0;
        auto* strayStream = reinterpret_cast<FSOUND_STREAM*>(&stray);
        EXPECT_EQ(sound.FSOUND_Stream_Play(FSOUND_FREE, strayStream), -1);
        EXPECT_EQ(sound.FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    }
    // The last stream went with the library, before its output stopped.
    EXPECT_EQ(events, (std::vector<std::string>{"start 44100 16 200", "play 2", "free 1",
                                                "free 2", "stop"}));
}
