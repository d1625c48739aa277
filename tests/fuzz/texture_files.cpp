#include "tests/fuzz/texture_files.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* given_names[] = {"BRICK.PCX", "BRICK.JPG", "BRICK.TGA", "BRICK.JPX"};

std::string lower(std::string name)
{
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

TextureFileSet split_texture_input(std::span<const uint8_t> input)
{
    TextureFileSet set;
    if (input.empty())
        return set;
    uint8_t choices = input[0];
    set.givenName = given_names[choices & 3];

    std::vector<std::string> names;
    const std::string candidates[] = {set.givenName, "BRICK.JPG", "BRICK.PCX"};
    for (int i = 0; i < 3; ++i) {
        if (choices & (8 << i) && std::find(names.begin(), names.end(), candidates[i]) == names.end())
            names.push_back(candidates[i]);
    }

    auto rest = input.subspan(1);
    auto separator = std::span(reinterpret_cast<const uint8_t*>(texture_file_separator.data()),
                               texture_file_separator.size());
    for (const std::string& name : names) {
        auto end = std::search(rest.begin(), rest.end(), separator.begin(), separator.end());
        TextureFile file{choices & 4 ? lower(name) : name, {rest.begin(), end}};
        set.files.push_back(std::move(file));
        rest = end == rest.end() ? rest.last(0) : rest.subspan(size_t(end - rest.begin()) + separator.size());
    }
    return set;
}

std::vector<uint8_t> join_texture_input(uint8_t choices,
                                        std::span<const std::vector<uint8_t>> contents)
{
    std::vector<uint8_t> input{choices};
    for (size_t i = 0; i < contents.size(); ++i) {
        if (i > 0)
            input.insert(input.end(), texture_file_separator.begin(), texture_file_separator.end());
        input.insert(input.end(), contents[i].begin(), contents[i].end());
    }
    return input;
}
