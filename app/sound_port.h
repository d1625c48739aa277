#pragma once
// The sound library interface the music plays through: the calls the driver makes, with their
// names, arguments and results. app/checked_sound does what every library does alike, over an
// output of SDL2_mixer (platform/sdl_sound) or the browser (web/web_sound); tests put a fake
// behind it.

#include <cstdint>

struct FSOUND_STREAM;  // opaque; owned by the library until FSOUND_Stream_Close

constexpr int FSOUND_OUTPUT_DSOUND = 2;
constexpr int FSOUND_FREE = -1;

// Error codes of FSOUND_GetError; sound_error_text gives their texts.
enum FMOD_ERRORS : int {
    FMOD_ERR_NONE = 0,
    FMOD_ERR_BUSY = 1,
    FMOD_ERR_UNINITIALIZED = 2,
    FMOD_ERR_INIT = 3,
    FMOD_ERR_ALLOCATED = 4,
    FMOD_ERR_PLAY = 5,
    FMOD_ERR_OUTPUT_FORMAT = 6,
    FMOD_ERR_COOPERATIVELEVEL = 7,
    FMOD_ERR_CREATEBUFFER = 8,
    FMOD_ERR_FILE_NOTFOUND = 9,
    FMOD_ERR_FILE_FORMAT = 10,
    FMOD_ERR_FILE_BAD = 11,
    FMOD_ERR_MEMORY = 12,
    FMOD_ERR_VERSION = 13,
    FMOD_ERR_INVALID_MIXER = 14,
    FMOD_ERR_INVALID_PARAM = 15,
    FMOD_ERR_NO_EAX = 16,
    FMOD_ERR_NO_EAX2 = 17,
    FMOD_ERR_CHANNEL_ALLOC = 18,
    FMOD_ERR_RECORD = 19,
};

class SoundLibrary {
public:
    virtual ~SoundLibrary() = default;
    virtual float FSOUND_GetVersion() = 0;
    virtual bool FSOUND_SetOutput(int outputType) = 0;
    virtual bool FSOUND_SetBufferSize(int milliseconds) = 0;
    virtual bool FSOUND_SetDriver(int driver) = 0;
    virtual bool FSOUND_Init(int mixRate, int maxChannels, unsigned flags) = 0;
    // Null on failure.
    virtual FSOUND_STREAM* FSOUND_Stream_OpenMpeg(const char* fileName, unsigned mode) = 0;
    // The channel playing the stream, or -1 on failure.
    virtual int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) = 0;
    virtual int FSOUND_GetError() = 0;
    virtual bool FSOUND_Stream_Close(FSOUND_STREAM* stream) = 0;
    virtual void FSOUND_Close() = 0;
};
