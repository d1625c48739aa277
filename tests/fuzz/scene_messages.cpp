#include "tests/fuzz/scene_messages.h"

const std::initializer_list<std::string_view> scene_messages = {
    "3DS-file didn't load properly.",
    "No such node!",
    "No such material!",
    "Face vertex index out of range!",
    "Morph track too large!",
    "Morph target has fewer vertices than its mesh!",
    "Texture images too large in total!",
    // The texture search and the PCX decoder.
    "found!",
    "is unknown type!",
    "is not a .pcx file!",
};
