#pragma once
// The sound library on the browser's Web Audio: the MP3 file decoded whole by the browser when
// the stream opens, played once from the start. The page starts the player only once the browser
// lets it make sound (after a click where it asks for one). Failures leave their code for
// FSOUND_GetError, as the native library does: a missing file is FMOD_ERR_FILE_NOTFOUND, one the
// browser cannot decode FMOD_ERR_FILE_FORMAT.

#include <memory>
#include <vector>

#include "app/sound_port.h"

// The largest music file taken: the whole of it is handed to the browser to decode.
constexpr long WEB_SOUND_MAX_FILE = 256L << 20;

class WebSound : public SoundLibrary {
public:
    WebSound();
    ~WebSound() override;
    WebSound(const WebSound&) = delete;
    WebSound& operator=(const WebSound&) = delete;

    float FSOUND_GetVersion() override;
    bool FSOUND_SetOutput(int outputType) override;
    bool FSOUND_SetBufferSize(int milliseconds) override;
    bool FSOUND_SetDriver(int driver) override;
    bool FSOUND_Init(int mixRate, int maxChannels, unsigned flags) override;
    FSOUND_STREAM* FSOUND_Stream_OpenMpeg(const char* fileName, unsigned mode) override;
    int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) override;
    int FSOUND_GetError() override;
    bool FSOUND_Stream_Close(FSOUND_STREAM* stream) override;
    void FSOUND_Close() override;

private:
    bool fail(int code);

    int error = 0;
    bool initialised = false;
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
};
