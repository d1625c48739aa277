#include "tests/fuzz/seeds/seed_writer.h"

#include <cstdio>
#include <filesystem>

#include "tools/writers/pcx_writer.h"

void SeedWriter::put(const std::string& harness, const std::string& name,
                     std::span<const uint8_t> bytes)
{
    std::filesystem::path dir = std::filesystem::path(corpus_) / harness;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    std::string path = (dir / name).string();
    if (!write_file_bytes(path, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        failed_ = true;
    }
}
