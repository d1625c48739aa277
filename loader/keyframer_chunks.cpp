#include "loader/keyframer_chunks.h"

#include <cstdlib>
#include <cstring>

#include "anim/rotation_track.h"
#include "anim/spline_track.h"
#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "loader/chunk_reader.h"
#include "loader/scene_build.h"
#include "scene/scene_records.h"

namespace {

// A morph track holds one three-component track per vertex and key; beyond this many vertex keys,
// counted over all the morph tracks of a load, a file asks for more memory than any scene of ours
// needs.
constexpr uint64_t MAX_MORPH_VERTEX_KEYS = uint64_t(1) << 22;

// The node the track chunks of the open block apply to: the current node, when it is of the
// block's kind.
SceneNode* block_node()
{
    SceneNode* node = loader.currentNode;
    return node && node->type == loader.currentKind ? node : nullptr;
}

void open_block(std::FILE* file, int depth, long end, int kind)
{
    if (handler_guard_fails(file, depth, end))
        return;
    loader.currentKind = kind;
    // Tracks ahead of the block's header, or after the block, belong to no node.
    loader.currentNode = nullptr;
    walk_chunks(file, depth, end);
    loader.currentNode = nullptr;
    loader.currentKind = 0;
}

bool read_track_header(ChunkBody& body, uint16_t& flags, uint32_t& count)
{
    return body.u16(flags) && body.skip(8) && body.u32(count);
}

// Frame, spline flags and one float per set flag bit, lowest first; bits above the five
// parameters still take their float, which is dropped.
bool read_key(ChunkBody& body, Key& key)
{
    uint32_t frame;
    uint16_t flags;
    if (!body.u32(frame) || !body.u16(flags))
        return false;
    key.frame = static_cast<int>(frame);
    key.flags = flags;
    float* parameters[5] = {&key.tension, &key.continuity, &key.bias, &key.easeTo, &key.easeFrom};
    for (int bit = 0; bit < 16; ++bit) {
        if (!(flags & (1u << bit)))
            continue;
        float value;
        if (!body.f32(value))
            return false;
        if (bit < 5)
            *parameters[bit] = value;
    }
    return true;
}

void set_spans(Key* keys, int count)
{
    for (int i = 0; i < count; ++i) {
        // Frames are stored as 32-bit words: their difference wraps rather than overflows.
        keys[i].span = i + 1 < count ? static_cast<int>(static_cast<uint32_t>(keys[i + 1].frame) -
                                                        static_cast<uint32_t>(keys[i].frame))
                                     : 0;
    }
}

// A position, scale or colour track (width 3) or a field-of-view or roll track (width 1). A key
// count larger than the chunk can hold is cut to what it holds; a read that fails cuts the track
// to the keys read before it.
void read_spline_track(ChunkBody& body, Track& track, int width)
{
    uint16_t flags;
    uint32_t n;
    if (!read_track_header(body, flags, n))
        return;
    uint32_t count = body.fit(n, 6 + 4 * width);
    track.flags = flags;
    track.keys = alloc_array<Key>(count);
    track.values = alloc_array<float>(count * width);
    track.tangentIn = alloc_array<float>(count * width);
    track.tangentOut = alloc_array<float>(count * width);
    uint32_t read = 0;
    while (read < count && read_key(body, track.keys[read]) &&
           body.floats(track.values + read * width, width))
        ++read;
    track.keyCount = static_cast<int>(read);
    if (read == 0)
        return;
    if (width == 3)
        prepare_track(track);
    else
        prepare_scalar_track(track);
    set_spans(track.keys, track.keyCount);
}

void read_rotation_track(ChunkBody& body, RotationTrack& track)
{
    uint16_t flags;
    uint32_t n;
    if (!read_track_header(body, flags, n))
        return;
    uint32_t count = body.fit(n, 6 + 16);
    track.flags = flags;
    track.keys = alloc_array<Key>(count);
    track.orientation = alloc_array<Quaternion>(count);
    track.angleAxis = alloc_array<float[4]>(count);
    track.controlA = alloc_array<Quaternion>(count);
    track.controlB = alloc_array<Quaternion>(count);
    uint32_t read = 0;
    while (read < count && read_key(body, track.keys[read]) &&
           body.floats(track.angleAxis[read], 4))
        ++read;
    track.keyCount = static_cast<int>(read);
    if (read == 0)
        return;
    prepare_rotation_track(track);
    set_spans(track.keys, track.keyCount);
}

// One track per vertex, sharing the morph keys, holding each key's target shape in the target's
// own object space (the target's vertices are still in world space while the file is read).
void read_morph_track(ChunkBody& body, Mesh& mesh)
{
    MorphTrack& track = mesh.morphTrack;
    // A second morph chunk for the same mesh is ignored: replacing the first would lose its
    // tracks, and every further chunk would claim the vertex keys again.
    if (track.keys || track.vertexTracks)
        return;
    uint16_t flags;
    uint32_t n;
    if (!read_track_header(body, flags, n))
        return;
    uint32_t count = body.fit(n, 6 + 1);
    const uint32_t vertexCount = static_cast<uint32_t>(mesh.vertexCount);
    // Each term is at most 2^32 * 2^16 and the total stays below the bound, so nothing wraps.
    loader.morphVertexKeys += uint64_t(count) * vertexCount;
    if (loader.morphVertexKeys > MAX_MORPH_VERTEX_KEYS)
        fatal_error("Morph track too large!");
    track.flags = flags;
    track.keys = alloc_array<Key>(count);
    track.targetNames = alloc_array<char*>(count);
    uint32_t read = 0;
    bool whole = true;
    while (read < count && read_key(body, track.keys[read])) {
        const char* name = read_name(body, &whole);
        if (!whole)
            break;  // a key whose target name was cut short is not a key
        track.targetNames[read] = copy_name(name);
        ++read;
    }
    track.keyCount = static_cast<int>(read);

    track.vertexTrackCount = static_cast<int>(vertexCount);
    track.vertexTracks = alloc_array<Track>(vertexCount);
    for (uint32_t k = 0; k < vertexCount; ++k) {
        Track& vertexTrack = track.vertexTracks[k];
        vertexTrack.flags = flags;
        vertexTrack.keyCount = static_cast<int>(read);
        vertexTrack.keys = track.keys;
        vertexTrack.values = alloc_array<float>(3 * read);
        vertexTrack.tangentIn = alloc_array<float>(3 * read);
        vertexTrack.tangentOut = alloc_array<float>(3 * read);
    }
    for (uint32_t j = 0; j < read; ++j) {
        SceneNode* node = find_node_by_name(*loader.scene, NODE_MESH, track.targetNames[j]);
        const Mesh& target = *static_cast<Mesh*>(node->data);
        if (static_cast<uint32_t>(target.vertexCount) < vertexCount)
            fatal_error("Morph target has fewer vertices than its mesh!");
        const Matrix4& m = target.inverse;
        for (uint32_t k = 0; k < vertexCount; ++k) {
            const float* p = target.vertices[k].position;
            float* out = track.vertexTracks[k].values + 3 * j;
            for (int c = 0; c < 3; ++c)
                out[c] = p[0] * m(0, c) + p[1] * m(1, c) + p[2] * m(2, c) + m(3, c);
        }
    }
    if (read == 0)
        return;
    for (uint32_t k = 0; k < vertexCount; ++k)
        prepare_track(track.vertexTracks[k]);
    set_spans(track.keys, track.keyCount);
}

enum class KeyChunk { Position, Scale, Fov, Roll, Colour };

// The spline track a key chunk fills for the open block, or null when the block's kind has none.
Track* spline_track_for(KeyChunk chunk)
{
    if (chunk == KeyChunk::Colour && loader.currentKind == NODE_AMBIENT)
        return &loader.scene->ambientTrack;
    SceneNode* node = block_node();
    if (!node)
        return nullptr;
    switch (node->type) {
    case NODE_MESH: {
        Mesh* mesh = static_cast<Mesh*>(node->data);
        return chunk == KeyChunk::Position ? &mesh->positionTrack
             : chunk == KeyChunk::Scale    ? &mesh->scaleTrack
                                           : nullptr;
    }
    case NODE_DUMMY: {
        DummyObject* dummy = static_cast<DummyObject*>(node->data);
        return chunk == KeyChunk::Position ? &dummy->positionTrack
             : chunk == KeyChunk::Scale    ? &dummy->scaleTrack
                                           : nullptr;
    }
    case NODE_OMNI: {
        Light* light = static_cast<Light*>(node->data);
        return chunk == KeyChunk::Position ? &light->positionTrack
             : chunk == KeyChunk::Colour   ? &light->colourTrack
                                           : nullptr;
    }
    case NODE_CAMERA: {
        Camera* camera = static_cast<Camera*>(node->data);
        return chunk == KeyChunk::Position ? &camera->positionTrack
             : chunk == KeyChunk::Fov      ? &camera->fovTrack
             : chunk == KeyChunk::Roll     ? &camera->rollTrack
                                           : nullptr;
    }
    case NODE_CAMERA_TARGET:
        return chunk == KeyChunk::Position ? &static_cast<Camera*>(node->data)->targetTrack
                                           : nullptr;
    case NODE_SPOTLIGHT:
    case NODE_SPOT_TARGET: {
        SpotLight* spot = static_cast<SpotLight*>(node->data);
        if (chunk == KeyChunk::Colour)
            return &spot->colourTrack;
        if (chunk == KeyChunk::Position)
            return node->type == NODE_SPOTLIGHT ? &spot->positionTrack : &spot->targetTrack;
        return nullptr;
    }
    default:
        return nullptr;
    }
}

void read_keys(std::FILE* file, int depth, long end, KeyChunk chunk)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Track* track = spline_track_for(chunk);
    if (!track)
        return;
    ChunkBody body(file, end);
    bool scalar = chunk == KeyChunk::Fov || chunk == KeyChunk::Roll;
    read_spline_track(body, *track, scalar ? 1 : 3);
}

