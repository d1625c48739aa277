// Broken files: truncated, bit-flipped and chunk-shuffled variants of the shared scenes and of
// scenes written here. Each variant either loads or stops with one of the loader's messages (or
// an image's); none may crash, hang or touch memory it does not own (run under the sanitizers).

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "loader/chunk_ids.h"
#include "loader/chunk_reader.h"
#include "scene/scene_release.h"
#include "tests/fuzz/scene_messages.h"
#include "tests/support/file_contents.h"
#include "tests/support/scene_fixture.h"
#include "tests/support/skip_or_fail.h"
#include "tools/writers/jpeg_writer.h"

namespace fs = std::filesystem;
using namespace scene_test;
using Bytes = std::vector<uint8_t>;

namespace {

// --- a chunk tree, for moving whole chunks around ---

struct Chunk {
    uint16_t id;
    Bytes body;  // the bytes before the sub-chunks (all of them for a chunk read as a leaf)
    std::vector<std::unique_ptr<Chunk>> children;
};

// Where the sub-chunks of a chunk begin, for the chunks that have any; -1: read as a leaf.
long children_offset(uint16_t id, const uint8_t* body, size_t size)
{
    using namespace chunk_id;
    switch (id) {
    case MAIN_CHUNK: case OBJECT_MESH_DATA: case MATERIAL: case KEYFRAMER_DATA:
    case TRIANGULAR_MESH: case BACKGROUND_COLOR: case AMBIENT_COLOR:
    case MATERIAL_AMBIENT_COLOR: case DIFFUSE_COLOR: case SPECULAR_COLOR:
    case TRANSPARENCY_PERCENT: case REFLECTION_PERCENT: case TEXTURE_MAP_1: case TEXTURE_MAP_2:
    case OPACITY_MAP: case BUMP_MAP: case SHININESS_MAP: case SPECULAR_MAP: case SELF_ILLUM_MAP:
    case REFLECTION_MAP:
    case AMBIENT_TRACK: case MESH_TRACK: case CAMERA_TRACK: case CAMERA_TARGET_TRACK:
    case OMNI_TRACK: case SPOT_TARGET_TRACK: case SPOT_POSITION_TRACK:
        return 0;
    case OBJECT_BLOCK: {
        for (size_t i = 0; i < size; ++i)
            if (body[i] == 0)
                return static_cast<long>(i + 1);
        return -1;
    }
    case LIGHT: return 12;
    case SPOTLIGHT: return 20;
    case FACES_LIST: return size >= 2 ? 2 + 8 * long(body[0] | body[1] << 8) : -1;
    default: return -1;
    }
}

void parse(const uint8_t* data, size_t size, std::vector<std::unique_ptr<Chunk>>& out)
{
    size_t pos = 0;
    while (pos + 6 <= size) {
        uint32_t length = le32(data + pos + 2);
        if (length < 6 || length > size - pos)
            return;
        auto chunk = std::make_unique<Chunk>();
        chunk->id = static_cast<uint16_t>(data[pos] | data[pos + 1] << 8);
        const uint8_t* body = data + pos + 6;
        size_t bodySize = length - 6;
        long split = children_offset(chunk->id, body, bodySize);
        if (split < 0 || size_t(split) > bodySize) {
            chunk->body.assign(body, body + bodySize);
        } else {
            chunk->body.assign(body, body + split);
            parse(body + split, bodySize - split, chunk->children);
        }
        out.push_back(std::move(chunk));
        pos += length;
    }
}

void serialise(const Chunk& chunk, Bytes& out)
{
    size_t start = out.size();
    out.insert(out.end(), {uint8_t(chunk.id), uint8_t(chunk.id >> 8), 0, 0, 0, 0});
    out.insert(out.end(), chunk.body.begin(), chunk.body.end());
    for (const auto& child : chunk.children)
        serialise(*child, out);
    uint32_t length = static_cast<uint32_t>(out.size() - start);
    for (int i = 0; i < 4; ++i)
        out[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
}

// Every list of sub-chunks in the tree.
void lists(std::vector<std::unique_ptr<Chunk>>& list,
           std::vector<std::vector<std::unique_ptr<Chunk>>*>& out)
{
    out.push_back(&list);
    for (auto& chunk : list)
        lists(chunk->children, out);
}

std::unique_ptr<Chunk> copy(const Chunk& chunk)
{
    auto result = std::make_unique<Chunk>();
    result->id = chunk.id;
    result->body = chunk.body;
    for (const auto& child : chunk.children)
        result->children.push_back(copy(*child));
    return result;
}

// Moves, copies, swaps or drops chunks between any two places of the tree, with every length
// still right: chunks out of place rather than broken lengths.
Bytes shuffle(const Bytes& file, std::mt19937& random)
{
    std::vector<std::unique_ptr<Chunk>> root;
    parse(file.data(), file.size(), root);
    int operations = 1 + random() % 3;
    for (int op = 0; op < operations; ++op) {
        std::vector<std::vector<std::unique_ptr<Chunk>>*> all;
        lists(root, all);
        auto* from = all[random() % all.size()];
        auto* to = all[random() % all.size()];
        if (from->empty())
            continue;
        size_t i = random() % from->size();
        switch (random() % 4) {
        case 0:  // copy anywhere
            to->insert(to->begin() + (to->empty() ? 0 : random() % (to->size() + 1)), copy(*(*from)[i]));
            break;
        case 1:  // swap within a list
            std::swap((*from)[i], (*from)[random() % from->size()]);
            break;
        case 2:  // drop
            from->erase(from->begin() + i);
            break;
        default: {  // move (a chunk into its own sub-tree becomes a copy instead)
            auto moved = copy(*(*from)[i]);
            from->erase(from->begin() + i);
            std::vector<std::vector<std::unique_ptr<Chunk>>*> after;
            lists(root, after);
            auto* target = after[random() % after.size()];
            target->insert(target->begin() + (target->empty() ? 0 : random() % (target->size() + 1)),
                           std::move(moved));
        }
        }
    }
    Bytes out;
    for (const auto& chunk : root)
        serialise(*chunk, out);
    return out;
}

Bytes flip_bits(Bytes file, std::mt19937& random)
{
    int flips = 1 + random() % 8;
    for (int i = 0; i < flips && !file.empty(); ++i)
        file[random() % file.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
    return file;
}

Bytes truncate(Bytes file, std::mt19937& random)
{
    file.resize(file.empty() ? 0 : random() % file.size());
    return file;
}

// Overwrites one 32-bit word with a length-like value: zero, tiny, huge or just past the end.
Bytes break_length(Bytes file, std::mt19937& random)
{
    if (file.size() < 8)
        return file;
    size_t at = random() % (file.size() - 4);
    const uint32_t values[] = {0, 1, 5, 6, 0xFFFFFFFF, 0x7FFFFFFF, uint32_t(file.size() - at + 1),
                               uint32_t(random())};
    uint32_t value = values[random() % std::size(values)];
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return file;
}

// Loads the bytes as a scene in the working directory; returns "" or the fatal message.
std::string load_variant(const Bytes& bytes)
{
    {
        std::ofstream out("variant.3ds", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string stop = fatal_message([] { build_scene("variant.3ds", 640, 480, no_preparation); });
    release_scene(loader.scene);
    loader.scene = nullptr;
    return stop;
}

// The scenes written here: every chunk the loader knows, in its place.
std::vector<Bytes> crafted_scenes()
{
    std::vector<Bytes> scenes;
    ChunkWriter w = editor_file(
        [](ChunkWriter& w) {
            w.background(0.1f, 0.2f, 0.3f);
            w.ambient(0.2f, 0.2f, 0.2f);
            w.material({.name = "WALL",
                        .transparencyPercent = 30,
                        .twoSided = true,
                        .maps = {{.fileName = "tex.pcx", .hasScale = true},
                                 {.slot = chunk_id::OPACITY_MAP, .fileName = "mask.pcx"},
                                 {.slot = chunk_id::REFLECTION_MAP, .fileName = "tex.pcx"}}});
            w.material({.name = "CHROME",
                        .additive = true,
                        .maps = {{.slot = chunk_id::REFLECTION_MAP, .fileName = "tex.pcx"},
                                 {.slot = chunk_id::OPACITY_MAP, .fileName = "mask.pcx"}}});
            MeshDesc box{.name = "BOX",
                         .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}},
                         .faces = {{0, 1, 2, 0x0F}, {0, 2, 3, 0x17}, {4, 5, 1}, {3, 4, 5}},
                         .faceMaterials = {{"WALL", {0, 1}}, {"CHROME", {2, 3}}},
                         .mappings = {{0, 0}, {0.9f, 0}, {1, 1}, {0.05f, 1}, {0, 0.5f}, {1, 0.5f}},
                         .matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4}};
            w.mesh_object(box);
            box.name = "MORPHED";
            w.mesh_object(box);
            w.omni_object("LAMP", {5, 5, 5}, {1, 1, 1});
            w.begin_object("SPOT");
            w.begin_light({0, 5, 0}, {1, 0.5f, 0.5f});
            w.float_chunk(chunk_id::RANGE_END, 40);
            w.spotlight({0, 0, 0}, 20, 40);
            w.close();
            w.close();
            w.camera_object("CAM", {0, 0, -10}, {0, 0, 0}, 0, 50);
        },
        [](ChunkWriter& w) {
            auto k3 = [](int f, float x) { return KeyDesc{.frame = f, .flags = 0x1F, .tension = 0.1f, .value = {x, x, x}}; };
            w.frames(0, 100);
            w.begin_node(chunk_id::AMBIENT_TRACK, 0xFFFF, "$AMBIENT$");
            w.track(chunk_id::COLOR_KEYS, {k3(0, 0.1f), k3(50, 0.5f)});
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 0, "$$$DUMMY");
            w.dummy_name("GROUP");
            w.pivot({1, 1, 1});
            w.track(chunk_id::POSITION_KEYS, {k3(0, 0), k3(20, 5)});
            w.track(chunk_id::ROTATION_KEYS, {{.frame = 0, .value = {1, 0, 0, 1}}, {.frame = 9, .value = {7, 1, 0, 0}}});
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 1, "BOX", 0);
            w.pivot({0.5f, 0.5f, 0});
            w.track(chunk_id::POSITION_KEYS, {k3(0, 0), k3(10, 1), k3(20, 0)}, 3);
            w.track(chunk_id::SCALE_KEYS, {k3(0, 1)});
            w.track(chunk_id::ROTATION_KEYS, {{.frame = 0, .value = {0, 0, 0, 1}}, {.frame = 30, .value = {3.14f, 0, 1, 0}}}, 2);
            w.hide_track(std::vector<int32_t>{10, 20});
            w.close();
            w.begin_node(chunk_id::MESH_TRACK, 2, "MORPHED", 1);
            w.track(chunk_id::MORPH_KEYS, {{.frame = 0, .morphTarget = "BOX"}, {.frame = 40, .morphTarget = "MORPHED"}});
            w.close();
            w.begin_node(chunk_id::OMNI_TRACK, 3, "LAMP");
            w.track(chunk_id::POSITION_KEYS, {k3(0, 5)});
            w.track(chunk_id::COLOR_KEYS, {k3(0, 1)});
            w.close();
            w.begin_node(chunk_id::SPOT_POSITION_TRACK, 4, "SPOT");
            w.track(chunk_id::POSITION_KEYS, {k3(0, 5)});
            w.close();
            w.begin_node(chunk_id::SPOT_TARGET_TRACK, 5, "SPOT");
            w.track(chunk_id::POSITION_KEYS, {k3(0, 0)});
            w.close();
            w.begin_node(chunk_id::CAMERA_TRACK, 6, "CAM");
            w.track(chunk_id::POSITION_KEYS, {k3(0, -10)});
            w.track(chunk_id::FOV_KEYS, {{.frame = 0, .value = {50}}, {.frame = 10, .value = {30}}});
            w.track(chunk_id::ROLL_KEYS, {{.frame = 0, .flags = 0x100, .value = {0}}});
            w.close();
            w.begin_node(chunk_id::CAMERA_TARGET_TRACK, 7, "CAM");
            w.track(chunk_id::POSITION_KEYS, {k3(0, 0)});
            w.close();
        });
    scenes.push_back(w.bytes());
    return scenes;
}

