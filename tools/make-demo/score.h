#pragma once
// The composition: which instrument plays which note when, written in sixteenth-note steps of the
// shared clock (timing.h). Nothing here makes sound; music.cpp renders the events.

#include <vector>

namespace demo {

enum class Instrument { Pad, Bass, Lead, Arp, Kick, Clap, HatClosed, HatOpen, Crash, Riser };

struct NoteEvent {
    Instrument instrument;
    int step;      // start, in sixteenths from the beginning
    int length;    // in sixteenths
    int note;      // MIDI note number (drums: unused)
    float velocity;
    float pan;     // -1 left .. 1 right
};

// The chord of a bar: bass root and the pad's three voices, as MIDI notes.
struct Chord {
    int root;
    int voices[3];
};

const Chord& chord_of_bar(int bar);

// Every event of the piece that starts before `endFrame` scene frames, in score order.
std::vector<NoteEvent> compose_score(int endFrame);

// Whether the kick and the clap play on a beat: the scene flashes its lights with them.
bool kick_on_beat(int beat);
bool clap_on_beat(int beat);

}  // namespace demo
