#include "tools/make-demo/music.h"

#include <algorithm>
#include <cmath>

#include "tools/make-demo/effects.h"
#include "tools/make-demo/score.h"
#include "tools/make-demo/timing.h"
#include "tools/make-demo/voices.h"

namespace demo {
namespace {

constexpr int kRingOutFrames = 25;  // 1.75 s after the player has stopped
constexpr int64_t kSamplesPerBeat = int64_t(kSamplesPerFrame) * kFramesPerBeat;

int64_t step_sample(int step) { return int64_t(step) * kSamplesPerBeat / kSixteenthsPerBeat; }

}  // namespace

int64_t music_sample_count(int endFrame)
{
    return int64_t(endFrame + kRingOutFrames) * kSamplesPerFrame;
}

std::vector<int16_t> render_music(int endFrame)
{
    size_t total = size_t(music_sample_count(endFrame));
    MixBuses buses;
    buses.dry.resize(total);
    buses.echo.resize(total);
    buses.room.resize(total);

    std::vector<NoteEvent> score = compose_score(endFrame);
    for (size_t i = 0; i < score.size(); ++i) {
        const NoteEvent& e = score[i];
        int64_t start = step_sample(e.step);
        int64_t length = step_sample(e.step + e.length) - start;
        render_voice(e, start, length, uint32_t(i * 2654435761u + 1), buses);
    }

    StereoBus master = buses.dry;
    add_ping_pong_echo(buses.echo, int(kSamplesPerBeat * 3 / 4), 0.38f, master);
    add_room(buses.room, 1.0f, master);

    // Gentle bus compression by a soft clip, then a fade over the ring-out.
    std::vector<int16_t> pcm(total * 2);
    size_t fadeStart = size_t(endFrame) * kSamplesPerFrame;
    for (size_t i = 0; i < total; ++i) {
        float fade = 1.0f;
        if (i > fadeStart)
            fade = 1.0f - float(i - fadeStart) / float(total - fadeStart);
        float channels[2] = {master.left[i], master.right[i]};
        for (int c = 0; c < 2; ++c) {
            float value = std::tanh(channels[c] * 1.1f) * 0.92f * fade;
            value = std::clamp(value, -1.0f, 1.0f);
            pcm[i * 2 + size_t(c)] = int16_t(std::lround(value * 32767.0f));
        }
    }
    return pcm;
}

}  // namespace demo
