// The browser layer's pieces that need no browser: key names, the page's address and the
// canvas's bytes. (The page itself is tested in Chromium by scripts/web-test.sh.)
#include <gtest/gtest.h>

#include <string>

#include "platform/sdl_scan_codes.h"
#include "tests/support/joined.h"
#include "web/canvas_pixels.h"
#include "web/dom_keys.h"
#include "web/page_options.h"

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

TEST(WebPorts, CanvasBytesAreRedGreenBlueOpaque)
{
    const uint32_t pixels[] = {0x00123456, 0xFFABCDEF};
    std::vector<uint8_t> rgba(3, 7);  // reused buffers are resized
    pixels_to_rgba(pixels, rgba);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xFF, 0xAB, 0xCD, 0xEF, 0xFF}));
}

}  // namespace
