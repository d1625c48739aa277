#pragma once
// What the scene tests share: scenes written with the chunk writer into a scratch directory and
// loaded from there as the player loads them, and fatal stops caught in-process.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "loader/scene_build.h"
#include "scene/scene_records.h"
#include "tests/support/fatal_stop.h"
#include "tests/support/scratch_dir.h"
#include "tools/writers/chunk_writer.h"

namespace scene_test {

// A scratch directory that is the working directory while it lives.
class ScratchDir {
public:
    const std::filesystem::path& path() const { return dir.path; }
    // Writes a text file (for images in the stand-in format, or any bytes).
    void write(const std::string& name, const std::string& text) const;
    // Writes a three-plane PCX image of pixels 0x00RRGGBB, top row first.
    void write_pcx(const std::string& name, int width, int height,
                   const std::vector<uint32_t>& pixels) const;
    // The same with every pixel one colour.
    void write_pcx(const std::string& name, int width, int height, uint32_t colour) const;

private:
    testing_support::ScratchDir dir{"scene_test"};
    testing_support::InDirectory current{dir.path};
};

void no_preparation(Scene&);

// Saves the writer's bytes as "scene.3ds" in the working directory and builds the scene from it.
Scene* build(const ChunkWriter& writer);

// A main chunk holding an editor section with the chunks the callback writes.
ChunkWriter editor_file(const std::function<void(ChunkWriter&)>& editor,
                        const std::function<void(ChunkWriter&)>& keyframer = nullptr);

// The mesh, light or camera record behind the first node of the type with the name.
template <class T>
T& record(Scene& scene, int type, const char* name)
{
    return *static_cast<T*>(find_node_by_name(scene, type, name)->data);
}

int count_nodes(const Scene& scene, int type);

// A one-triangle mesh.
MeshDesc triangle(const std::string& name);

}  // namespace scene_test
