#include "tools/make-demo/choreography.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tools/make-demo/keys.h"
#include "tools/make-demo/layout.h"
#include "tools/make-demo/score.h"
#include "tools/make-demo/stage.h"
#include "tools/make-demo/timing.h"

namespace demo {
namespace {

using namespace layout;
using Keys = std::vector<KeyDesc>;

constexpr uint16_t kHiddenNode = 0x800;
constexpr uint16_t kNoParent = 0xFFFF;
constexpr uint16_t kLoopTrack = 3;
constexpr uint16_t kRepeatTrack = 2;
constexpr V3 kUp = {0, 0, 1};
constexpr V3 kAcross = {1, 0, 0};
constexpr int kLastFrame = bar_frame(section::kOutro) + kFramesPerBar;  // 1148

// A full turn, and the angle a key is given to turn an object by `angle` counter-clockwise seen
// along the axis: the player applies the transpose of a key's rotation.
constexpr float kTurn = 2 * kPi;
float ccw(float angle) { return -angle; }

// Gives out object numbers in the order the node blocks are written and remembers them by name,
// so that children can name their parents.
class Nodes {
public:
    explicit Nodes(ChunkWriter& writer) : w(writer) {}

    void begin(uint16_t block, const std::string& name, const std::string& parent = {},
               uint16_t flags1 = 0)
    {
        uint16_t number = next_++;
        numbers_[name] = number;
        w.begin_node(block, number, name, parent_of(parent), flags1);
    }
    void begin_dummy(const std::string& name, const std::string& parent = {})
    {
        uint16_t number = next_++;
        numbers_[name] = number;
        w.begin_node(chunk_id::MESH_TRACK, number, "$$$DUMMY", parent_of(parent));
        w.dummy_name(name);
    }