void write_small_jpeg(const fs::path& path)
{
    std::vector<uint32_t> pixels(16, 0x8040C0);
    ASSERT_TRUE(write_jpeg(path.string(), pixels, 4, 4));
}

void run_variants(const Bytes& base, int count, uint32_t seed, const std::string& label)
{
    std::mt19937 random(seed);
    int loaded = 0;
    for (int i = 0; i < count; ++i) {
        Bytes variant;
        switch (i % 4) {
        case 0: variant = truncate(base, random); break;
        case 1: variant = flip_bits(base, random); break;
        case 2: variant = shuffle(base, random); break;
        default: variant = break_length(flip_bits(base, random), random); break;
        }
        std::string stop = load_variant(variant);
        if (stop.empty())
            ++loaded;
        else
            ASSERT_TRUE(is_scene_stop(stop)) << label << " variant " << i << ": " << stop;
    }
    // Most variants of a sound file still load: the walk goes on past what it cannot use.
    EXPECT_GT(loaded, count / 10) << label;
}

// A mesh object of an intact file, as its chunks give it.
struct MeshInFile {
    std::string name;
    size_t end;  // where its "Object Block" ends
    int vertices, faces;
};

uint16_t read16(const Bytes& file, size_t at) { return static_cast<uint16_t>(file[at] | file[at + 1] << 8); }

