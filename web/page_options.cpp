#include "web/page_options.h"

#include <cmath>
#include <cstdlib>

namespace {

// Frame numbers separated by commas; false on anything else or on too many.
bool parse_frames(std::string_view text, std::vector<float>& frames)
{
    frames.clear();
    // Every comma is followed by a number: "1," and "" are refused alike.
    for (bool more = true; more;) {
        const size_t comma = text.find(',');
        const std::string number(text.substr(0, comma));
        more = comma != std::string_view::npos;
        text = more ? text.substr(comma + 1) : std::string_view();
        if (number.empty() || frames.size() >= PAGE_MAX_FRAMES)
            return false;
        char* end = nullptr;
        const float frame = std::strtof(number.c_str(), &end);
        if (*end != '\0' || !std::isfinite(frame) || frame < 0.0f)
            return false;
        frames.push_back(frame);
    }
    return true;
}

// Letters, digits, '-', '_' and '.', not starting with '.': a folder beside the page, never one
// elsewhere on the server.
bool plain_folder(std::string_view name)
{
    if (name.empty() || name.size() > 64 || name.front() == '.')
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_' || c == '.'))
            return false;
    return true;
}

}  // namespace

PageOptions parse_page_options(std::string_view query)
{
    PageOptions options;
    if (!query.empty() && query.front() == '?')
        query.remove_prefix(1);
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const size_t equals = pair.find('=');
        const std::string_view key = pair.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        if (key == "size") {
            options.size = value;
        } else if (key == "samples") {
            options.samples = value;
        } else if (key == "scene") {
            if (plain_folder(value))
                options.scene = value;
            else
                options.problem = "scene: expected the name of a folder beside the page, got \"" +
                                  std::string(value) + "\"";
        } else if (key == "unpaced") {
            options.unpaced = true;
        } else if (key == "frames") {
            options.testMode = true;
            if (!parse_frames(value, options.frames))
                options.problem = "frames: expected up to " + std::to_string(PAGE_MAX_FRAMES) +
                                  " scene frames separated by commas, got \"" +
                                  std::string(value) + "\"";
        }
    }
    return options;
}
