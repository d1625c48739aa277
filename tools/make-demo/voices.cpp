#include "tools/make-demo/voices.h"

#include <algorithm>
#include <cmath>

#include "tools/make-demo/timing.h"

namespace demo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDt = 1.0 / kSampleRate;

double note_frequency(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// Small deterministic noise source: xorshift32, values in -1..1.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return float(int32_t(state)) * (1.0f / 2147483648.0f);
    }
};

// Band-limited sawtooth by polyBLEP: the step at each wrap is smoothed over one sample.
struct Saw {
    double phase = 0.0;
    double next(double increment)
    {
        double t = phase;
        double value = 2.0 * t - 1.0;
        if (t < increment) {
            t /= increment;
            value -= t + t - t * t - 1.0;
        } else if (t > 1.0 - increment) {
            t = (t - 1.0) / increment;
            value -= t * t + t + t + 1.0;
        }
        phase += increment;
        if (phase >= 1.0)
            phase -= 1.0;
        return value;
    }
};

// Chamberlin state-variable filter; stable for cutoffs well below a sixth of the sample rate.
struct StateVariable {
    double low = 0.0, band = 0.0;
    double high = 0.0;
    void step(double input, double cutoff, double damping)
    {
        double f = 2.0 * std::sin(kPi * std::min(cutoff, 7000.0) * kDt);
        low += f * band;
        high = input - low - damping * band;
        band += f * high;
    }
};

// Attack-decay-sustain-release envelope in seconds; `held` is how long the note is held.
double adsr(double t, double held, double attack, double decay, double sustain, double release)
{
    auto level_at = [&](double u) {
        if (u < attack)
            return u / attack;
        if (u < attack + decay)
            return 1.0 - (1.0 - sustain) * (u - attack) / decay;
        return sustain;
    };
    if (t < held)
        return level_at(t);
    double r = (t - held) / release;
    return r >= 1.0 ? 0.0 : level_at(held) * (1.0 - r) * (1.0 - r);
}

struct Target {
    MixBuses& buses;
    int64_t start;
    float panLeft, panRight;

    Target(MixBuses& b, int64_t s, float pan)
        : buses(b), start(s),
          panLeft(float(std::cos((pan + 1.0) * kPi / 4.0))),
          panRight(float(std::sin((pan + 1.0) * kPi / 4.0)))
    {
    }
    int64_t size() const { return int64_t(buses.dry.left.size()); }
    void put(StereoBus& bus, int64_t i, double value, float gain = 1.0f)
    {
        int64_t at = start + i;
        if (at < 0 || at >= size())
            return;
        bus.left[size_t(at)] += float(value) * panLeft * gain;
        bus.right[size_t(at)] += float(value) * panRight * gain;
    }
};

void pad(const NoteEvent& e, double held, Target& out)
{
    // Three saws a few cents apart, slowly opening filter: a soft, wide string pad.
    constexpr double kDetune[3] = {-0.08, 0.0, 0.07};
    Saw saws[3];
    for (int v = 0; v < 3; ++v)
        saws[v].phase = 0.31 * v;
    StateVariable filter;
    double release = 1.2;
    int64_t n = int64_t((held + release) * kSampleRate);
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        double sum = 0.0;
        for (int v = 0; v < 3; ++v)
            sum += saws[v].next(note_frequency(e.note + kDetune[v]) * kDt);
        double cutoff = 900.0 + 700.0 * std::min(1.0, t / 1.5) + 250.0 * std::sin(t * 1.3);
        filter.step(sum / 3.0, cutoff, 1.2);
        double value = filter.low * adsr(t, held, 0.6, 0.5, 0.8, release) * e.velocity * 0.22;
        out.put(out.buses.dry, i, value);
        out.put(out.buses.room, i, value, 0.6f);
    }
}

void bass(const NoteEvent& e, double held, Target& out)
{
    Saw saw;
    StateVariable filter;
    double frequency = note_frequency(e.note);
    double release = 0.05;
    int64_t n = int64_t((held + release) * kSampleRate);
    double subPhase = 0.0;
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        double cutoff = 180.0 + 1400.0 * std::exp(-t * 14.0) * e.velocity;
        filter.step(saw.next(frequency * kDt), cutoff, 0.5);
        subPhase += frequency * kDt;
        double sub = std::sin(2.0 * kPi * subPhase);
        double value = (filter.low * 0.6 + sub * 0.5) * adsr(t, held, 0.004, 0.15, 0.7, release);
        out.put(out.buses.dry, i, value * e.velocity * 0.42);
    }
}

