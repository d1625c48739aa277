#include "web/web_sound.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>

#include "core/file_open.h"

// The browser's decoded sound, by its number in the page's table.
struct FSOUND_STREAM {
    int id;
};

namespace {

// Makes (or wakes) the page's audio context; 0 when the browser has none.
EM_JS(int, web_audio_start, (), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context)
        return 0;
    if (!Module.sarnojAudio) {
        Module.sarnojAudio = new Context();
        Module.sarnojSounds = new Map();
        Module.sarnojNextSound = 1;
    }
    if (Module.sarnojAudio.state === 'suspended')
        Module.sarnojAudio.resume();
    return 1;
});

// Decodes the file's bytes; the sound's number, or 0 when the browser cannot decode them.
EM_ASYNC_JS(int, web_audio_decode, (const uint8_t* data, int size), {
    // A copy: decodeAudioData takes the buffer over, and the module's memory is shared.
    const bytes = HEAPU8.slice(data, data + size);
    try {
        const buffer = await Module.sarnojAudio.decodeAudioData(bytes.buffer);
        const id = Module.sarnojNextSound++;
        Module.sarnojSounds.set(id, {buffer : buffer, source : null});
        return id;
    } catch (e) {
        return 0;
    }
});

EM_JS(int, web_audio_play, (int id), {
    const sound = Module.sarnojSounds.get(id);
    if (!sound)
        return 0;
    if (sound.source)
        sound.source.stop();
    const source = Module.sarnojAudio.createBufferSource();
    source.buffer = sound.buffer;
    source.connect(Module.sarnojAudio.destination);
    source.start();
    sound.source = source;
    return 1;
});

EM_JS(void, web_audio_forget, (int id), {
    const sound = Module.sarnojSounds && Module.sarnojSounds.get(id);
    if (!sound)
        return;
    if (sound.source)
        sound.source.stop();
    Module.sarnojSounds.delete(id);
});

// The whole file, or false when it cannot be read or is larger than the library takes.
bool read_whole(std::FILE* file, std::vector<uint8_t>& bytes)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file);
    if (size <= 0 || size > WEB_SOUND_MAX_FILE || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    bytes.resize(size_t(size));
    return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

auto find_stream(std::vector<std::unique_ptr<FSOUND_STREAM>>& streams, FSOUND_STREAM* stream)
{
    return std::find_if(streams.begin(), streams.end(),
                        [&](const auto& open) { return open.get() == stream; });
}

}  // namespace

WebSound::WebSound() = default;

WebSound::~WebSound()
{
    if (initialised)
        FSOUND_Close();
}

bool WebSound::fail(int code)
{
    error = code;
    return false;
}

float WebSound::FSOUND_GetVersion()
{
    return 3.2f;
}

bool WebSound::FSOUND_SetOutput(int)
{
    return true;  // the browser has one output
}

bool WebSound::FSOUND_SetBufferSize(int milliseconds)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    if (milliseconds <= 0)
        return fail(FMOD_ERR_INVALID_PARAM);
    return true;  // the browser chooses its own
}

bool WebSound::FSOUND_SetDriver(int driver)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    return driver == 0 ? true : fail(FMOD_ERR_INVALID_PARAM);
}

bool WebSound::FSOUND_Init(int mixRate, int maxChannels, unsigned)
{
    if (initialised)
        return fail(FMOD_ERR_BUSY);
    if (mixRate <= 0 || maxChannels <= 0)
        return fail(FMOD_ERR_INVALID_PARAM);
    if (!web_audio_start())
        return fail(FMOD_ERR_INIT);
    initialised = true;
    error = FMOD_ERR_NONE;
    return true;
}

FSOUND_STREAM* WebSound::FSOUND_Stream_OpenMpeg(const char* fileName, unsigned)
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
    std::vector<uint8_t> bytes;
    if (!read_whole(file.get(), bytes)) {
        fail(FMOD_ERR_FILE_BAD);
        return nullptr;
    }
    const int id = web_audio_decode(bytes.data(), int(bytes.size()));
    if (id == 0) {
        fail(FMOD_ERR_FILE_FORMAT);
        return nullptr;
    }
    streams.push_back(std::make_unique<FSOUND_STREAM>(FSOUND_STREAM{id}));
    return streams.back().get();
}

int WebSound::FSOUND_Stream_Play(int, FSOUND_STREAM* stream)
{
    if (!initialised) {
        fail(FMOD_ERR_UNINITIALIZED);
        return -1;
    }
    if (!stream || find_stream(streams, stream) == streams.end()) {
        fail(FMOD_ERR_INVALID_PARAM);
        return -1;
    }
    if (!web_audio_play(stream->id)) {
        fail(FMOD_ERR_PLAY);
        return -1;
    }
    return 0;
}

int WebSound::FSOUND_GetError()
{
    return error;
}

bool WebSound::FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    auto found = find_stream(streams, stream);
    if (found == streams.end())
        return fail(FMOD_ERR_INVALID_PARAM);
    web_audio_forget((*found)->id);
    streams.erase(found);
    return true;
}

void WebSound::FSOUND_Close()
{
    if (!initialised)
        return;
    for (auto& stream : streams)
        web_audio_forget(stream->id);
    streams.clear();
    initialised = false;
}
