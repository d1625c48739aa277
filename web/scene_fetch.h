#pragma once
// The scene directory fetched from the page's own origin into the in-memory file system: its
// list (files.txt, see scene_list.h) and every file on it, under `folder`, which becomes the
// working directory, so the player opens its files by the names it always uses (case-blind, as
// everywhere). Returns an empty string on success, else what went wrong.

#include <string>

std::string fetch_scene(const char* url, const char* folder);
