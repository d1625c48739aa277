#pragma once
// A file's whole contents, as text or as bytes: empty when it cannot be read.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

std::string read_text(const std::filesystem::path& file);
std::vector<uint8_t> read_bytes(const std::filesystem::path& file);

}  // namespace testing_support
