#pragma once
// The list of the scene directory's files that the page fetches before the player starts: one
// file name a line, written by scripts/web.sh. Only plain names of the directory itself are taken
// (no folders, no "..", no control characters), so a list, however written, never places a file
// outside the scene folder.

#include <string>
#include <string_view>
#include <vector>

constexpr size_t SCENE_LIST_MAX_FILES = 4096;
constexpr size_t SCENE_LIST_MAX_NAME = 255;

struct SceneList {
    std::vector<std::string> names;
    size_t skipped = 0;  // lines that named no file the page may fetch
};

SceneList parse_scene_list(std::string_view text);
