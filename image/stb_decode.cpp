#include "image/stb_decode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "core/file_open.h"
#include "image/image_bounds.h"

namespace {

// The library's working memory is counted, and a request beyond the decode's limit fails as the
// heap would (the library then reports the image as broken): a header or a compressed stream
// cannot make it take more than the image could need. Each block carries its size in front.
struct DecoderHeap {
    uint64_t live = 0;
    uint64_t limit = 0;
};
DecoderHeap heap;

constexpr size_t size_prefix = 16;  // keeps the blocks aligned as malloc's

size_t block_size(void* block)
{
    size_t size;
    std::memcpy(&size, static_cast<uint8_t*>(block) - size_prefix, sizeof size);
    return size;
}

void* heap_malloc(size_t size)
{
    if (size > heap.limit - heap.live)
        return nullptr;
    auto* block = static_cast<uint8_t*>(std::malloc(size + size_prefix));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    heap.live += size;
    return block + size_prefix;
}

void heap_free(void* block)
{
    if (!block)
        return;
    heap.live -= block_size(block);
    std::free(static_cast<uint8_t*>(block) - size_prefix);
}

void* heap_realloc(void* block, size_t size)
{
    if (!block)
        return heap_malloc(size);
    size_t old = block_size(block);
    if (size > old && size - old > heap.limit - heap.live)
        return nullptr;
    auto* moved = static_cast<uint8_t*>(
        std::realloc(static_cast<uint8_t*>(block) - size_prefix, size + size_prefix));
    if (!moved)
        return nullptr;
    std::memcpy(moved, &size, sizeof size);
    heap.live = heap.live - old + size;
    return moved + size_prefix;
}

// The limit of one decode, lifted again when it ends.
struct HeapLimit {
    explicit HeapLimit(uint64_t limit)
    {
        heap.live = 0;
        heap.limit = limit;
    }
    ~HeapLimit() { heap.limit = 0; }
    HeapLimit(const HeapLimit&) = delete;
    HeapLimit& operator=(const HeapLimit&) = delete;
};

}  // namespace

#define STBI_MALLOC(size) heap_malloc(size)
#define STBI_REALLOC(block, size) heap_realloc(block, size)
#define STBI_FREE(block) heap_free(block)
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS max_image_side
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace {

// The library reads the open file through these callbacks. A read asked for at the end of the
// file means the image needed bytes the file does not have: BMP and TGA data cut short would
// otherwise complete with zeros.
struct Source {
    std::FILE* file;
    uint64_t size;
    uint64_t position = 0;
    bool ranOut = false;

    void restart()
    {
        std::fseek(file, 0, SEEK_SET);
        position = 0;
        ranOut = false;
    }
};

int source_read(void* user, char* data, int size)
{
    auto& source = *static_cast<Source*>(user);
    if (size <= 0)
        return 0;
    if (source.position >= source.size) {
        source.ranOut = true;
        return 0;
    }
    size_t count = std::fread(data, 1, size_t(size), source.file);
    source.position += count;
    if (count == 0)
        source.ranOut = true;
    return int(count);
}

void source_skip(void* user, int count)
{
    auto& source = *static_cast<Source*>(user);
    if (count <= 0)
        return;
    std::fseek(source.file, count, SEEK_CUR);
    source.position += uint64_t(count);
}

int source_eof(void* user)
{
    auto& source = *static_cast<Source*>(user);
    return source.position >= source.size;
}

constexpr stbi_io_callbacks callbacks = {source_read, source_skip, source_eof};

[[noreturn]] void broken(const char* name, const char* reason)
{
    std::fprintf(stderr, "%s: %s\n", name, reason);
    fatal_error(std::string("File ") + name + " is broken!");
}

uint32_t read_be32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

// Each kind's least size for the sides its header gives: a file that cannot hold its image is
// refused before the library sets aside room for it, so that a few bytes never ask for much.

// A PNG whose chunks run past the end of the file is cut short; one whose compressed data could
// not fill the image (deflate makes at most 1032 bytes of one) is broken as well. Both are
// refused before the library sets aside room for the chunks and the image.
const char* png_shortfall(std::FILE* file, uint64_t fileSize, int width, int height)
{
    uint8_t header[29];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(header, 1, sizeof header, file) != 29)
        return "cut short";
    static constexpr int channels_of_type[7] = {1, 0, 3, 1, 2, 0, 4};
    int depth = header[24], colourType = header[25];
    uint64_t channels = colourType < 7 ? uint64_t(channels_of_type[colourType]) : 0;
    uint64_t rowBytes = (uint64_t(width) * channels * uint64_t(depth) + 7) / 8;
    uint64_t needed = uint64_t(height) * (rowBytes + 1);

    uint64_t compressed = 0;
    // Every chunk header the library could read is looked at, also one whose checksum the end of
    // the file cuts off.
    for (uint64_t offset = 8; offset + 8 <= fileSize;) {
        uint8_t chunk[8];
        if (std::fseek(file, long(offset), SEEK_SET) != 0 ||
            std::fread(chunk, 1, sizeof chunk, file) != sizeof chunk)
            return "cut short";
        uint64_t length = read_be32(chunk);
        if (fileSize - offset < 12 || length > fileSize - offset - 12)
            return "chunk runs past the end of the file";
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0) {
            // The library copies the first image data chunk into a buffer it makes only for
            // data: an empty one would be copied to nowhere.
            if (compressed == 0 && length == 0)
                return "empty image data chunk";
            compressed += length;
        }
        if (std::memcmp(chunk + 4, "IEND", 4) == 0)
            break;
        offset += 12 + length;
    }
    if (compressed == 0)
        return "no image data";
    if (compressed * 1032 + 64 < needed)
        return "too little image data";
    return nullptr;
}

