// The browser layer's pieces that need no browser: key names, the page's address and the
// canvas's bytes. (The page itself is tested in Chromium by scripts/web-test.sh.)
#include <gtest/gtest.h>

#include <string>

#include "platform/sdl_scan_codes.h"
#include "tests/support/joined.h"
#include "web/canvas_pixels.h"
#include "web/dom_keys.h"
#include "web/page_options.h"
#include "web/pointer_motion.h"

namespace {

using testing_support::joined;

void expect_same_key(const std::string& code, SDL_Scancode sdl)
{
    const DomScanCode web = dom_scan_code(code);
    const PcScanCode native = pc_scan_code(sdl);
    EXPECT_EQ(web.code, native.code) << code;
    EXPECT_EQ(web.extended, native.extended) << code;
}

TEST(WebPorts, KeysGiveTheNativePlayersScanCodes)
{
    for (int i = 0; i < 26; ++i)
        expect_same_key(std::string("Key") + char('A' + i), SDL_Scancode(SDL_SCANCODE_A + i));
    for (int i = 1; i <= 9; ++i)
        expect_same_key(joined({"Digit", std::to_string(i)}),
                        SDL_Scancode(SDL_SCANCODE_1 + i - 1));
    expect_same_key("Digit0", SDL_SCANCODE_0);
    for (int i = 1; i <= 12; ++i)
        expect_same_key(joined({"F", std::to_string(i)}),
                        SDL_Scancode(i <= 10 ? SDL_SCANCODE_F1 + i - 1 : SDL_SCANCODE_F11 + i - 11));
    expect_same_key("Escape", SDL_SCANCODE_ESCAPE);
    expect_same_key("Space", SDL_SCANCODE_SPACE);
    expect_same_key("ControlRight", SDL_SCANCODE_RCTRL);
    expect_same_key("AltRight", SDL_SCANCODE_RALT);
    expect_same_key("ArrowUp", SDL_SCANCODE_UP);
    expect_same_key("ArrowLeft", SDL_SCANCODE_LEFT);
    expect_same_key("NumpadEnter", SDL_SCANCODE_KP_ENTER);
    expect_same_key("Numpad8", SDL_SCANCODE_KP_8);
    expect_same_key("Delete", SDL_SCANCODE_DELETE);
    expect_same_key("MetaRight", SDL_SCANCODE_RGUI);

    // Names the table does not know, or that only look like a letter or a digit, send nothing.
    for (const char* unknown : {"", "Key", "Keya", "KeyAB", "Digit", "Digit10", "Lang1", "escape"})
        EXPECT_EQ(dom_scan_code(unknown).code, 0) << unknown;
}

TEST(WebPorts, AddressChoosesTargetAndTestFrames)
{
    PageOptions plain = parse_page_options("");
    EXPECT_FALSE(plain.testMode || plain.unpaced);
    EXPECT_EQ(plain.scene, "scene");
    EXPECT_TRUE(plain.size.empty() && plain.samples.empty() && plain.problem.empty());

    // The size and sample count go to the native checks as written; unknown keys are ignored.
    PageOptions target = parse_page_options("?size=1280x960&debug=1&samples=4&unpaced");
    EXPECT_EQ(target.size, "1280x960");
    EXPECT_EQ(target.samples, "4");
    EXPECT_FALSE(target.testMode);
    EXPECT_TRUE(target.unpaced);

    PageOptions test = parse_page_options("frames=0,10.4,500&size=native");
    EXPECT_TRUE(test.testMode);
    EXPECT_EQ(test.size, "native");
    EXPECT_EQ(test.frames, (std::vector<float>{0.0f, 10.4f, 500.0f}));
    EXPECT_TRUE(test.problem.empty());

    // Another scene folder beside the page, but never a path elsewhere on the server.
    EXPECT_EQ(parse_page_options("scene=no-music_2").scene, "no-music_2");
    for (const char* bad : {"scene=", "scene=..", "scene=.hidden", "scene=a/b", "scene=%2e%2e",
                            "scene=http:x"}) {
        PageOptions options = parse_page_options(bad);
        EXPECT_EQ(options.scene, "scene") << bad;
        EXPECT_FALSE(options.problem.empty()) << bad;
    }

    // A device named, the first of two; any other name is refused.
    EXPECT_EQ(parse_page_options("device=gl&device=software").device, "gl");
    EXPECT_TRUE(parse_page_options("device=software").problem.empty());
    EXPECT_FALSE(parse_page_options("device=webgl").problem.empty());

    // A test run asked for with frames it cannot draw is refused with the reason, not guessed.
    std::string tooMany = "frames=0";
    for (size_t i = 1; i <= PAGE_MAX_FRAMES; ++i)
        tooMany += joined({",", std::to_string(i)});
    for (const std::string& bad : {std::string("frames="), std::string("frames"),
                                   std::string("frames=1,,2"), std::string("frames=1,"),
                                   std::string("frames=ten"), std::string("frames=5x"),
                                   std::string("frames=-1"), std::string("frames=nan"),
                                   std::string("frames=inf"), tooMany}) {
        PageOptions options = parse_page_options(bad);
        EXPECT_TRUE(options.testMode) << bad;
        EXPECT_FALSE(options.problem.empty()) << bad;
    }
}

TEST(WebPorts, AddressIsReadAsThePagesScriptReadsIt)
{
    // Names and values percent-decoded, '+' a space: the page's script sees ?frames= here too.
    PageOptions coded = parse_page_options("?fr%61mes=0%2C5&sc%65ne=a+b&s%69ze=%36%34x48");
    EXPECT_TRUE(coded.testMode);
    EXPECT_EQ(coded.frames, (std::vector<float>{0.0f, 5.0f}));
    EXPECT_EQ(coded.size, "64x48");
    EXPECT_NE(coded.problem.find("\"a b\""), std::string::npos) << coded.problem;
    // The first of a name given twice, as URLSearchParams.get; empty pairs are nothing.
    PageOptions twice = parse_page_options("&&size=1x1&size=2x2&&samples=4&samples=8");
    EXPECT_EQ(twice.size, "1x1");
    EXPECT_EQ(twice.samples, "4");

    // A '%' without two hex digits stays; bytes that are no UTF-8 become U+FFFD, one for each
    // longest start of a sequence (a lone continuation byte, overlong forms, surrogates, beyond
    // U+10FFFF, a sequence cut short).
    const std::string bad = "\xEF\xBF\xBD";
    const std::pair<const char*, std::string> cases[] = {
        {"%", "%"}, {"%4", "%4"}, {"%g1", "%g1"}, {"100%25", "100%"}, {"%C3%A9", "\xC3\xA9"},
        {"%F0%9F%98%80", "\xF0\x9F\x98\x80"}, {"%80", bad}, {"%C0%AF", bad + bad},
        {"%ED%A0%80", bad + bad + bad}, {"%F4%90%80%80", bad + bad + bad + bad},
        {"%E2%82x", bad + "x"}, {"%F0%9F%98", bad}, {"%FF%41", bad + "A"},
    };
    for (const auto& [coded, decoded] : cases)
        EXPECT_EQ(decode_query_part(coded), decoded) << coded;
}

TEST(WebPorts, LockedPointerMovesACursorHeldInTheWindow)
{
    // A 640 x 480 canvas in a 1000 x 500 box shows at 666.7 x 500, bars left and right: both axes
    // scale alike, by 480 / 500. Drawn on a 1280 x 960 target the window keeps its 640 x 480.
    double sx = 0.0, sy = 0.0;
    ASSERT_TRUE(contained_scale(1000.0, 500.0, 640, 480, 640, 480, sx, sy));
    EXPECT_DOUBLE_EQ(sx, 0.96);
    EXPECT_DOUBLE_EQ(sy, 0.96);
    ASSERT_TRUE(contained_scale(400.0, 900.0, 1280, 960, 640, 480, sx, sy));
    EXPECT_DOUBLE_EQ(sx, 1.6);
    EXPECT_DOUBLE_EQ(sy, 1.6);
    EXPECT_FALSE(contained_scale(0.0, 500.0, 640, 480, 640, 480, sx, sy));

    // A flick far beyond the window stops at its edge: no wrap-around, no unbounded sum.
    double x = 320.0, y = 240.0;
    move_held_cursor(x, y, 10.0, -5.0, 2.0, 2.0, 640, 480);
    EXPECT_DOUBLE_EQ(x, 340.0);
    EXPECT_DOUBLE_EQ(y, 230.0);
    move_held_cursor(x, y, 1e6, -1e6, 1.0, 1.0, 640, 480);
    EXPECT_DOUBLE_EQ(x, 639.0);
    EXPECT_DOUBLE_EQ(y, 0.0);
}

TEST(WebPorts, CanvasBytesAreRedGreenBlueOpaque)
{
    const uint32_t pixels[] = {0x00123456, 0xFFABCDEF};
    std::vector<uint8_t> rgba(3, 7);  // reused buffers are resized
    pixels_to_rgba(pixels, rgba);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xFF, 0xAB, 0xCD, 0xEF, 0xFF}));
}

}  // namespace
