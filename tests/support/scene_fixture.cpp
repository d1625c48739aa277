#include "tests/support/scene_fixture.h"

#include <fstream>

#include "tools/writers/pcx_writer.h"

namespace fs = std::filesystem;

namespace scene_test {

void ScratchDir::write(const std::string& name, const std::string& text) const
{
    std::ofstream(dir.path / name, std::ios::binary) << text;
}

void ScratchDir::write_pcx(const std::string& name, int width, int height,
                           const std::vector<uint32_t>& pixels) const
{
    if (!write_file_bytes((dir.path / name).string(), encode_pcx_rgb(pixels, width, height)))
        ADD_FAILURE() << "cannot write " << name;
}

void ScratchDir::write_pcx(const std::string& name, int width, int height, uint32_t colour) const
{
    write_pcx(name, width, height, std::vector<uint32_t>(size_t(width) * height, colour));
}

void no_preparation(Scene&) {}

Scene* build(const ChunkWriter& writer)
{
    if (!writer.save("scene.3ds"))
        ADD_FAILURE() << "cannot write scene.3ds";
    return build_scene("scene.3ds", 640, 480, no_preparation);
}

ChunkWriter editor_file(const std::function<void(ChunkWriter&)>& editor,
                        const std::function<void(ChunkWriter&)>& keyframer)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.version(3);
    w.open(chunk_id::OBJECT_MESH_DATA);
    editor(w);
    w.close();
    if (keyframer) {
        w.open(chunk_id::KEYFRAMER_DATA);
        keyframer(w);
        w.close();
    }
    w.close();
    return w;
}

int count_nodes(const Scene& scene, int type)
{
    int count = 0;
    for (SceneNode* node = scene.nodes; node; node = node->next)
        count += node->type == type;
    return count;
}

MeshDesc triangle(const std::string& name)
{
    return MeshDesc{.name = name,
                    .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                    .faces = {{0, 1, 2}}};
}

}  // namespace scene_test
