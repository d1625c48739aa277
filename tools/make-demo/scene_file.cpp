#include "tools/make-demo/scene_file.h"

#include "tools/make-demo/choreography.h"
#include "tools/make-demo/stage.h"
#include "tools/writers/chunk_writer.h"

namespace demo {

std::vector<uint8_t> build_scene_file()
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.version(3);
    w.open(chunk_id::OBJECT_MESH_DATA);
    write_stage(w);
    w.close();
    w.open(chunk_id::KEYFRAMER_DATA);
    write_choreography(w);
    w.close();
    w.close();
    return w.bytes();
}

}  // namespace demo
