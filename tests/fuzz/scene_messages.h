#pragma once
// The messages with which loading and building a scene may stop: the harnesses and the scene
// tests accept these and nothing else.

#include <string_view>

// Whether the message is one of them word for word, the file names of the texture search's and
// the PCX decoder's messages aside.
bool is_scene_stop(std::string_view message);
