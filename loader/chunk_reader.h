#pragma once
// The 3DS chunk reader: the walk over the chunk tree, the table of known chunks, the loader state
// the handlers share, and the readers of names, colours and percentages.
//
// A chunk is a six-byte header (16-bit id, 32-bit length counting the header, body and
// sub-chunks) followed by its body and sub-chunks. Every read a handler makes goes through a
// ChunkBody, which never reads past the end of the chunk it was made for.

#include <cstdint>
#include <cstdio>

#include "scene/name_index.h"
#include "scene/scene.h"

using ChunkHandler = void (*)(std::FILE* file, int depth, long end);

struct ChunkRow {
    uint16_t id;
    const char* name;
    ChunkHandler handler;  // null: a container, walked into
};

constexpr int CHUNK_TABLE_SIZE = 71;
extern const ChunkRow ChunkTable[CHUNK_TABLE_SIZE];

// Index of the first row with this id, or -1.
int find_chunk_row(uint16_t id);

struct LoaderState {
    Scene* scene;
    SceneNode* currentNode;
    int currentKind;
    char* currentName;
    Material* currentMaterial;
    TextureMap* currentMap;
    uint16_t objectNumber;
    float* floatColourTarget;
    uint8_t* byteColourTarget;
    uint16_t* intPercentTarget;
    float* floatPercentTarget;
    // The mesh whose "Triangular Mesh" chunk and the light whose "Light" chunk is being walked:
    // geometry and spotlight chunks apply only inside them.
    SceneNode* openMesh;
    SceneNode* openLight;
    // Bytes of image pixels (all levels) the scene's maps have decoded so far.
    uint64_t imageBytes;
    // Vertex keys (keys times vertices) the morph tracks of the scene hold so far.
    uint64_t morphVertexKeys;
    char nameBuffer[512];
};

// The one loader state, shared by every handler during a load.
extern LoaderState loader;

// Opens the file (names found regardless of case) and walks it into the scene; a missing file
// stops with "Could not find 3DS-file!".
void load_scene_file(const char* name, Scene& scene);

// Walks the chunks from the file position up to end, handing each known chunk to its handler.
void walk_chunks(std::FILE* file, int depth, long end);

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// The guard every handler starts with.
inline bool handler_guard_fails(std::FILE* file, int depth, long end)
{
    return !file || depth == -1 || end == -1;
}

// Reads of one chunk body, bounded by the chunk's end: a read that would cross it fails without
// reading.
struct ChunkBody {
    std::FILE* file;
    long pos;
    long end;

    ChunkBody(std::FILE* file, long end);
    long left() const { return pos < end ? end - pos : 0; }
    // count, cut to the number of items of itemSize bytes the rest of the chunk can hold.
    uint32_t fit(uint32_t count, uint32_t itemSize) const;

    bool bytes(void* out, size_t size);
    bool u8(uint8_t& value);
    bool u16(uint16_t& value);
    bool u32(uint32_t& value);
    bool f32(float& value);
    bool floats(float* out, int count);
    bool skip(long size);
};

// Reads a zero-terminated name into the loader's name buffer, upper-cased, and returns the buffer.
// A name longer than 511 bytes is cut there (the rest is skipped); a name that runs into the end
// of the chunk ends there; `terminated`, when given, tells whether the name's zero was read (a
// name without it was cut short, and names no record).
char* read_name(ChunkBody& body, bool* terminated = nullptr);

// Sub-chunk handlers: colours and percentages into their one-shot targets.
void read_colour_float(std::FILE* file, int depth, long end);
void read_colour_byte(std::FILE* file, int depth, long end);
void read_percent_int(std::FILE* file, int depth, long end);
void read_percent_float(std::FILE* file, int depth, long end);
void read_version(std::FILE* file, int depth, long end);
