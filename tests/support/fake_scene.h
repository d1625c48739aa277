#pragma once
// The scene operations as fakes for driving the player without loading or drawing anything, and
// a rig that runs the driver over the fake ports and the recording context library.

#include <array>
#include <functional>
#include <vector>

#include "app/player.h"
#include "tests/support/fake_platform.h"
#include "tests/support/recording_context.h"

namespace fakes {

struct SceneFake {
    bool withCamera = false;
    Scene* scene = nullptr;
    // Scene.total as update_scene saw it, one entry a pass.
    std::vector<float> totals;
    // The camera's position and target as render_scene saw them, one entry a pass.
    std::vector<std::array<float, 6>> cameraAtRender;
};
extern SceneFake sceneFake;

SceneCalls fake_scene_calls();

// Puts every global of the driver back to its state at program start, and empties the fakes'
// records.
void reset_player_globals();

struct PlayerRig {
    PlayerRig();
    int run();
    // Passes the main loop ran: one update_scene each.
    int passes() const { return int(sceneFake.totals.size()); }
    // Calls of the shared port log that start with prefix.
    static int count(const std::string& prefix);

    FakeWindow window;
    FakeClock clock;
    FakeMessageBox messageBox;
    FakeSound sound;
    testing_gfx::RecordingLibrary graphics;
    PlayerPorts ports{window, clock, messageBox, sound, graphics};
    RunStats stats{};  // what the last run reported
};

}  // namespace fakes
