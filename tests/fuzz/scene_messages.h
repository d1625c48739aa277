#pragma once
// The messages with which loading and building a scene may stop: the harnesses and the corpus
// tests accept these and nothing else.

#include <initializer_list>
#include <string_view>

extern const std::initializer_list<std::string_view> scene_messages;