// The mesh objects of an intact file in file order, found by following the chunk lengths down
// the main chunk, the editor section, the object blocks and their meshes.
void find_meshes(const Bytes& file, size_t from, size_t to, std::string name,
                 std::vector<MeshInFile>& out, MeshInFile* mesh)
{
    for (size_t at = from; at + 6 <= to;) {
        uint16_t id = read16(file, at);
        uint32_t length = le32(file.data() + at + 2);
        ASSERT_GE(length, 6u);
        ASSERT_LE(length, to - at);
        size_t body = at + 6, end = at + length;
        if (id == chunk_id::MAIN_CHUNK || id == chunk_id::OBJECT_MESH_DATA) {
            find_meshes(file, body, end, name, out, nullptr);
        } else if (id == chunk_id::OBJECT_BLOCK) {
            size_t zero = body;
            while (zero < end && file[zero] != 0)
                ++zero;
            std::string object(file.begin() + long(body), file.begin() + long(zero));
            for (char& c : object)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            find_meshes(file, zero + 1, end, object, out, nullptr);
        } else if (id == chunk_id::TRIANGULAR_MESH) {
            out.push_back({name, to, 0, 0});
            find_meshes(file, body, end, name, out, &out.back());
        } else if (id == chunk_id::VERTICES_LIST && mesh) {
            mesh->vertices = read16(file, body);
        } else if (id == chunk_id::FACES_LIST && mesh) {
            mesh->faces = read16(file, body);
        }
        at = end;
    }
}

}  // namespace