    ChunkWriter& w;

private:
    uint16_t parent_of(const std::string& parent) const
    {
        return parent.empty() ? kNoParent : numbers_.at(parent);
    }
    uint16_t next_ = 0;
    std::map<std::string, uint16_t> numbers_;
};

void pose(ChunkWriter& w, Keys position, Keys rotation, Keys scale = {vec_key(0, {1, 1, 1})},
          uint16_t rotationFlags = 0)
{
    w.track(chunk_id::POSITION_KEYS, position);
    w.track(chunk_id::ROTATION_KEYS, rotation, rotationFlags);
    w.track(chunk_id::SCALE_KEYS, scale);
}

void still(Nodes& n, const std::string& name, V3 at, float facing = 0)
{
    n.begin(chunk_id::MESH_TRACK, name);
    pose(n.w, {vec_key(0, at)}, {turn_key(0, ccw(facing), kUp)});
    n.w.close();
}

// A spin of `turns` whole turns and a bit, from the first frame to the last: more than a full
// turn between two keys, which the player turns through in full.
Keys spin(float turns, V3 axis, float tilt = 0)
{
    return {turn_key(0, tilt, kAcross), turn_key(kLastFrame, ccw(turns * kTurn + 0.6f), axis)};
}

std::vector<int32_t> beats_where(bool (*on)(int), int fromBar, int toBar)
{
    std::vector<int32_t> frames;
    for (int beat = fromBar * kBeatsPerBar; beat < toBar * kBeatsPerBar; ++beat)
        if (on(beat))
            frames.push_back(beat_frame(beat));
    return frames;
}

void write_dummies_and_orrery(Nodes& n)
{
    // The orrery: a turning frame carrying two arms; each arm turns on its own.
    n.begin_dummy("Orrery");
    n.w.pivot({0, 0, 0});
    pose(n.w, {vec_key(0, {0, 0, kOrreryHeight})}, spin(3, kUp));
    n.w.close();

    n.begin_dummy("ArmA", "Orrery");
    n.w.pivot({4, 0, 0});
    pose(n.w, {vec_key(0, {70, 0, 4}), vec_key(bar_frame(section::kClimax), {70, 0, 4}),
               vec_key(bar_frame(section::kClimax) + 56, {82, 0, 18}, {.continuity = 0.4f}),
               vec_key(kLastFrame, {70, 0, 4})},
         spin(-5, kUp));
    n.w.close();

    n.begin_dummy("ArmB", "Orrery");
    n.w.pivot({0, 3, 0});
    pose(n.w, {vec_key(0, {-95, 0, -6})},
         {turn_key(0, 0.35f, kAcross), turn_key(kLastFrame, ccw(8 * kTurn + 1.0f), kUp)});
    n.w.close();

    n.begin(chunk_id::MESH_TRACK, names::kPlanet, "ArmA");
    pose(n.w, {vec_key(0, {0, 0, 0})}, spin(6, kUp, 0.4f));
    n.w.close();

    n.begin(chunk_id::MESH_TRACK, names::kMoon, "ArmB");
    pose(n.w, {vec_key(0, {24, 0, 0})}, {turn_key(0, 0, kUp)});
    n.w.close();

    // The halo tumbles about its diameter while the orrery turns under it; it appears with
    // the theme.
    n.begin(chunk_id::MESH_TRACK, names::kHalo, "Orrery");
    pose(n.w, {vec_key(0, {0, 0, 0})}, spin(4, kAcross));
    n.w.hide_track(std::vector<int32_t>{0, bar_frame(section::kTheme)});
    n.w.close();
}

void write_heart(Nodes& n)
{
    using namespace section;
    n.begin(chunk_id::MESH_TRACK, names::kHeart);
    n.w.pivot({0, 0, 0});
    // It beats with the kick; it swells out of nothing in the intro and grows for the break.
    Keys scale = {vec_key(0, {0.05f, 0.05f, 0.05f}), vec_key(bar_frame(kGroove) - 7, {1, 1, 1})};
    for (int32_t beat : beats_where(kick_on_beat, kGroove, kBreak)) {
        scale.push_back(vec_key(beat, {1.2f, 1.2f, 1.2f}));
        scale.push_back(vec_key(beat + 3, {1, 1, 1}));
    }
    scale.push_back(vec_key(bar_frame(kBreak) + 14, {1.2f, 1.2f, 1.2f}, {.easeTo = 0.5f}));
    scale.push_back(vec_key(bar_frame(kClimax) - 7, {1.2f, 1.2f, 1.2f}));
    for (int32_t beat : beats_where(kick_on_beat, kClimax, kOutro)) {
        scale.push_back(vec_key(beat, {1.3f, 1.3f, 1.3f}));
        scale.push_back(vec_key(beat + 3, {1.05f, 1.05f, 1.05f}));
    }
    scale.push_back(vec_key(bar_frame(kOutro), {1.6f, 1.6f, 1.6f}));
    scale.push_back(vec_key(kEndFrame, {0.3f, 0.3f, 0.3f}, {.easeTo = 1.0f}));
    pose(n.w, {vec_key(0, {0, 0, kHeartHeight})}, spin(2, kUp), scale);

    // The heart changes shape through the break and on every second bar of the climax.
    Keys morph = {morph_key(0, names::kHeart), morph_key(bar_frame(kBreak), names::kHeart)};
    const char* shapes[] = {names::kHeartStar, names::kHeartBloom, names::kHeartStar};
    for (int k = 0; k < 3; ++k)
        morph.push_back(morph_key(bar_frame(kBreak + 1 + k), shapes[k], {.tension = 0.3f}));
    for (int bar = kClimax; bar < kReprise; bar += 2)
        morph.push_back(morph_key(bar_frame(bar), bar % 4 == 0 ? names::kHeartStar
                                                               : names::kHeartBloom));
    morph.push_back(morph_key(bar_frame(kReprise) + 14, names::kHeart));
    morph.push_back(morph_key(kLastFrame, names::kHeart));
    n.w.track(chunk_id::MORPH_KEYS, morph);
    n.w.close();

    // The shapes it takes are in the scene too, hidden for the whole run.
    for (const char* shape : {names::kHeartStar, names::kHeartBloom}) {
        n.begin(chunk_id::MESH_TRACK, shape, {}, kHiddenNode);
        pose(n.w, {vec_key(0, {0, 0, -400})}, {turn_key(0, 0, kUp)});
        n.w.close();
    }
}

void write_colonnade(Nodes& n)
{
    using namespace section;
    still(n, names::kFloor, {0, 0, 0});
    still(n, names::kColonnade, {0, 0, 0});
    for (int k = 0; k < kPillars; ++k) {
        // Crystals light up one a beat as the groove starts, then keep turning.
        V3 top = pillar_base(k);
        top[2] = kCrystalHeight;
        n.begin(chunk_id::MESH_TRACK, indexed_name("Crystal", k));
        pose(n.w, {vec_key(0, top)}, spin(k % 2 ? 5.0f : -4.0f, kUp));
        n.w.hide_track(std::vector<int32_t>{0, beat_frame(kGroove * kBeatsPerBar + k)});
        n.w.close();

        // Beams flash on the claps (alternate pillars), burn through the climax, and die out.
        V3 base = pillar_base(k);
        base[2] = kPillarHeight + 2;
        n.begin(chunk_id::MESH_TRACK, indexed_name("Beam", k));
        pose(n.w, {vec_key(0, base)}, {turn_key(0, 0, kUp)});
        std::vector<int32_t> hides = {0};
        int clap = 0;
        for (int32_t frame : beats_where(clap_on_beat, kGroove, kClimax))
            if (clap++ % 2 == k % 2) {
                hides.push_back(frame);
                hides.push_back(frame + 4);
            }
        hides.push_back(bar_frame(kClimax));
        hides.push_back(bar_frame(kReprise));
        for (int32_t frame : beats_where(clap_on_beat, kReprise, kOutro))
            if (clap++ % 2 == k % 2) {
                hides.push_back(frame);
                hides.push_back(frame + 4);
            }
        n.w.hide_track(hides);
        n.w.close();
    }
    for (int k = 0; k < kBanners; ++k) {
        // Banners sway from their top edge, round and round: a repeating track.
        float a = banner_angle(k);
        float facing = a + kPi / 2;
        n.begin(chunk_id::MESH_TRACK, indexed_name("Banner", k));
        n.w.pivot({0, 0, kBannerHalfHeight});
        int phase = k * 5;
        pose(n.w, {vec_key(0, {kBannerRing * std::cos(a), kBannerRing * std::sin(a), kBannerTop})},
             {turn_key(0, ccw(facing), kUp), turn_key(28 + phase, 0.22f, kAcross),
              turn_key(84 + phase, -0.44f, kAcross, {.continuity = -0.2f}),
              turn_key(112 + 2 * phase, 0.22f, kAcross)},
             {vec_key(0, {1, 1, 1})}, kRepeatTrack);
        n.w.close();
    }
    for (int k = 0; k < kScreens; ++k) {
        float a = screen_angle(k);
        still(n, indexed_name("Screen", k),
              {kScreenRing * std::cos(a), kScreenRing * std::sin(a), kScreenTop}, a + kPi / 2);
    }
    n.begin(chunk_id::MESH_TRACK, names::kDome);
    pose(n.w, {vec_key(0, {0, 0, 0})},
         {turn_key(0, 0, kUp), turn_key(kLastFrame, ccw(kPi * 0.75f), kUp)});
    n.w.close();
    still(n, names::kStars, {0, 0, 0});
    still(n, names::kVeil, {0, 0, 0});
}

void write_lights(Nodes& n)
{
    using namespace section;
    n.begin(chunk_id::OMNI_TRACK, names::kSun);
    n.w.track(chunk_id::POSITION_KEYS, Keys{vec_key(0, {160, -220, 420})});
    n.w.track(chunk_id::COLOR_KEYS,
              Keys{vec_key(0, {0.05f, 0.05f, 0.1f}),
                   vec_key(bar_frame(kGroove), {0.55f, 0.5f, 0.42f}),
                   vec_key(bar_frame(kBreak), {0.3f, 0.3f, 0.5f}),
                   vec_key(bar_frame(kClimax), {0.75f, 0.68f, 0.55f}),
                   vec_key(bar_frame(kOutro), {0.6f, 0.5f, 0.4f}), vec_key(kEndFrame, {0, 0, 0})});
    n.w.close();

    // The pulse light under the heart flashes with the kick.
    n.begin(chunk_id::OMNI_TRACK, names::kPulse);
    n.w.track(chunk_id::POSITION_KEYS, Keys{vec_key(0, {0, 0, 18})});
    Keys pulse = {vec_key(0, {0.1f, 0.0f, 0.05f})};
    for (int32_t beat : beats_where(kick_on_beat, kGroove, kOutro)) {
        pulse.push_back(vec_key(beat, {1.0f, 0.25f, 0.55f}));
        pulse.push_back(vec_key(beat + 4, {0.25f, 0.03f, 0.12f}));
    }
    pulse.push_back(vec_key(bar_frame(kOutro), {1.0f, 0.4f, 0.6f}));
    pulse.push_back(vec_key(kEndFrame, {0, 0, 0}));
    n.w.track(chunk_id::COLOR_KEYS, pulse);
    n.w.close();

    // The orbiting light rides the orrery's second arm; its colour cycles every four bars.
    n.begin(chunk_id::OMNI_TRACK, names::kOrbitLight, "ArmB");
    n.w.track(chunk_id::POSITION_KEYS, Keys{vec_key(0, {0, 0, 0})});
    n.w.track(chunk_id::COLOR_KEYS,
              Keys{vec_key(0, {0.2f, 0.8f, 1.0f}), vec_key(bar_frame(1), {0.3f, 1.0f, 0.4f}),
                   vec_key(bar_frame(2), {1.0f, 0.7f, 0.2f}),
                   vec_key(bar_frame(3), {0.8f, 0.3f, 1.0f}),
                   vec_key(bar_frame(4), {0.2f, 0.8f, 1.0f})},
              kLoopTrack);
    n.w.close();

    // The searchlight swings across the floor and follows the camera's subject.
    n.begin(chunk_id::SPOT_POSITION_TRACK, names::kSearch);
    n.w.track(chunk_id::POSITION_KEYS, Keys{vec_key(0, {0, -320, 360}),
                                            vec_key(bar_frame(kClimax), {-200, -200, 300}),
                                            vec_key(kLastFrame, {0, -320, 360})});
    n.w.track(chunk_id::COLOR_KEYS, Keys{vec_key(0, {1.0f, 0.95f, 0.8f}),
                                          vec_key(bar_frame(kBreak), {0.4f, 0.5f, 1.0f}),
                                          vec_key(bar_frame(kClimax), {1.0f, 0.95f, 0.8f})});
    n.w.close();
    n.begin(chunk_id::SPOT_TARGET_TRACK, names::kSearch);
    Keys sweep;
    for (int bar = 0; bar <= kOutro; bar += 2) {
        float a = float(bar) * 0.7f;
        sweep.push_back(vec_key(bar_frame(bar), {120 * std::cos(a), 120 * std::sin(a), 0}));
    }
    n.w.track(chunk_id::POSITION_KEYS, sweep);
    n.w.close();

    // Ambient: night in the intro, a white flash on the drop, darkness at the end.
    n.begin(chunk_id::AMBIENT_TRACK, "$AMBIENT$");
    n.w.track(chunk_id::COLOR_KEYS,
              Keys{vec_key(0, {0.0f, 0.0f, 0.06f}),
                   vec_key(bar_frame(kGroove), {0.22f, 0.22f, 0.3f}),
                   vec_key(bar_frame(kBreak), {0.08f, 0.08f, 0.22f}),
                   vec_key(bar_frame(kClimax) - 1, {0.1f, 0.1f, 0.25f}),
                   vec_key(bar_frame(kClimax), {1.0f, 1.0f, 1.0f}),
                   vec_key(bar_frame(kClimax) + 7, {0.3f, 0.28f, 0.35f}),
                   vec_key(bar_frame(kOutro), {0.3f, 0.28f, 0.35f}),
                   vec_key(bar_frame(kOutro) + 1, {0.8f, 0.8f, 0.8f}),
                   vec_key(kEndFrame, {0, 0, 0})});
    n.w.close();
}

void write_camera(Nodes& n)
{
    using namespace section;
    struct Shot {
        int frame;
        V3 position, target;
        Tcb spline;
    };
    // A composed flight: out of the dark, around the colonnade, low through the pillars, over the
    // heart for the break, up and rolling on the drop, wide for the reprise, away at the end.
    const Shot shots[] = {
        {0, {-40, -520, 260}, {0, 0, 60}, {}},
        {84, {-10, -380, 170}, {0, 0, 55}, {.easeFrom = 0.3f}},
        // Around the colonnade above the lace screens' tops.
        {bar_frame(kGroove), {120, -260, 150}, {0, 0, 50}, {}},
        {bar_frame(kGroove) + 56, {265, -50, 135}, {0, 0, 55}, {.tension = 0.2f}},
        {bar_frame(kGroove) + 112, {195, 200, 145}, {0, 0, 50}, {}},
        {bar_frame(kGroove) + 168, {-60, 275, 150}, {0, 0, 60}, {.bias = 0.3f}},
        {bar_frame(kTheme), {-230, 90, 40}, {0, 0, 55}, {}},
        {bar_frame(kTheme) + 56, {-150, -120, 24}, {40, 0, 50}, {.continuity = 0.2f}},
        {bar_frame(kTheme) + 112, {40, -150, 30}, {0, 0, 60}, {}},
        {bar_frame(kTheme) + 168, {150, -20, 75}, {-20, 0, 55}, {}},
        // The break looks down on the heart from above the orrery's orbits.
        {bar_frame(kBreak), {130, 60, 150}, {0, 0, 55}, {.easeTo = 0.4f}},
        {bar_frame(kBreak) + 56, {95, 45, 150}, {0, 0, 55}, {}},
        {bar_frame(kBreak) + 98, {70, 22, 142}, {0, 0, 55}, {.tension = 0.5f}},
        {bar_frame(kClimax), {0, -60, 190}, {0, 0, 55}, {.tension = -0.2f}},
        {bar_frame(kClimax) + 28, {-160, -140, 140}, {0, 0, 50}, {}},
        {bar_frame(kClimax) + 84, {-200, 120, 100}, {0, 0, 55}, {}},
        {bar_frame(kClimax) + 140, {60, 230, 60}, {0, 0, 60}, {}},
        {bar_frame(kClimax) + 196, {220, 40, 120}, {0, 0, 55}, {}},
        {bar_frame(kReprise), {140, -180, 200}, {0, 0, 50}, {}},
        {bar_frame(kReprise) + 56, {-100, -230, 250}, {0, 0, 50}, {}},
        {bar_frame(kReprise) + 112, {-260, 0, 200}, {0, 0, 55}, {.continuity = -0.3f}},
        {bar_frame(kReprise) + 168, {-150, 240, 220}, {0, 0, 50}, {}},
        {bar_frame(kOutro), {0, 300, 330}, {0, 0, 40}, {}},
        {kEndFrame, {0, 420, 460}, {0, 0, 30}, {.easeTo = 0.6f}},
    };
    Keys position, target;
    for (const Shot& s : shots) {
        position.push_back(vec_key(s.frame, s.position, s.spline));
        target.push_back(vec_key(s.frame, s.target));
    }
    n.begin(chunk_id::CAMERA_TRACK, names::kCamera);
    n.w.track(chunk_id::POSITION_KEYS, position);
    // Lens and roll hold still between their keys and turn smoothly at them: full tension stops
    // the spline from swinging past a value the keys only hold.
    const Tcb hold = {.tension = 1.0f};
    n.w.track(chunk_id::FOV_KEYS,
              Keys{scalar_key(0, 38, hold), scalar_key(bar_frame(kGroove), 50, hold),
                   scalar_key(bar_frame(kTheme), 60, hold), scalar_key(bar_frame(kBreak), 45, hold),
                   scalar_key(bar_frame(kClimax) - 7, 30, {.tension = 1.0f, .easeTo = 0.5f}),
                   scalar_key(bar_frame(kClimax) + 7, 75, hold),
                   scalar_key(bar_frame(kReprise), 55, hold), scalar_key(kEndFrame, 45, hold)});
    // A barrel roll on the drop, a lean in the reprise.
    n.w.track(chunk_id::ROLL_KEYS,
              Keys{scalar_key(0, 0, hold), scalar_key(bar_frame(kClimax) + 28, 0, hold),
                   scalar_key(bar_frame(kClimax) + 84, 360,
                              {.tension = 1.0f, .easeTo = 0.3f, .easeFrom = 0.3f}),
                   scalar_key(bar_frame(kReprise) + 112, 360, hold),
                   scalar_key(bar_frame(kReprise) + 140, 345, hold),
                   scalar_key(bar_frame(kReprise) + 196, 372, hold),
                   scalar_key(kEndFrame, 360, hold)});
    n.w.close();
    n.begin(chunk_id::CAMERA_TARGET_TRACK, names::kCamera);
    n.w.track(chunk_id::POSITION_KEYS, target);
    n.w.close();
}

}  // namespace

void write_choreography(ChunkWriter& w)
{
    w.frames(0, kEndFrame);
    Nodes nodes(w);
    write_dummies_and_orrery(nodes);
    write_heart(nodes);
    write_colonnade(nodes);
    write_lights(nodes);
    write_camera(nodes);
}

}  // namespace demo
