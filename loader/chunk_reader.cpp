#include "loader/chunk_reader.h"

#include <cstring>

#include "core/fatal_error.h"
#include "core/file_open.h"

LoaderState loader;

namespace {

// The deepest real files nest six levels; anything beyond this is skipped rather than followed,
// so that a file of nested containers cannot exhaust the stack.
constexpr int MAX_DEPTH = 2 * 64;

// The float a file's four bytes hold (std::bit_cast is missing from some standard libraries the
// player is built with, such as the browser build's).
float float_from_bits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ChunkBody::ChunkBody(std::FILE* file, long end) : file(file), pos(std::ftell(file)), end(end)
{
    if (pos < 0)
        pos = end;  // a stream that cannot tell its position yields nothing
}

uint32_t ChunkBody::fit(uint32_t count, uint32_t itemSize) const
{
    uint64_t room = static_cast<uint64_t>(left()) / itemSize;
    return count < room ? count : static_cast<uint32_t>(room);
}

bool ChunkBody::bytes(void* out, size_t size)
{
    if (size > static_cast<size_t>(left()))
        return false;
    size_t got = std::fread(out, 1, size, file);
    pos += static_cast<long>(got);
    return got == size;
}

bool ChunkBody::u8(uint8_t& value) { return bytes(&value, 1); }

bool ChunkBody::u16(uint16_t& value)
{
    uint8_t b[2];
    if (!bytes(b, 2))
        return false;
    value = le16(b);
    return true;
}

bool ChunkBody::u32(uint32_t& value)
{
    uint8_t b[4];
    if (!bytes(b, 4))
        return false;
    value = le32(b);
    return true;
}

bool ChunkBody::f32(float& value)
{
    uint32_t bits;
    if (!u32(bits))
        return false;
    value = float_from_bits(bits);
    return true;
}

bool ChunkBody::floats(float* out, int count)
{
    uint8_t b[64];
    while (count > 0) {
        int n = count < 16 ? count : 16;
        if (!bytes(b, 4 * n))
            return false;
        for (int i = 0; i < n; ++i)
            out[i] = float_from_bits(le32(b + 4 * i));
        out += n;
        count -= n;
    }
    return true;
}

bool ChunkBody::skip(long size)
{
    if (size > left())
        return false;
    for (; size > 0; --size, ++pos)
        if (std::getc(file) == EOF)
            return false;
    return true;
}

char* read_name(ChunkBody& body, bool* terminated)
{
    if (terminated)
        *terminated = false;
    char* buffer = loader.nameBuffer;
    std::memset(buffer, 0, std::strlen(buffer));
    size_t length = 0;
    while (body.pos < body.end) {
        int c = std::getc(body.file);
        if (c == EOF)
            break;
        ++body.pos;
        if (c == 0) {
            if (terminated)
                *terminated = true;
            break;
        }
        if (length < sizeof loader.nameBuffer - 1)
            buffer[length++] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    buffer[length] = 0;
    loader.currentName = buffer;
    return buffer;
}

void walk_chunks(std::FILE* file, int depth, long end)
{
    long pos = std::ftell(file);
    while (pos >= 0 && pos < end) {
        long start = pos;
        // A header that does not fit in what is left of the parent ends this level.
        if (end - start < 6)
            return;
        uint8_t header[6];
        if (std::fread(header, 1, 6, file) != 6)
            return;
        uint16_t id = le16(header);
        uint32_t length = le32(header + 2);
        // A length below the header's own size would never advance: it ends this level. A chunk
        // reaching past its parent's end (a file cut short, most often) ends with its parent, so
        // that what the file holds up to the cut is read and nothing beyond the parent is.
        if (length < 6)
            return;
        long chunkEnd = length > static_cast<unsigned long>(end - start)
                            ? end
                            : start + static_cast<long>(length);
        int row = find_chunk_row(id);
        if (row >= 0 && depth + 2 <= MAX_DEPTH) {
            if (ChunkTable[row].handler)
                ChunkTable[row].handler(file, depth + 2, chunkEnd);
            else
                walk_chunks(file, depth + 2, chunkEnd);
        }
        if (std::fseek(file, chunkEnd, SEEK_SET) != 0 || std::ferror(file))
            return;
        pos = chunkEnd;
    }
}

void load_scene_file(const char* name, Scene& scene)
{
    FilePtr file = open_file(name, "rb");
    if (!file)
        fatal_error("Could not find 3DS-file!");
    // A fresh state for every load: nothing may point into the records of an earlier scene.
    loader = LoaderState{};
    loader.scene = &scene;
    loader.currentName = loader.nameBuffer;
    loadingNames.reset(&scene);
    // The index serves this load only, however it ends (a stop caught by a test unwinds).
    struct EndIndex {
        ~EndIndex() { loadingNames.reset(nullptr); }
    } endIndex;
    std::fseek(file.get(), 0, SEEK_END);
    long length = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    if (length > 0)
        walk_chunks(file.get(), 0, length);
}

// --- colour and percentage sub-chunks ---

void read_colour_float(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    float colour[3];
    if (!body.floats(colour, 3))
        return;
    if (loader.floatColourTarget) {
        std::memcpy(loader.floatColourTarget, colour, sizeof colour);
        loader.floatColourTarget = nullptr;
    }
}

void read_colour_byte(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    uint8_t colour[3];
    if (!body.bytes(colour, 3))
        return;
    if (loader.byteColourTarget) {
        std::memcpy(loader.byteColourTarget, colour, sizeof colour);
        loader.byteColourTarget = nullptr;
    }
}

void read_percent_int(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    uint16_t value;
    if (!body.u16(value))
        return;
    if (loader.intPercentTarget) {
        *loader.intPercentTarget = value;
        loader.intPercentTarget = nullptr;
    }
}

void read_percent_float(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    float value;
    if (!body.f32(value))
        return;
    if (loader.floatPercentTarget) {
        *loader.floatPercentTarget = value;
        loader.floatPercentTarget = nullptr;
    }
}

void read_version(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    uint32_t version;
    body.u32(version);  // read and discarded: every version loads alike
}
