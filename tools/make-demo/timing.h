#pragma once
// The one clock that the picture and the music share. The player advances the scene by 0.2 frames
// every 14 ms tick, so one scene frame lasts 70 ms; the score is written in scene frames so that
// every key of the scene can sit on a beat.

#include "app/player.h"

namespace demo {

constexpr int kSampleRate = 44100;
constexpr int kSamplesPerFrame = 3087;  // 70 ms at 44.1 kHz, exactly
constexpr int kFramesPerBeat = 7;       // 490 ms: 122.45 beats a minute
constexpr int kBeatsPerBar = 4;
constexpr int kFramesPerBar = kFramesPerBeat * kBeatsPerBar;  // 28
constexpr int kSixteenthsPerBeat = 4;

// The frame the player stops at; the last bar's hit rings out over the end.
constexpr int kEndFrame = static_cast<int>(END_FRAME);
static_assert(kEndFrame == END_FRAME, "the score is laid out in whole scene frames");
constexpr int kBars = 41;  // 1148 frames of score

constexpr int beat_frame(int beat) { return beat * kFramesPerBeat; }
constexpr int bar_frame(int bar) { return bar * kFramesPerBar; }

// Sections of the piece, in bars; the scene's events follow the same marks.
namespace section {
constexpr int kIntro = 0;    // pads alone: the camera comes out of the dark
constexpr int kGroove = 4;   // kick, bass and hats: the garden wakes
constexpr int kTheme = 12;   // the melody: the orrery turns
constexpr int kBreak = 20;   // drums drop out: the morphing heart
constexpr int kClimax = 24;  // everything, arpeggios: the camera rolls
constexpr int kReprise = 32; // the theme an octave up: the flight home
constexpr int kOutro = 40;   // the last chord
}  // namespace section

}  // namespace demo