void lead(const NoteEvent& e, double held, Target& out)
{
    // Two detuned pulses with delayed vibrato, through a resonant low-pass.
    Saw a, b, c, d;
    c.phase = 0.35;
    d.phase = 0.6;
    StateVariable filter;
    double release = 0.25;
    int64_t n = int64_t((held + release) * kSampleRate);
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        double depth = 0.12 * std::clamp((t - 0.15) * 3.0, 0.0, 1.0);
        double vibrato = depth * std::sin(t * 2 * kPi * 5.5);
        double f1 = note_frequency(e.note + vibrato) * kDt;
        double f2 = note_frequency(e.note + vibrato + 0.1) * kDt;
        // A pulse is the difference of two saws a third of a cycle apart.
        double pulse = (a.next(f1) - c.next(f1)) + 0.8 * (b.next(f2) - d.next(f2));
        double cutoff = 1400.0 + 2600.0 * std::exp(-t * 6.0);
        filter.step(pulse * 0.5, cutoff, 0.7);
        double value = filter.low * adsr(t, held, 0.01, 0.2, 0.75, release) * e.velocity * 0.2;
        out.put(out.buses.dry, i, value);
        out.put(out.buses.echo, i, value, 0.45f);
        out.put(out.buses.room, i, value, 0.35f);
    }
}

void arp(const NoteEvent& e, Target& out)
{
    // A plucked bell: a sine with a fifth partial, dying quickly.
    double frequency = note_frequency(e.note);
    int64_t n = int64_t(0.35 * kSampleRate);
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        double partial = 0.3 * std::sin(2 * kPi * frequency * 3.0 * t) * std::exp(-t * 30.0);
        double tone = std::sin(2 * kPi * frequency * t) + partial;
        double value = tone * std::exp(-t * 11.0) * std::min(1.0, t * 800.0) * e.velocity * 0.11;
        out.put(out.buses.dry, i, value);
        out.put(out.buses.echo, i, value, 0.6f);
    }
}

void kick(const NoteEvent& e, Target& out)
{
    int64_t n = int64_t(0.45 * kSampleRate);
    double phase = 0.0;
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        phase += (46.0 + 120.0 * std::exp(-t * 28.0)) * kDt;
        double body = std::sin(2 * kPi * phase) * std::exp(-t * 7.0);
        double click = std::exp(-t * 400.0) * 0.5;
        double value = std::tanh((body + click) * 1.6) * e.velocity * 0.55;
        out.put(out.buses.dry, i, value);
    }
}

void clap(const NoteEvent& e, uint32_t seed, Target& out)
{
    Noise noise(seed);
    StateVariable filter;
    int64_t n = int64_t(0.3 * kSampleRate);
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        // Three quick bursts then the tail: the hands of several people.
        double bursts = 0.0;
        for (double at : {0.0, 0.011, 0.023})
            if (t >= at)
                bursts = std::max(bursts, std::exp(-(t - at) * 180.0));
        double envelope = std::max(bursts, 0.6 * std::exp(-t * 16.0) * (t >= 0.023 ? 1.0 : 0.0));
        filter.step(noise.next(), 1500.0, 0.6);
        double value = filter.band * envelope * e.velocity * 0.5;
        out.put(out.buses.dry, i, value);
        out.put(out.buses.room, i, value, 0.5f);
    }
}

void hat(const NoteEvent& e, uint32_t seed, double decay, Target& out)
{
    Noise noise(seed);
    StateVariable filter;
    int64_t n = int64_t(std::min(1.6, decay * 6.0) * kSampleRate);
    for (int64_t i = 0; i < n; ++i) {
        double t = double(i) * kDt;
        filter.step(noise.next(), 6500.0, 0.4);
        double value = filter.high * std::exp(-t / decay) * e.velocity * 0.12;
        out.put(out.buses.dry, i, value);
    }
}

void riser(const NoteEvent& e, uint32_t seed, double held, Target& out)
{
    Noise noise(seed);
    StateVariable filter;
    int64_t n = int64_t(held * kSampleRate);
    for (int64_t i = 0; i < n; ++i) {
        double x = double(i) / double(n);
        filter.step(noise.next(), 300.0 + 5500.0 * x * x, 0.3);
        double value = filter.band * x * x * e.velocity * 0.35;
        out.put(out.buses.dry, i, value);
        out.put(out.buses.room, i, value, 0.7f);
    }
}

}  // namespace

void render_voice(const NoteEvent& event, int64_t start, int64_t length, uint32_t seed,
                  MixBuses& buses)
{
    Target out(buses, start, event.pan);
    double held = double(length) * kDt;
    switch (event.instrument) {
    case Instrument::Pad: pad(event, held, out); break;
    case Instrument::Bass: bass(event, held, out); break;
    case Instrument::Lead: lead(event, held, out); break;
    case Instrument::Arp: arp(event, out); break;
    case Instrument::Kick: kick(event, out); break;
    case Instrument::Clap: clap(event, seed, out); break;
    case Instrument::HatClosed: hat(event, seed, 0.025, out); break;
    case Instrument::HatOpen: hat(event, seed, 0.09, out); break;
    case Instrument::Crash: hat(event, seed, 0.5, out); break;
    case Instrument::Riser: riser(event, seed, held, out); break;
    }
}

}  // namespace demo
