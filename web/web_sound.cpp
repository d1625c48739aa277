#include "web/web_sound.h"

#include <emscripten.h>

#include <cstdio>
#include <vector>

namespace {

// Takes the audio context the page made in its start click (or makes one) and waits, a while
// at most, for it to run; 0 when the browser has none or keeps it from running.
EM_ASYNC_JS(int, web_audio_start, (), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Module.sarnojAudio && Context)
        Module.sarnojAudio = new Context();
    const audio = Module.sarnojAudio;
    if (!audio)
        return 0;
    Module.sarnojSounds = new Map();
    Module.sarnojNextSound = 1;
    if (audio.state !== 'running') {
        await Promise.race([audio.resume().catch(() => {}),
                            new Promise(resolve => setTimeout(resolve, 3000))]);
    }
    return audio.state === 'running' ? 1 : 0;
});

// Decodes the file's bytes; the sound's number, or 0 when the browser cannot decode them.
EM_ASYNC_JS(int, web_audio_decode, (const uint8_t* data, int size), {
    if (Module.onPreparingMusic)
        Module.onPreparingMusic();
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

// The browser's decoded sound, by its number in the page's table.
struct BrowserStream : FSOUND_STREAM {
    explicit BrowserStream(int id) : id(id) {}
    ~BrowserStream() override { web_audio_forget(id); }
    BrowserStream(const BrowserStream&) = delete;
    BrowserStream& operator=(const BrowserStream&) = delete;

    int id;
};

}  // namespace

WebSound::~WebSound()
{
    FSOUND_Close();
}

bool WebSound::start_output(int, int, int)
{
    // The browser has one output and chooses its rate and buffer itself.
    return web_audio_start() != 0;
}

void WebSound::stop_output() {}

std::unique_ptr<FSOUND_STREAM> WebSound::open_stream(FilePtr file, int& failure)
{
    std::vector<uint8_t> bytes;
    if (!read_whole(file.get(), bytes)) {
        failure = FMOD_ERR_FILE_BAD;
        return nullptr;
    }
    const int id = web_audio_decode(bytes.data(), int(bytes.size()));
    if (id == 0) {
        failure = FMOD_ERR_FILE_FORMAT;
        return nullptr;
    }
    return std::make_unique<BrowserStream>(id);
}

bool WebSound::play_stream(FSOUND_STREAM& stream)
{
    return web_audio_play(static_cast<BrowserStream&>(stream).id) != 0;
}
