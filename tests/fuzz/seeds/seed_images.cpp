#include "tests/fuzz/seeds/seed_images.h"

#include <algorithm>
#include <array>

#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

namespace seed_images {

namespace {

// A gradient with a few sharp edges, so that every decoder path (runs, literals, varied DCT
// blocks) has something to do.
std::vector<uint32_t> pattern(int width, int height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t red = uint32_t(x * 255 / width), green = uint32_t(y * 255 / height);
            uint32_t blue = (x / 4 + y / 4) % 2 ? 0xC0 : 0x10;
            pixels[size_t(y) * width + x] = red << 16 | green << 8 | blue;
        }
    }
    return pixels;
}

}  // namespace

std::vector<uint8_t> pcx_rgb(int width, int height)
{
    return encode_pcx_rgb(pattern(width, height), width, height);
}

std::vector<uint8_t> pcx_indexed(int width, int height)
{
    std::vector<uint8_t> indices(size_t(width) * height);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(i % 7 == 0 ? 200 : i / 3);
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = uint8_t(i);
        palette[3 * i + 1] = uint8_t(255 - i);
        palette[3 * i + 2] = uint8_t(i * 7);
    }
    return encode_pcx_indexed(indices, width, height, palette);
}

std::vector<uint8_t> jpeg(int width, int height, int quality)
{
    return encode_jpeg(pattern(width, height), width, height, quality);
}

namespace {

void put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, value);
    put16(out, value >> 16);
}

void put32_be(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

// The distinct colours in order of appearance, and each pixel's index among them.
struct Palette {
    std::vector<uint32_t> colours;
    std::vector<uint8_t> indices;
};

Palette make_palette(std::span<const uint32_t> pixels)
{
    Palette palette;
    for (uint32_t pixel : pixels) {
        auto at = std::find(palette.colours.begin(), palette.colours.end(), pixel);
        if (at == palette.colours.end())
            at = palette.colours.insert(at, pixel);
        palette.indices.push_back(uint8_t(at - palette.colours.begin()));
    }
    return palette;
}

// One pixel as its file stores it: an index, blue-green-red (and alpha), or grey.
void put_pixel(std::vector<uint8_t>& out, uint32_t pixel, uint8_t index, int bits, bool grey)
{
    if (bits == 8) {
        out.push_back(grey ? uint8_t(pixel >> 8) : index);
        return;
    }
    out.push_back(uint8_t(pixel));
    out.push_back(uint8_t(pixel >> 8));
    out.push_back(uint8_t(pixel >> 16));
    if (bits == 32)
        out.push_back(0x80);
}

uint32_t crc32_of(std::span<const uint8_t> bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

void put_chunk(std::vector<uint8_t>& out, const std::string& type, std::span<const uint8_t> data)
{
    put32_be(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    put32_be(out, crc32_of(std::span(out).subspan(start)));
}

// A zlib stream of stored blocks.
std::vector<uint8_t> zlib_stored(std::span<const uint8_t> data)
{
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t length = std::min<size_t>(data.size() - at, 65535);
        out.push_back(at + length == data.size() ? 1 : 0);
        put16(out, uint32_t(length));
        put16(out, uint32_t(~length & 0xFFFF));
        out.insert(out.end(), data.begin() + at, data.begin() + at + length);
        at += length;
    } while (at < data.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32_be(out, b << 16 | a);
    return out;
}

}  // namespace

std::vector<uint8_t> encode_bmp(std::span<const uint32_t> pixels, int width, int height, int bits,
                                bool topDown)
{
    Palette palette = make_palette(pixels);
    uint32_t paletteBytes = bits == 8 ? 1024 : 0;
    uint32_t rowBytes = (uint32_t(width) * uint32_t(bits) / 8 + 3) & ~3u;
    uint32_t offset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, offset + rowBytes * uint32_t(height));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, topDown ? uint32_t(-height) : uint32_t(height));
    put16(out, 1);
    put16(out, uint32_t(bits));
    for (int i = 0; i < 6; ++i)
        put32(out, 0);  // no compression, image size, resolution, colours used and important
    if (bits == 8) {
        for (size_t i = 0; i < 256; ++i)
            put32(out, i < palette.colours.size() ? palette.colours[i] : 0);
    }
    for (int row = 0; row < height; ++row) {
        int y = topDown ? row : height - 1 - row;
        size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            size_t i = size_t(y) * width + x;
            put_pixel(out, pixels[i], palette.indices[i], bits, false);
        }
        out.resize(start + rowBytes, 0);
    }
    return out;
}

