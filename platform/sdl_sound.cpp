#include "platform/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

namespace {

struct MixerStream : FSOUND_STREAM {
    explicit MixerStream(Mix_Music* music) : music(music) {}
    ~MixerStream() override { Mix_FreeMusic(music); }  // halts it first when it plays
    MixerStream(const MixerStream&) = delete;
    MixerStream& operator=(const MixerStream&) = delete;

    Mix_Music* music;
};

}  // namespace

int buffer_samples(int mixRate, int milliseconds)
{
    if (mixRate <= 0 || milliseconds <= 0)
        return 1;
    int64_t samples = int64_t(mixRate) * milliseconds / 1000;
    return int(std::clamp<int64_t>(samples, 1, 1 << 16));
}

SdlSound::~SdlSound()
{
    FSOUND_Close();
}

bool SdlSound::start_output(int mixRate, int maxChannels, int bufferMilliseconds)
{
    // SDL chooses the output device itself (SDL_AUDIODRIVER picks another).
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, AUDIO_S16SYS, 2, buffer_samples(mixRate, bufferMilliseconds)) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(maxChannels);
    return true;
}

void SdlSound::stop_output()
{
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::unique_ptr<FSOUND_STREAM> SdlSound::open_stream(FilePtr file, int& failure)
{
    SDL_RWops* source = SDL_RWFromFP(file.get(), SDL_TRUE);
    if (!source) {
        failure = FMOD_ERR_FILE_BAD;
        return nullptr;
    }
    file.release();  // the source owns the file from here
    // The mixer frees the source on failure as on success.
    Mix_Music* music = Mix_LoadMUS_RW(source, 1);
    if (!music) {
        failure = FMOD_ERR_FILE_FORMAT;
        return nullptr;
    }
    return std::make_unique<MixerStream>(music);
}

bool SdlSound::play_stream(FSOUND_STREAM& stream)
{
    // Played once, not looped. The music has a channel of its own beside the mixer's.
    return Mix_PlayMusic(static_cast<MixerStream&>(stream).music, 1) == 0;
}