TEST(Robustness, SharedScenesCutShortLoadTheMeshesBeforeTheCut)
{
    fs::path scenes = fs::path(SHARED_DIR) / "scenes";
    if (!fs::exists(scenes / "test1.3ds") || !fs::exists(scenes / "jeep1.3ds"))
        SKIP_OR_FAIL_IN_CI("no test1.3ds and jeep1.3ds in " << scenes);
    ScratchDir dir;
    for (const auto& entry : fs::directory_iterator(scenes))
        if (entry.path().extension() == ".jpg")
            write_small_jpeg(dir.path() / entry.path().filename());
    for (const char* name : {"test1.3ds", "jeep1.3ds"}) {
        const Bytes intact = testing_support::read_bytes(scenes / name);
        std::vector<MeshInFile> meshes;
        find_meshes(intact, 0, intact.size(), "", meshes, nullptr);
        ASSERT_GE(meshes.size(), 3u) << name;
        // On the end of every object but the last, half-way into the next one, and one byte
        // short of the file's end.
        std::vector<size_t> cuts = {intact.size() - 1};
        for (size_t i = 0; i + 1 < meshes.size(); ++i)
            cuts.insert(cuts.end(), {meshes[i].end, (meshes[i].end + meshes[i + 1].end) / 2});
        for (size_t cut : cuts) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
            size_t whole = 0;
            while (whole < meshes.size() && meshes[whole].end <= cut)
                ++whole;
            {
                std::ofstream out("cut.3ds", std::ios::binary);
                out.write(reinterpret_cast<const char*>(intact.data()), static_cast<std::streamsize>(cut));
            }
            Scene* scene = nullptr;
            ASSERT_EQ(fatal_message([&] { scene = build_scene("cut.3ds", 640, 480, no_preparation); }), "");
            std::vector<const SceneNode*> loaded;  // oldest first
            for (const SceneNode* node = scene->nodes; node; node = node->next)
                if (node->type == NODE_MESH)
                    loaded.insert(loaded.begin(), node);
            // The meshes before the cut whole, and at most the one the cut goes through in part.
            ASSERT_GE(loaded.size(), whole);
            EXPECT_LE(loaded.size(), whole + 1);
            for (size_t i = 0; i < whole; ++i) {
                const Mesh& mesh = *static_cast<const Mesh*>(loaded[i]->data);
                EXPECT_EQ(mesh.name, meshes[i].name);
                EXPECT_EQ(mesh.vertexCount, meshes[i].vertices) << mesh.name;
                EXPECT_EQ(mesh.faceCount, meshes[i].faces) << mesh.name;
            }
            release_scene(scene);
            loader.scene = nullptr;
        }
    }
}

