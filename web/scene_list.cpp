#include "web/scene_list.h"

namespace {

bool plain_name(std::string_view name)
{
    if (name.empty() || name.size() > SCENE_LIST_MAX_NAME || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

}  // namespace

SceneList parse_scene_list(std::string_view text)
{
    SceneList list;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (!plain_name(line) || list.names.size() >= SCENE_LIST_MAX_FILES) {
            ++list.skipped;
            continue;
        }
        list.names.emplace_back(line);
    }
    return list;
}
