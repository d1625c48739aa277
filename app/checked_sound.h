#pragma once
// What every sound library does alike, whatever makes the sound: calls out of their order
// (FMOD_ERR_BUSY, FMOD_ERR_UNINITIALIZED), bad arguments and streams it never opened or has
// closed (FMOD_ERR_INVALID_PARAM), a missing file (FMOD_ERR_FILE_NOTFOUND), the code each failure
// leaves for FSOUND_GetError, and the streams it owns. An output (SDL2_mixer, the browser's Web
// Audio) supplies the sound itself.

#include <memory>
#include <vector>

#include "app/sound_port.h"
#include "core/file_open.h"

// A stream of the output's own kind; freeing it stops and forgets its sound.
struct FSOUND_STREAM {
    virtual ~FSOUND_STREAM() = default;
};

class CheckedSound : public SoundLibrary {
public:
    CheckedSound() = default;
    CheckedSound(const CheckedSound&) = delete;
    CheckedSound& operator=(const CheckedSound&) = delete;

    float FSOUND_GetVersion() final;
    bool FSOUND_SetOutput(int outputType) final;
    bool FSOUND_SetBufferSize(int milliseconds) final;
    bool FSOUND_SetDriver(int driver) final;
    bool FSOUND_Init(int mixRate, int maxChannels, unsigned flags) final;
    FSOUND_STREAM* FSOUND_Stream_OpenMpeg(const char* fileName, unsigned mode) final;
    int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) final;
    int FSOUND_GetError() final;
    bool FSOUND_Stream_Close(FSOUND_STREAM* stream) final;
    void FSOUND_Close() final;

protected:
    // An output's destructor calls FSOUND_Close: the streams go before the output stops.

    // Starts the output; false when there is none to start.
    virtual bool start_output(int mixRate, int maxChannels, int bufferMilliseconds) = 0;
    virtual void stop_output() = 0;
    // The music of a file found and opened; null with the failure's code in `failure`.
    virtual std::unique_ptr<FSOUND_STREAM> open_stream(FilePtr file, int& failure) = 0;
    // Plays the stream once, from its start; false when it cannot.
    virtual bool play_stream(FSOUND_STREAM& stream) = 0;

private:
    bool fail(int code);

    int error = FMOD_ERR_NONE;
    int bufferMilliseconds = 200;
    bool initialised = false;
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
};