std::vector<uint8_t> encode_tga(std::span<const uint32_t> pixels, int width, int height,
                                TgaColour colour, int bits, bool runLength, bool topLeft)
{
    Palette palette = make_palette(pixels);
    bool indexed = colour == TgaColour::Indexed, grey = colour == TgaColour::Grey;
    int imageType = (indexed ? 1 : grey ? 3 : 2) + (runLength ? 8 : 0);
    std::vector<uint8_t> out = {0, uint8_t(indexed ? 1 : 0), uint8_t(imageType)};
    put16(out, 0);
    put16(out, indexed ? uint32_t(palette.colours.size()) : 0);
    out.push_back(indexed ? 24 : 0);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint32_t(width));
    put16(out, uint32_t(height));
    out.push_back(uint8_t(bits));
    out.push_back(uint8_t((topLeft ? 0x20 : 0) | (bits == 32 ? 8 : 0)));
    if (indexed) {
        for (uint32_t entry : palette.colours)
            put_pixel(out, entry, 0, 24, false);
    }

    // Pixels in file order; a run-length packet never crosses a row.
    std::vector<size_t> order;
    for (int row = 0; row < height; ++row) {
        int y = topLeft ? row : height - 1 - row;
        for (int x = 0; x < width; ++x)
            order.push_back(size_t(y) * width + x);
    }
    auto put = [&](size_t i) { put_pixel(out, pixels[i], palette.indices[i], bits, grey); };
    if (!runLength) {
        for (size_t i : order)
            put(i);
        return out;
    }
    for (size_t at = 0; at < order.size();) {
        size_t rowEnd = (at / width + 1) * width;
        size_t run = 1;
        while (at + run < rowEnd && run < 128 && pixels[order[at + run]] == pixels[order[at]])
            ++run;
        if (run > 1) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            put(order[at]);
        } else {
            size_t count = 1;
            while (at + count < rowEnd && count < 128 &&
                   !(at + count + 1 < rowEnd &&
                     pixels[order[at + count]] == pixels[order[at + count + 1]]))
                ++count;
            out.push_back(uint8_t(count - 1));
            for (size_t i = 0; i < count; ++i)
                put(order[at + i]);
            run = count;
        }
        at += run;
    }
    return out;
}

std::vector<uint8_t> encode_png(int width, int height, int bitDepth, int colourType,
                                std::span<const uint8_t> scanLines,
                                std::span<const PngChunk> chunks, bool interlaced)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32_be(header, uint32_t(width));
    put32_be(header, uint32_t(height));
    header.insert(header.end(), {uint8_t(bitDepth), uint8_t(colourType), 0, 0,
                                 uint8_t(interlaced ? 1 : 0)});
    put_chunk(out, "IHDR", header);
    for (const PngChunk& chunk : chunks)
        put_chunk(out, chunk.type, chunk.data);
    put_chunk(out, "IDAT", zlib_stored(scanLines));
    put_chunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> encode_png_rgb(std::span<const uint32_t> pixels, int width, int height)
{
    std::vector<uint8_t> lines;
    for (int y = 0; y < height; ++y) {
        lines.push_back(0);
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = pixels[size_t(y) * width + x];
            lines.insert(lines.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
        }
    }
    return encode_png(width, height, 8, 2, lines);
}

std::vector<uint8_t> bmp(int width, int height, int bits)
{
    std::vector<uint32_t> pixels = pattern(width, height);
    if (bits == 8)
        for (uint32_t& pixel : pixels)
            pixel &= 0xE0E0C0;  // few enough colours for a palette
    return encode_bmp(pixels, width, height, bits);
}

std::vector<uint8_t> tga(int width, int height, int bits, bool runLength)
{
    std::vector<uint32_t> pixels = pattern(width, height);
    if (bits == 8)
        for (uint32_t& pixel : pixels)
            pixel &= 0xE0E0C0;
    TgaColour colour = bits == 8 ? TgaColour::Indexed : TgaColour::TrueColour;
    return encode_tga(pixels, width, height, colour, bits, runLength);
}

std::vector<uint8_t> png(int width, int height)
{
    return encode_png_rgb(pattern(width, height), width, height);
}

}  // namespace seed_images
