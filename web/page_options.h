#pragma once
// What the page's address asks of the player: ?size=WxH|native and ?samples=N choose the render
// target as SARNOJ_RENDER_SIZE and SARNOJ_RENDER_SAMPLES do for the native player (and are
// checked by the same code), ?frames=0,100,500 draws those scene frames instead of playing, for
// a test that compares them with the native capture, ?scene=NAME plays the scene folder of
// that name beside the page instead of "scene", ?device=gl|software draws with that device
// whatever the browser offers (unasked, the GL device where WebGL 2 runs on a graphics
// processor), and ?unpaced draws the run's frames as fast as
// the page can rather than once an animation frame (for measuring its frame rate).
// The address is read as the page's script reads it (URLSearchParams): names and values
// percent-decoded, '+' a space, bytes that are no UTF-8 as U+FFFD, and of a name given twice the
// first; so "?fr%61mes=1" asks for the test mode on both sides.

#include <string>
#include <string_view>
#include <vector>

// The most frames one test run may ask for.
constexpr size_t PAGE_MAX_FRAMES = 256;

constexpr const char* PAGE_DEFAULT_SCENE = "scene";

struct PageOptions {
    std::string scene = PAGE_DEFAULT_SCENE;  // a plain folder name beside the page
    std::string size;     // empty: not asked for
    std::string samples;  // empty: not asked for
    std::string device;   // "gl", "software", or empty: not asked for
    bool testMode = false;
    bool unpaced = false;
    std::vector<float> frames;
    std::string problem;  // why a parameter was not understood; empty when all were
};

// One name or value of the query as URLSearchParams decodes it.
std::string decode_query_part(std::string_view text);

// query: the address's search part, with or without its leading '?'.
PageOptions parse_page_options(std::string_view query);