// The least a TGA file must hold for its sides: each pixel's bytes when raw, one packet of at
// most 128 pixels for each 128 pixels when run-length encoded. Raw true-colour and grey rows are
// read in blocks, which a file cut short would leave part unfilled without a read at its end.
const char* tga_shortfall(std::FILE* file, uint64_t fileSize, int width, int height)
{
    uint8_t header[18];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(header, 1, sizeof header, file) != 18)
        return "cut short";
    uint64_t pixels = uint64_t(width) * uint64_t(height);
    uint64_t bytesPerPixel = (uint64_t(header[16]) + 7) / 8;
    bool runLength = header[2] >= 8;
    uint64_t data = runLength ? (pixels + 127) / 128 * (1 + bytesPerPixel) : pixels * bytesPerPixel;
    return 18 + uint64_t(header[0]) + data > fileSize ? "too small for its sides" : nullptr;
}

// The least a BMP file must hold for its sides: the smallest header and the rows of pixels, the
// last one without its padding.
const char* bmp_shortfall(std::FILE* file, uint64_t fileSize, int width, int height)
{
    uint8_t header[30];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(header, 1, sizeof header, file) != 30)
        return "cut short";
    bool core = (header[14] | header[15] << 8) == 12;
    uint64_t bits = core ? header[24] | header[25] << 8 : header[28] | header[29] << 8;
    uint64_t rowBits = uint64_t(width) * bits;
    uint64_t data = (rowBits + 31) / 32 * 4 * uint64_t(height - 1) + (rowBits + 7) / 8;
    return 26 + data > fileSize ? "too small for its sides" : nullptr;
}

struct ImageFree {
    void operator()(stbi_uc* image) const { stbi_image_free(image); }
};

}  // namespace

void stb_decode(const char* name, ImageKind kind, Image& map)
{
    FilePtr file = open_file(name, "rb");
    if (!file)
        broken(name, "cannot be opened");
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        broken(name, "cannot be read");
    long end = std::ftell(file.get());
    if (end < 0)
        broken(name, "cannot be read");
    Source source{file.get(), uint64_t(end)};

    // The sides from the header first, so that nothing is set aside for a huge image.
    source.restart();
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_callbacks(&callbacks, &source, &width, &height, &channels))
        broken(name, stbi_failure_reason());
    if (kind == ImageKind::Bmp && height < 0 && height >= -max_image_side)
        height = -height;  // rows top down; the library's header read leaves the sign
    if (width < 1 || height < 1 || width > max_image_side || height > max_image_side)
        broken(name, "sides beyond 4096");
    const char* shortfall = nullptr;
    if (kind == ImageKind::Png)
        shortfall = png_shortfall(file.get(), source.size, width, height);
    else if (kind == ImageKind::Tga)
        shortfall = tga_shortfall(file.get(), source.size, width, height);
    else
        shortfall = bmp_shortfall(file.get(), source.size, width, height);
    if (shortfall)
        broken(name, shortfall);

    // Room for the compressed data twice over (it grows by doubling) and a few copies of the
    // image at 8 bytes a pixel (16-bit colour with alpha); a palette and headers fit in the rest.
    uint64_t limit = std::min<uint64_t>(
        decoder_memory, 2 * source.size + 4 * uint64_t(width) * uint64_t(height) * 8 + (1 << 20));
    HeapLimit heapLimit(limit);
    source.restart();
    int decodedWidth = 0, decodedHeight = 0;
    std::unique_ptr<stbi_uc, ImageFree> rgb(stbi_load_from_callbacks(
        &callbacks, &source, &decodedWidth, &decodedHeight, &channels, 3));
    if (!rgb)
        broken(name, stbi_failure_reason());
    if (source.ranOut)
        broken(name, "cut short");
    if (decodedWidth != width || decodedHeight != height)
        broken(name, "sides differ from the header's");

    size_t count = size_t(width) * size_t(height);
    auto* pixels = static_cast<uint32_t*>(alloc_block(uint32_t(count * 4)));
    const stbi_uc* in = rgb.get();
    for (size_t i = 0; i < count; ++i, in += 3)
        pixels[i] = uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    map.pixels = pixels;
    map.width = width;
    map.height = height;
    map.bytesPerPixel = 4;
    map.palette = nullptr;
}