// The mesh of the open block, or null when the block is not a mesh's.
Mesh* block_mesh()
{
    SceneNode* node = block_node();
    return node && node->type == NODE_MESH ? static_cast<Mesh*>(node->data) : nullptr;
}

}  // namespace

void read_ambient_node(std::FILE* file, int depth, long end) { open_block(file, depth, end, NODE_AMBIENT); }
void read_mesh_node(std::FILE* file, int depth, long end) { open_block(file, depth, end, NODE_MESH); }
void read_camera_node(std::FILE* file, int depth, long end) { open_block(file, depth, end, NODE_CAMERA); }
void read_camera_target_node(std::FILE* file, int depth, long end)
{
    open_block(file, depth, end, NODE_CAMERA_TARGET);
}
void read_omni_node(std::FILE* file, int depth, long end) { open_block(file, depth, end, NODE_OMNI); }
void read_spot_target_node(std::FILE* file, int depth, long end)
{
    open_block(file, depth, end, NODE_SPOT_TARGET);
}
void read_spot_node(std::FILE* file, int depth, long end) { open_block(file, depth, end, NODE_SPOTLIGHT); }

void read_node_header(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    bool whole;
    const char* name = read_name(body, &whole);
    // A name the file's end cut short names no node.
    if (!whole || std::strcmp(name, "$AMBIENT$") == 0)
        return;
    SceneNode* node;
    if (std::strcmp(name, "$$$DUMMY") == 0) {
        DummyObject* dummy = alloc_record<DummyObject>();
        dummy->kind = KIND_DUMMY;
        dummy->instanceName = copy_name("");
        // Named by its "Dummy Object Name"; empty until then.
        node = add_node(*loader.scene, NODE_DUMMY, dummy, "");
        loader.currentKind = NODE_DUMMY;
    } else {
        switch (loader.currentKind) {
        case NODE_MESH: case NODE_OMNI: case NODE_DUMMY: case NODE_CAMERA:
        case NODE_CAMERA_TARGET: case NODE_SPOTLIGHT: case NODE_SPOT_TARGET: case NODE_AMBIENT:
            break;
        default:
            return;  // a header outside any node block names nothing
        }
        node = find_node_by_name(*loader.scene, loader.currentKind, name);
    }
    loader.currentNode = node;
    uint16_t flags1, flags2, parent;
    if (!body.u16(flags1) || !body.u16(flags2) || !body.u16(parent))
        return;
    node->objectNumber = loader.objectNumber;
    node->flags1 = static_cast<int16_t>(flags1);
    node->flags2 = static_cast<int16_t>(flags2);
    node->parent = parent;
}

