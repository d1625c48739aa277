#include "tools/make-demo/score.h"

#include "tools/make-demo/timing.h"

namespace demo {
namespace {

constexpr int kStepsPerBar = kBeatsPerBar * kSixteenthsPerBeat;

// A minor: i - VI - III - VII for the body of the piece, iv - VI - i - V for the break.
constexpr Chord kAm{45, {57, 60, 64}};
constexpr Chord kF{41, {57, 60, 65}};
constexpr Chord kC{48, {55, 60, 64}};
constexpr Chord kG{43, {55, 59, 62}};
constexpr Chord kDm{50, {57, 62, 65}};
constexpr Chord kE{40, {56, 59, 64}};

struct Phrase {
    int step, length, note;
};

// The theme: eight bars over Am F C G Am F C G, the second half answering the first.
constexpr Phrase kThemeLine[] = {
    {0, 2, 69},   {2, 2, 72},   {4, 4, 76},   {8, 2, 74},   {10, 2, 72},  {12, 4, 74},
    {16, 2, 72},  {18, 2, 69},  {20, 4, 72},  {24, 6, 69},  {30, 2, 67},
    {32, 3, 76},  {35, 3, 79},  {38, 2, 76},  {40, 2, 74},  {42, 2, 72},  {44, 4, 76},
    {48, 6, 74},  {54, 2, 71},  {56, 4, 67},  {60, 2, 71},  {62, 2, 74},
    {64, 2, 69},  {66, 2, 72},  {68, 4, 76},  {72, 2, 79},  {74, 2, 76},  {76, 4, 74},
    {80, 2, 72},  {82, 2, 74},  {84, 4, 77},  {88, 6, 76},  {94, 2, 72},
    {96, 3, 76},  {99, 3, 79},  {102, 2, 84}, {104, 2, 83}, {106, 2, 79}, {108, 4, 76},
    {112, 4, 74}, {116, 4, 76}, {120, 8, 81},
};

// The break's slow line over Dm F Am E.
constexpr Phrase kBreakLine[] = {
    {0, 8, 74}, {8, 8, 77}, {16, 12, 76}, {28, 4, 72}, {32, 8, 72}, {40, 8, 76}, {48, 16, 71},
};

bool in_section(int bar, int from, int to) { return bar >= from && bar < to; }

void add(std::vector<NoteEvent>& out, Instrument instrument, int step, int length, int note,
         float velocity, float pan)
{
    out.push_back({instrument, step, length, note, velocity, pan});
}

void add_drums(std::vector<NoteEvent>& out, int bar)
{
    using namespace section;
    int base = bar * kStepsPerBar;
    bool groove = in_section(bar, kGroove, kBreak) || in_section(bar, kClimax, kOutro);
    if (bar == kClimax || bar == kReprise || bar == kOutro || bar == kTheme)
        add(out, Instrument::Crash, base, 16, 0, bar == kOutro ? 1.0f : 0.8f, 0.0f);
    if (bar == kOutro) {
        add(out, Instrument::Kick, base, 4, 0, 1.0f, 0.0f);
        return;
    }
    if (bar == kClimax - 1) {  // the bar before the climax: riser and clap roll
        add(out, Instrument::Riser, base, kStepsPerBar, 0, 0.9f, 0.0f);
    }
    if (!groove) {
        if (bar == kClimax - 1)
            for (int s = 8; s < 16; ++s)
                add(out, Instrument::Clap, base + s, 1, 0, 0.3f + 0.08f * float(s - 8), 0.0f);
        return;
    }
    for (int beat = 0; beat < kBeatsPerBar; ++beat) {
        int step = base + beat * kSixteenthsPerBeat;
        int absoluteBeat = bar * kBeatsPerBar + beat;
        if (kick_on_beat(absoluteBeat))
            add(out, Instrument::Kick, step, 2, 0, 1.0f, 0.0f);
        if (clap_on_beat(absoluteBeat))
            add(out, Instrument::Clap, step, 2, 0, 0.85f, 0.1f);
        // Off-beat open hat; sixteenth closed hats from the theme on.
        add(out, Instrument::HatOpen, step + 2, 2, 0, 0.45f, 0.3f);
        if (bar >= kTheme)
            for (int s : {1, 3})
                add(out, Instrument::HatClosed, step + s, 1, 0, s == 1 ? 0.25f : 0.35f, -0.3f);
    }
}

void add_harmony(std::vector<NoteEvent>& out, int bar)
{
    using namespace section;
    const Chord& chord = chord_of_bar(bar);
    int base = bar * kStepsPerBar;
    int padLength = bar == kOutro ? 24 : kStepsPerBar;
    float padLevel = bar < kGroove ? 0.6f + 0.1f * float(bar) : 0.55f;
    for (int v = 0; v < 3; ++v)
        add(out, Instrument::Pad, base, padLength, chord.voices[v], padLevel,
            -0.6f + 0.6f * float(v));

    if (bar == kOutro) {
        add(out, Instrument::Bass, base, 16, chord.root, 1.0f, 0.0f);
        return;
    }
    if (bar < kGroove)
        return;
    if (in_section(bar, kBreak, kClimax)) {  // held roots under the break
        add(out, Instrument::Bass, base, 14, chord.root, 0.7f, 0.0f);
        return;
    }
    // Eighth-note bass, the octave jumping on the off-beats of the second half of each bar.
    for (int e = 0; e < 8; ++e) {
        int note = chord.root + ((e % 2 == 1 && e >= 4) ? 12 : 0);
        add(out, Instrument::Bass, base + e * 2, 2, note, e % 2 == 0 ? 1.0f : 0.75f, 0.0f);
    }
    if (in_section(bar, kClimax, kOutro)) {
        constexpr int pattern[8] = {0, 1, 2, 3, 4, 2, 3, 1};
        for (int s = 0; s < kStepsPerBar; ++s) {
            int degree = pattern[s % 8];
            int note = chord.voices[degree % 3] + 12 * (degree / 3 + 1);
            add(out, Instrument::Arp, base + s, 1, note, s % 4 == 0 ? 0.7f : 0.5f,
                (s % 2 == 0) ? -0.5f : 0.5f);
        }
    }
}

void add_melody(std::vector<NoteEvent>& out)
{
    using namespace section;
    for (int start : {kTheme, kClimax, kReprise}) {
        int transpose = start == kReprise ? 12 : 0;
        float level = start == kClimax ? 0.8f : 0.7f;
        for (const Phrase& p : kThemeLine)
            add(out, Instrument::Lead, start * kStepsPerBar + p.step, p.length, p.note + transpose,
                level, 0.0f);
    }
    for (const Phrase& p : kBreakLine)
        add(out, Instrument::Lead, kBreak * kStepsPerBar + p.step, p.length, p.note, 0.55f, 0.0f);
}

}  // namespace

const Chord& chord_of_bar(int bar)
{
    static constexpr Chord kBody[4] = {kAm, kF, kC, kG};
    static constexpr Chord kBreakChords[4] = {kDm, kF, kAm, kE};
    if (bar >= section::kOutro || bar < 0)
        return kBody[0];
    if (bar >= section::kBreak && bar < section::kClimax)
        return kBreakChords[(bar - section::kBreak) % 4];
    return kBody[bar % 4];
}

bool kick_on_beat(int beat)
{
    int bar = beat / kBeatsPerBar;
    return (bar >= section::kGroove && bar < section::kBreak) ||
           (bar >= section::kClimax && bar < section::kOutro);
}

bool clap_on_beat(int beat)
{
    int bar = beat / kBeatsPerBar;
    return kick_on_beat(beat) && bar >= section::kGroove + 4 && beat % 2 == 1;
}

std::vector<NoteEvent> compose_score(int endFrame)
{
    std::vector<NoteEvent> all;
    for (int bar = 0; bar <= section::kOutro; ++bar) {
        add_harmony(all, bar);
        add_drums(all, bar);
    }
    add_melody(all);
    // Keep only what starts before the end (a shortened render for tests cuts the score).
    std::vector<NoteEvent> kept;
    for (const NoteEvent& e : all)
        if (e.step * kFramesPerBeat < endFrame * kSixteenthsPerBeat)
            kept.push_back(e);
    return kept;
}

}  // namespace demo
