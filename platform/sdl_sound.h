#pragma once
// The sound library on SDL2_mixer: 16-bit stereo at the mix rate asked for, the MP3 stream as the
// mixer's music, played once. Failures leave their code for FSOUND_GetError.

#include <memory>
#include <vector>

#include "app/sound_port.h"

class SdlSound : public SoundLibrary {
public:
    SdlSound();
    ~SdlSound() override;

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
    int bufferMilliseconds = 200;
    bool initialised = false;
    bool audioStarted = false;
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
};

// Samples per channel that hold the given milliseconds at the mix rate; at least one.
int buffer_samples(int mixRate, int milliseconds);