TEST(Robustness, CraftedScenesLoadOrStopWithAMessage)
{
    ScratchDir dir;
    dir.write_pcx("tex.pcx", 8, 4, 0x336699);
    dir.write_pcx("mask.pcx", 3, 5, 0x808080);
    Bytes base = crafted_scenes()[0];
    // The shuffled variants are only as good as the chunk tree they shuffle: parsing and
    // serialising must give the file back.
    std::vector<std::unique_ptr<Chunk>> root;
    parse(base.data(), base.size(), root);
    Bytes again;
    for (const auto& chunk : root)
        serialise(*chunk, again);
    ASSERT_EQ(again, base);
    ASSERT_EQ(load_variant(base), "");
    run_variants(base, 1200, 1, "crafted");
}

TEST(Robustness, SharedScenesLoadOrStopWithAMessage)
{
    fs::path scenes = fs::path(SHARED_DIR) / "scenes";
    if (!fs::exists(scenes))
        SKIP_OR_FAIL_IN_CI("no " << scenes);
    ScratchDir dir;
    // Small stand-ins for the textures: the images' own robustness is tested with the images.
    for (const auto& entry : fs::directory_iterator(scenes))
        if (entry.path().extension() == ".jpg")
            write_small_jpeg(dir.path() / entry.path().filename());
    uint32_t seed = 100;
    for (const char* name : {"test1.3ds", "jeep1.3ds", "fels.3ds", "Granate.3DS", "RotatingCube.3DS",
                             "TargetCameraAnim.3ds"}) {
        const Bytes base = testing_support::read_bytes(scenes / name);
        ASSERT_FALSE(base.empty()) << name;
        ASSERT_EQ(load_variant(base), "") << name;
        run_variants(base, 400, seed++, name);
    }
}
