#pragma once
// The sound library on the browser's Web Audio: the MP3 file decoded whole by the browser when
// the stream opens, played once from the start, on the audio context the page made and resumed
// in its start click. A context that does not run fails FSOUND_Init with FMOD_ERR_INIT, whose
// box the player shows as natively. Failures leave their code for
// FSOUND_GetError, as the native library does: a missing file is FMOD_ERR_FILE_NOTFOUND, one the
// browser cannot decode FMOD_ERR_FILE_FORMAT.

#include "app/checked_sound.h"

// The largest music file taken: the whole of it is handed to the browser to decode.
constexpr long WEB_SOUND_MAX_FILE = 256L << 20;

class WebSound : public CheckedSound {
public:
    ~WebSound() override;

protected:
    bool start_output(int mixRate, int maxChannels, int bufferMilliseconds) override;
    void stop_output() override;
    std::unique_ptr<FSOUND_STREAM> open_stream(FilePtr file, int& failure) override;
    bool play_stream(FSOUND_STREAM& stream) override;
};
