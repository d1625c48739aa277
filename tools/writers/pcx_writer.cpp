#include "tools/writers/pcx_writer.h"

#include <cstdio>
#include <stdexcept>

#include "core/file_open.h"

namespace {

void put_u16(std::vector<uint8_t>& out, size_t at, int value)
{
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
}

int padded_line(int width) { return (width + 1) & ~1; }

std::vector<uint8_t> header(int width, int height, int planes)
{
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        throw std::invalid_argument("PCX sides must be 1 to 65535");
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version
    out[2] = 1;   // run-length encoding
    out[3] = 8;   // bits per pixel and plane
    put_u16(out, 8, width - 1);
    put_u16(out, 10, height - 1);
    put_u16(out, 12, 72);
    put_u16(out, 14, 72);
    out[65] = uint8_t(planes);
    put_u16(out, 66, padded_line(width));
    put_u16(out, 68, 1);  // colour palette
    return out;
}

// One plane line: runs of up to 63 equal bytes; a single byte with its two top bits set needs a
// run of one.
void encode_line(std::vector<uint8_t>& out, const std::vector<uint8_t>& line)
{
    size_t i = 0;
    while (i < line.size()) {
        uint8_t value = line[i];
        size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == value)
            ++run;
        if (run > 1 || (value & 0xC0) == 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(value);
        i += run;
    }
}

}  // namespace

std::vector<uint8_t> encode_pcx_rgb(std::span<const uint32_t> pixels, int width, int height)
{
    std::vector<uint8_t> out = header(width, height, 3);
    if (pixels.size() < size_t(width) * height)
        throw std::invalid_argument("too few pixels");
    std::vector<uint8_t> line(padded_line(width), 0);
    for (int y = 0; y < height; ++y)
        for (int shift : {16, 8, 0}) {
            for (int x = 0; x < width; ++x)
                line[x] = uint8_t(pixels[size_t(y) * width + x] >> shift);
            encode_line(out, line);
        }
    return out;
}

std::vector<uint8_t> encode_pcx_indexed(std::span<const uint8_t> indices, int width, int height,
                                        std::span<const uint8_t, 768> palette)
{
    std::vector<uint8_t> out = header(width, height, 1);
    if (indices.size() < size_t(width) * height)
        throw std::invalid_argument("too few pixels");
    std::vector<uint8_t> line(padded_line(width), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            line[x] = indices[size_t(y) * width + x];
        encode_line(out, line);
    }
    out.push_back(12);
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
}

bool write_file_bytes(const std::string& path, std::span<const uint8_t> bytes)
{
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    if (bytes.empty())
        return true;
    return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}
