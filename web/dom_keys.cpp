#include "web/dom_keys.h"

namespace {

// Letters A to Z, by their place on the keyboard.
constexpr uint8_t letters[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,
};

struct NamedKey {
    std::string_view name;
    DomScanCode scan;
};

constexpr NamedKey named[] = {
    {"Escape", {0x01, false}},       {"Minus", {0x0C, false}},
    {"Equal", {0x0D, false}},        {"Backspace", {0x0E, false}},
    {"Tab", {0x0F, false}},          {"BracketLeft", {0x1A, false}},
    {"BracketRight", {0x1B, false}}, {"Enter", {0x1C, false}},
    {"ControlLeft", {0x1D, false}},  {"Semicolon", {0x27, false}},
    {"Quote", {0x28, false}},        {"Backquote", {0x29, false}},
    {"ShiftLeft", {0x2A, false}},    {"Backslash", {0x2B, false}},
    {"Comma", {0x33, false}},        {"Period", {0x34, false}},
    {"Slash", {0x35, false}},        {"ShiftRight", {0x36, false}},
    {"NumpadMultiply", {0x37, false}}, {"AltLeft", {0x38, false}},
    {"Space", {0x39, false}},        {"CapsLock", {0x3A, false}},
    {"NumLock", {0x45, false}},      {"ScrollLock", {0x46, false}},
    {"Numpad7", {0x47, false}},      {"Numpad8", {0x48, false}},
    {"Numpad9", {0x49, false}},      {"NumpadSubtract", {0x4A, false}},
    {"Numpad4", {0x4B, false}},      {"Numpad5", {0x4C, false}},
    {"Numpad6", {0x4D, false}},      {"NumpadAdd", {0x4E, false}},
    {"Numpad1", {0x4F, false}},      {"Numpad2", {0x50, false}},
    {"Numpad3", {0x51, false}},      {"Numpad0", {0x52, false}},
    {"NumpadDecimal", {0x53, false}}, {"IntlBackslash", {0x56, false}},
    {"F1", {0x3B, false}},           {"F2", {0x3C, false}},
    {"F3", {0x3D, false}},           {"F4", {0x3E, false}},
    {"F5", {0x3F, false}},           {"F6", {0x40, false}},
    {"F7", {0x41, false}},           {"F8", {0x42, false}},
    {"F9", {0x43, false}},           {"F10", {0x44, false}},
    {"F11", {0x57, false}},          {"F12", {0x58, false}},

    {"NumpadEnter", {0x1C, true}},   {"ControlRight", {0x1D, true}},
    {"NumpadDivide", {0x35, true}},  {"PrintScreen", {0x37, true}},
    {"AltRight", {0x38, true}},      {"Home", {0x47, true}},
    {"ArrowUp", {0x48, true}},       {"PageUp", {0x49, true}},
    {"ArrowLeft", {0x4B, true}},     {"ArrowRight", {0x4D, true}},
    {"End", {0x4F, true}},           {"ArrowDown", {0x50, true}},
    {"PageDown", {0x51, true}},      {"Insert", {0x52, true}},
    {"Delete", {0x53, true}},        {"MetaLeft", {0x5B, true}},
    {"MetaRight", {0x5C, true}},     {"ContextMenu", {0x5D, true}},
};

}  // namespace

DomScanCode dom_scan_code(std::string_view code)
{
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z')
        return {letters[code[3] - 'A'], false};
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9')
        return {uint8_t(code[5] == '0' ? 0x0B : 0x02 + (code[5] - '1')), false};
    for (const NamedKey& key : named)
        if (key.name == code)
            return key.scan;
    return {0, false};
}
