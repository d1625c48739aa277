#include "web/page_options.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The UTF-8 sequence at the start of `text`: its length and true when it is well formed; else the
// length of its longest start that could have begun one (at least 1) and false, which the
// page's decoder turns into one U+FFFD. Overlong forms, surrogates and code points beyond
// U+10FFFF are not well formed.
std::pair<size_t, bool> utf8_sequence(std::string_view text)
{
    const auto byte = [&](size_t i) { return i < text.size() ? uint8_t(text[i]) : 0; };
    const uint8_t lead = byte(0);
    if (lead < 0x80)
        return {1, true};
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // the bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {1, false};
    }
    for (size_t i = 1; i < length; ++i) {
        const uint8_t next = byte(i);
        if (i == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80)
            return {i, false};
    }
    return {length, true};
}

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

std::string decode_query_part(std::string_view text)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            bytes += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
                   hex_digit(text[i + 2]) >= 0) {
            bytes += char(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    // Bytes that are no UTF-8 read as U+FFFD.
    std::string decoded;
    for (std::string_view rest = bytes; !rest.empty();) {
        const auto [length, wellFormed] = utf8_sequence(rest);
        decoded += wellFormed ? rest.substr(0, length) : std::string_view("\xEF\xBF\xBD");
        rest.remove_prefix(length);
    }
    return decoded;
}

PageOptions parse_page_options(std::string_view query)
{
    PageOptions options;
    // As the page's script reads the address: a parameter named twice counts as first given.
    bool seenSize = false, seenSamples = false, seenScene = false, seenFrames = false,
         seenDevice = false;
    if (!query.empty() && query.front() == '?')
        query.remove_prefix(1);
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const size_t equals = pair.find('=');
        if (pair.empty())
            continue;
        const std::string key = decode_query_part(pair.substr(0, equals));
        const std::string value = decode_query_part(
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
        if (key == "size" && !std::exchange(seenSize, true)) {
            options.size = value;
        } else if (key == "samples" && !std::exchange(seenSamples, true)) {
            options.samples = value;
        } else if (key == "scene" && !std::exchange(seenScene, true)) {
            if (plain_folder(value))
                options.scene = value;
            else
                options.problem = "scene: expected the name of a folder beside the page, got \"" +
                                  value + "\"";
        } else if (key == "device" && !std::exchange(seenDevice, true)) {
            if (value == "gl" || value == "software")
                options.device = value;
            else
                options.problem = "device: expected gl or software, got \"" + value + "\"";
        } else if (key == "unpaced") {
            options.unpaced = true;
        } else if (key == "frames" && !std::exchange(seenFrames, true)) {
            options.testMode = true;
            if (!parse_frames(value, options.frames))
                options.problem = "frames: expected up to " + std::to_string(PAGE_MAX_FRAMES) +
                                  " scene frames separated by commas, got \"" + value + "\"";
        }
    }
    return options;
}