void read_dummy_name(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end) || !loader.currentNode)
        return;
    ChunkBody body(file, end);
    const char* name = read_name(body);
    SceneNode* node = loader.currentNode;
    rename_node(*loader.scene, node, name);
    if (node->type == NODE_DUMMY) {
        // The name it replaces is the dummy's own copy (empty until now): given back, or it
        // would be lost for the rest of the run.
        auto* dummy = static_cast<DummyObject*>(node->data);
        std::free(dummy->instanceName);
        dummy->instanceName = copy_name(name);
    }
}

void read_pivot(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    SceneNode* node = block_node();
    if (!node)
        return;
    ChunkBody body(file, end);
    float pivot[3];
    if (!body.floats(pivot, 3))
        return;
    if (node->type == NODE_MESH)
        std::memcpy(static_cast<Mesh*>(node->data)->pivot, pivot, sizeof pivot);
    else if (node->type == NODE_DUMMY)
        std::memcpy(static_cast<DummyObject*>(node->data)->pivot, pivot, sizeof pivot);
}

void read_position_keys(std::FILE* file, int depth, long end)
{
    read_keys(file, depth, end, KeyChunk::Position);
}

void read_scale_keys(std::FILE* file, int depth, long end) { read_keys(file, depth, end, KeyChunk::Scale); }
void read_fov_keys(std::FILE* file, int depth, long end) { read_keys(file, depth, end, KeyChunk::Fov); }
void read_roll_keys(std::FILE* file, int depth, long end) { read_keys(file, depth, end, KeyChunk::Roll); }
void read_colour_keys(std::FILE* file, int depth, long end) { read_keys(file, depth, end, KeyChunk::Colour); }

