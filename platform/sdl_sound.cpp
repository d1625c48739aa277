#include "platform/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>

#include "core/file_open.h"

struct FSOUND_STREAM {
    Mix_Music* music;
};

namespace {
// Only a stream this library opened and has not closed may be played.
bool is_open(const std::vector<std::unique_ptr<FSOUND_STREAM>>& streams, FSOUND_STREAM* stream)
{
    return std::any_of(streams.begin(), streams.end(),
                       [&](const auto& open) { return open.get() == stream; });
}
}  // namespace

int buffer_samples(int mixRate, int milliseconds)
{
    if (mixRate <= 0 || milliseconds <= 0)
        return 1;
    int64_t samples = int64_t(mixRate) * milliseconds / 1000;
    return int(std::clamp<int64_t>(samples, 1, 1 << 16));
}

SdlSound::SdlSound() = default;

SdlSound::~SdlSound()
{
    if (initialised)
        FSOUND_Close();
}

bool SdlSound::fail(int code)
{
    error = code;
    return false;
}

float SdlSound::FSOUND_GetVersion()
{
    return 3.2f;
}

bool SdlSound::FSOUND_SetOutput(int)
{
    // SDL chooses the output device itself (SDL_AUDIODRIVER picks another).
    return true;
}

bool SdlSound::FSOUND_SetBufferSize(int milliseconds)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    if (milliseconds <= 0)
        return fail(FMOD_ERR_INVALID_PARAM);
    bufferMilliseconds = milliseconds;
    return true;
}

bool SdlSound::FSOUND_SetDriver(int driver)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    return driver == 0 ? true : fail(FMOD_ERR_INVALID_PARAM);
}

bool SdlSound::FSOUND_Init(int mixRate, int maxChannels, unsigned)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    if (mixRate <= 0 || maxChannels <= 0)
        return fail(FMOD_ERR_INVALID_PARAM);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return fail(FMOD_ERR_INIT);
    audioStarted = true;
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, AUDIO_S16SYS, 2, buffer_samples(mixRate, bufferMilliseconds)) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioStarted = false;
        return fail(FMOD_ERR_INIT);
    }
    Mix_AllocateChannels(maxChannels);
    initialised = true;
    error = FMOD_ERR_NONE;
    return true;
}

FSOUND_STREAM* SdlSound::FSOUND_Stream_OpenMpeg(const char* fileName, unsigned)
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
    SDL_RWops* source = SDL_RWFromFP(file.get(), SDL_TRUE);
    if (!source) {
        fail(FMOD_ERR_FILE_BAD);
        return nullptr;
    }
    file.release();  // the stream owns the file from here
    // The mixer frees the source on failure as on success.
    Mix_Music* music = Mix_LoadMUS_RW(source, 1);
    if (!music) {
        fail(FMOD_ERR_FILE_FORMAT);
        return nullptr;
    }
    streams.push_back(std::make_unique<FSOUND_STREAM>(FSOUND_STREAM{music}));
    return streams.back().get();
}

int SdlSound::FSOUND_Stream_Play(int, FSOUND_STREAM* stream)
{
    if (!initialised) {
        fail(FMOD_ERR_UNINITIALIZED);
        return -1;
    }
    if (!stream || !is_open(streams, stream)) {
        fail(FMOD_ERR_INVALID_PARAM);
        return -1;
    }
    // Played once, not looped. The music has a channel of its own beside the mixer's.
    if (Mix_PlayMusic(stream->music, 1) != 0) {
        fail(FMOD_ERR_PLAY);
        return -1;
    }
    return 0;
}

int SdlSound::FSOUND_GetError()
{
    return error;
}

bool SdlSound::FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    auto found = std::find_if(streams.begin(), streams.end(),
                              [&](const auto& open) { return open.get() == stream; });
    if (found == streams.end())
        return fail(FMOD_ERR_INVALID_PARAM);
    Mix_FreeMusic((*found)->music);  // halts it first when it plays
    streams.erase(found);
    return true;
}

void SdlSound::FSOUND_Close()
{
    if (!initialised)
        return;
    for (auto& stream : streams)
        Mix_FreeMusic(stream->music);
    streams.clear();
    Mix_CloseAudio();
    Mix_Quit();
    if (audioStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioStarted = false;
    initialised = false;
}
