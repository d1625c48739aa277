#include "app/checked_sound.h"

#include <algorithm>

namespace {

using Streams = std::vector<std::unique_ptr<FSOUND_STREAM>>;

// Only a stream this library opened and has not closed is found (never a null one).
Streams::iterator find_open(Streams& streams, const FSOUND_STREAM* stream)
{
    return std::find_if(streams.begin(), streams.end(),
                        [&](const auto& open) { return open.get() == stream; });
}

}  // namespace

bool CheckedSound::fail(int code)
{
    error = code;
    return false;
}

float CheckedSound::FSOUND_GetVersion()
{
    return 3.2f;
}

bool CheckedSound::FSOUND_SetOutput(int)
{
    return true;  // the output is the platform's own choice
}

bool CheckedSound::FSOUND_SetBufferSize(int milliseconds)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    if (milliseconds <= 0)
        return fail(FMOD_ERR_INVALID_PARAM);
    bufferMilliseconds = milliseconds;
    return true;
}

bool CheckedSound::FSOUND_SetDriver(int driver)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    return driver == 0 ? true : fail(FMOD_ERR_INVALID_PARAM);
}

bool CheckedSound::FSOUND_Init(int mixRate, int maxChannels, unsigned)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    if (mixRate <= 0 || maxChannels <= 0)
        return fail(FMOD_ERR_INVALID_PARAM);
    if (!start_output(mixRate, maxChannels, bufferMilliseconds))
        return fail(FMOD_ERR_INIT);
    initialised = true;
    error = FMOD_ERR_NONE;
    return true;
}

FSOUND_STREAM* CheckedSound::FSOUND_Stream_OpenMpeg(const char* fileName, unsigned)
{
    if (!initialised) {
        fail(FMOD_ERR_UNINITIALIZED);
        return nullptr;
    }
    if (!fileName) {
        fail(FMOD_ERR_INVALID_PARAM);
        return nullptr;
    }
    FilePtr file = open_file(fileName, "rb");
    if (!file) {
        fail(FMOD_ERR_FILE_NOTFOUND);
        return nullptr;
    }
    int failure = FMOD_ERR_FILE_FORMAT;
    std::unique_ptr<FSOUND_STREAM> stream = open_stream(std::move(file), failure);
    if (!stream) {
        fail(failure);
        return nullptr;
    }
    streams.push_back(std::move(stream));
    return streams.back().get();
}

int CheckedSound::FSOUND_Stream_Play(int, FSOUND_STREAM* stream)
{
    if (!initialised) {
        fail(FMOD_ERR_UNINITIALIZED);
        return -1;
    }
    if (find_open(streams, stream) == streams.end()) {
        fail(FMOD_ERR_INVALID_PARAM);
        return -1;
    }
    if (!play_stream(*stream)) {
        fail(FMOD_ERR_PLAY);
        return -1;
    }
    return 0;
}

int CheckedSound::FSOUND_GetError()
{
    return error;
}

bool CheckedSound::FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    auto found = find_open(streams, stream);
    if (found == streams.end())
        return fail(FMOD_ERR_INVALID_PARAM);
    streams.erase(found);
    return true;
}

void CheckedSound::FSOUND_Close()
{
    if (!initialised)
        return;
    streams.clear();
    stop_output();
    initialised = false;
}
