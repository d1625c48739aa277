#include "tools/make-demo/effects.h"

#include <vector>

namespace demo {

void add_ping_pong_echo(const StereoBus& send, int delaySamples, float feedback, StereoBus& out)
{
    size_t n = send.left.size();
    size_t d = size_t(delaySamples);
    std::vector<float> left(n, 0.0f), right(n, 0.0f);
    for (size_t i = d; i < n; ++i) {
        // Left repeats what came into the right a beat fraction ago, and the other way round.
        float mono = (send.right[i - d] + send.left[i - d]) * 0.5f;
        left[i] = (mono + right[i - d]) * feedback;
        right[i] = left[i - d] * feedback;
    }
    for (size_t i = 0; i < n; ++i) {
        out.left[i] += left[i];
        out.right[i] += right[i];
    }
}

namespace {

struct Comb {
    std::vector<float> line;
    size_t at = 0;
    float feedback, damping, filtered = 0.0f;
    Comb(size_t length, float fb, float damp) : line(length, 0.0f), feedback(fb), damping(damp) {}
    float process(float input)
    {
        float output = line[at];
        filtered = output * (1.0f - damping) + filtered * damping;
        line[at] = input + filtered * feedback;
        at = (at + 1) % line.size();
        return output;
    }
};

struct AllPass {
    std::vector<float> line;
    size_t at = 0;
    explicit AllPass(size_t length) : line(length, 0.0f) {}
    float process(float input)
    {
        float delayed = line[at];
        float output = delayed - input;
        line[at] = input + delayed * 0.5f;
        at = (at + 1) % line.size();
        return output;
    }
};

void reverb_channel(const std::vector<float>& input, size_t spread, float level,
                    std::vector<float>& out)
{
    constexpr size_t kCombs[4] = {1557, 1617, 1491, 1422};
    constexpr size_t kAllPasses[2] = {556, 441};
    std::vector<Comb> combs;
    for (size_t length : kCombs)
        combs.emplace_back(length + spread, 0.8f, 0.3f);
    std::vector<AllPass> allPasses;
    for (size_t length : kAllPasses)
        allPasses.emplace_back(length + spread);
    for (size_t i = 0; i < input.size(); ++i) {
        float sum = 0.0f;
        for (Comb& comb : combs)
            sum += comb.process(input[i] * 0.1f);
        for (AllPass& pass : allPasses)
            sum = pass.process(sum);
        out[i] += sum * level;
    }
}

}  // namespace

void add_room(const StereoBus& send, float level, StereoBus& out)
{
    reverb_channel(send.left, 0, level, out.left);
    reverb_channel(send.right, 23, level, out.right);
}

}  // namespace demo