void read_rotation_keys(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    SceneNode* node = block_node();
    if (!node)
        return;
    ChunkBody body(file, end);
    if (node->type == NODE_MESH)
        read_rotation_track(body, static_cast<Mesh*>(node->data)->rotationTrack);
    else if (node->type == NODE_DUMMY)
        read_rotation_track(body, static_cast<DummyObject*>(node->data)->rotationTrack);
}

void read_morph_keys(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = block_mesh();
    if (!mesh)
        return;
    ChunkBody body(file, end);
    read_morph_track(body, *mesh);
}

void read_hide_keys(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    Mesh* mesh = block_mesh();
    if (!mesh)
        return;
    ChunkBody body(file, end);
    uint32_t n;
    if (!body.skip(10) || !body.u32(n))
        return;
    uint32_t count = body.fit(n, 6);
    mesh->hideFrames = alloc_array<int>(count);
    mesh->hideCount = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t frame;
        uint16_t flags;
        if (!body.u32(frame) || !body.u16(flags))
            return;
        mesh->hideFrames[i] = static_cast<int>(frame);
        mesh->hideCount = static_cast<int>(i + 1);
    }
}

void read_object_number(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    body.u16(loader.objectNumber);
}

void read_frames(std::FILE* file, int depth, long end)
{
    if (handler_guard_fails(file, depth, end))
        return;
    ChunkBody body(file, end);
    if (body.u32(loader.scene->startFrame))
        body.u32(loader.scene->endFrame);
}
