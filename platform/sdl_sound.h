#pragma once
// The sound library on SDL2_mixer: 16-bit stereo at the mix rate asked for, the MP3 stream as the
// mixer's music, played once.

#include "app/checked_sound.h"

class SdlSound : public CheckedSound {
public:
    ~SdlSound() override;

protected:
    bool start_output(int mixRate, int maxChannels, int bufferMilliseconds) override;
    void stop_output() override;
    std::unique_ptr<FSOUND_STREAM> open_stream(FilePtr file, int& failure) override;
    bool play_stream(FSOUND_STREAM& stream) override;
};

// Samples per channel that hold the given milliseconds at the mix rate; at least one.
int buffer_samples(int mixRate, int milliseconds);
