#include "image/pcx.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "core/file_open.h"
#include "image/image_bounds.h"
#include "image/texture_file.h"

namespace {

// Sides above max_image_side are refused before anything is allocated: the run-length data of a
// file cut short completes with bytes of 255, so a few bytes may ask for the whole image.
constexpr int max_side = max_image_side;

struct BlockFree {
    void operator()(void* block) const { std::free(block); }
};
using BlockPtr = std::unique_ptr<uint8_t, BlockFree>;

// Buffered reading of the run-length data. Past the end of the file every byte reads as 255, so
// a file cut short completes with runs of 63 bytes of 255.
struct ByteReader {
    explicit ByteReader(std::FILE* source) : file(source) {}

    std::FILE* file;
    uint8_t buffer[16384];
    size_t position = 0, length = 0;
    bool atEnd = false;

    uint8_t next()
    {
        if (position == length && !refill())
            return 255;
        return buffer[position++];
    }

    bool refill()
    {
        if (atEnd)
            return false;
        length = std::fread(buffer, 1, sizeof buffer, file);
        position = 0;
        atEnd = length == 0;
        return !atEnd;
    }

    // Reads count bytes; false when the file ends first.
    bool read(uint8_t* out, size_t count)
    {
        while (count > 0) {
            if (position == length && !refill())
                return false;
            size_t n = std::min(count, length - position);
            std::memcpy(out, buffer + position, n);
            position += n;
            out += n;
            count -= n;
        }
        return true;
    }
};

// Where the run-length decoder puts its bytes. Only the first `stride` bytes of every plane line
// are kept (the pixels never read more), so that the kept data always fits in the pixel block
// and the expansion in place never overtakes it, whatever the header's bytes per line.
struct PlaneSink {
    uint8_t* out;
    uint32_t bytesPerLine;
    uint32_t stride;  // min(bytes per line, width)
    uint32_t column = 0;
    uint64_t due;  // bytes per line x planes x height, still to come

    // A run that passes the end of the due bytes is cut there.
    void put(uint8_t value, uint64_t count)
    {
        while (count > 0 && due > 0) {
            uint64_t n = std::min<uint64_t>({count, bytesPerLine - column, due});
            if (column < stride) {
                uint32_t kept = std::min<uint32_t>(uint32_t(n), stride - column);
                std::memset(out, value, kept);
                out += kept;
            }
            column += uint32_t(n);
            if (column == bytesPerLine)
                column = 0;
            count -= n;
            due -= n;
        }
    }
};

void decode_runs(ByteReader& reader, PlaneSink& sink)
{
    while (sink.due > 0) {
        if (reader.atEnd && reader.position == reader.length) {
            sink.put(255, sink.due);  // what the endless runs of 255 would give
            break;
        }
        uint8_t c = reader.next();
        if ((c & 0xC0) == 0xC0) {
            uint8_t value = reader.next();
            sink.put(value, c & 0x3F);
        } else {
            sink.put(c, 1);
        }
    }
}

[[noreturn]] void not_pcx(const char* name)
{
    fatal_error(std::string("File ") + name + " is not a .pcx file!");
}

int read_u16(const uint8_t* bytes) { return bytes[0] | bytes[1] << 8; }

}  // namespace

void pcx_decode(char* name, Image& map)
{
    FilePtr file = open_image_file(name, "pcx");
    if (!file)
        fatal_error(std::string("No file ") + name + " found!");

    ByteReader reader(file.get());
    uint8_t header[128];
    if (!reader.read(header, sizeof header))
        not_pcx(name);
    if (header[0] != 10 && header[2] != 1)
        not_pcx(name);

    int xMin = read_u16(header + 4), yMin = read_u16(header + 6);
    int xMax = read_u16(header + 8), yMax = read_u16(header + 10);
    int planes = header[65];
    uint32_t bytesPerLine = uint32_t(read_u16(header + 66));
    // Only one plane (with palette) and three planes (red, green, blue) make an image; a size
    // that is negative or beyond any texture is refused before it is allocated.
    if (planes != 1 && planes != 3)
        not_pcx(name);
    if (xMax < xMin || yMax < yMin || xMax - xMin + 1 > max_side || yMax - yMin + 1 > max_side)
        not_pcx(name);
    int width = xMax - xMin + 1;
    int height = yMax - yMin + 1;
    map.width = width;
    map.height = height;
    map.bytesPerPixel = planes;

    uint32_t blockSize = uint32_t(width) * uint32_t(height) * 4;
    map.pixels = static_cast<uint32_t*>(alloc_block(blockSize));
    BlockPtr row(static_cast<uint8_t*>(alloc_block(uint32_t(width) * 4)));
    uint8_t* data = reinterpret_cast<uint8_t*>(map.pixels);

    uint32_t stride = std::min(bytesPerLine, uint32_t(width));
    PlaneSink sink{data, bytesPerLine, stride, 0, uint64_t(bytesPerLine) * planes * height};
    decode_runs(reader, sink);
    // A plane line narrower than the image reads on into the next one; what lies beyond the
    // decoded data reads as 0 rather than as whatever the heap held.
    size_t kept = size_t(sink.out - data);
    std::memset(data + kept, 0, blockSize - kept);

    // Expansion in place from the bottom row up: the 32-bit row y lands on bytes whose decoded
    // data (planes x stride bytes a row, at most 3 x width) has already been used.
    uint32_t* rowPixels = reinterpret_cast<uint32_t*>(row.get());
    if (planes == 3) {
        for (int y = height - 1; y >= 0; --y) {
            const uint8_t* red = data + size_t(3 * y) * stride;
            const uint8_t* green = red + stride;
            const uint8_t* blue = green + stride;
            for (int x = 0; x < width; ++x)
                rowPixels[x] = uint32_t(red[x]) << 16 | uint32_t(green[x]) << 8 | blue[x];
            std::memcpy(map.pixels + size_t(y) * width, rowPixels, size_t(width) * 4);
        }
    } else {
        uint8_t marker = reader.next();
        if (marker != 12)
            not_pcx(name);
        BlockPtr palette(static_cast<uint8_t*>(alloc_block(768)));
        map.palette = palette.get();
        if (!reader.read(palette.get(), 768)) {
            map.palette = nullptr;
            not_pcx(name);
        }
        uint32_t colours[256];
        for (int i = 0; i < 256; ++i) {
            const uint8_t* rgb = palette.get() + 3 * i;
            colours[i] = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        }
        for (int y = height - 1; y >= 0; --y) {
            const uint8_t* index = data + size_t(y) * stride;
            for (int x = 0; x < width; ++x)
                rowPixels[x] = colours[index[x]];
            std::memcpy(map.pixels + size_t(y) * width, rowPixels, size_t(width) * 4);
        }
    }
    map.palette = nullptr;
    map.bytesPerPixel = 4;
}
