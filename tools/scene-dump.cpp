// scene-dump FILE.3ds [--frames F,F...]: loads a scene the way the player does (from the file's
// own directory, so that its texture names resolve as they will at run time) and prints what was
// loaded as JSON: materials and nodes in list order (newest first), with meshes, lights, cameras
// and track sizes. With --frames, "animation" holds for each frame asked for what the scene
// update and the world pass made of it: every node's world matrix, each mesh's visibility, the
// camera's position, target, direction, field of view and roll, the lights and the ambient colour.
// With --files it prints instead the files the player opens from the folder, one path a line
// relative to it, as found there (letter case, backslashes, the JPG and PCX fall-backs): the
// scene, its images and the music; the web build fetches exactly these.

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "anim/scene_update.h"
#include "app/player.h"
#include "core/file_open.h"
#include "loader/scene_build.h"

namespace {

// A small pretty-printing JSON writer: one member or element a line, number lists inline.
class Json {
public:
    void open(char bracket)
    {
        prefix();
        std::putchar(bracket);
        empty_.push_back(true);
    }
    void close(char bracket)
    {
        bool wasEmpty = empty_.back();
        empty_.pop_back();
        if (!wasEmpty)
            indent();
        std::putchar(bracket);
    }
    void key(std::string_view name)
    {
        prefix();
        quoted(name);
        std::fputs(": ", stdout);
        afterKey_ = true;
    }
    void text(std::string_view s)
    {
        prefix();
        quoted(s);
    }
    void name(const char* s)
    {
        if (s)
            text(s);
        else
            raw("null");
    }
    void number(double value) { raw(format(value)); }
    void integer(long long value) { raw(std::to_string(value)); }
    void boolean(bool value) { raw(value ? "true" : "false"); }
    void numbers(const float* values, int count)
    {
        std::string list = "[";
        for (int i = 0; i < count; ++i)
            list += (i ? ", " : "") + format(values[i]);
        raw(list + "]");
    }
    void raw(std::string_view s)
    {
        prefix();
        std::fwrite(s.data(), 1, s.size(), stdout);
    }
    void end() { std::putchar('\n'); }

private:
    static std::string format(double value)
    {
        if (!std::isfinite(value))
            return "null";
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", value);
        return buffer;
    }
    void quoted(std::string_view s)
    {
        std::putchar('"');
        for (unsigned char c : s) {
            if (c == '"' || c == '\\')
                std::printf("\\%c", c);
            else if (c < 0x20 || c >= 0x7F)
                std::printf("\\u%04x", c);
            else
                std::putchar(c);
        }
        std::putchar('"');
    }
    void indent()
    {
        std::putchar('\n');
        for (size_t i = 0; i < empty_.size(); ++i)
            std::fputs("  ", stdout);
    }
    // Before a value or key: nothing after a key, else a comma and a new line inside a container.
    void prefix()
    {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (empty_.empty())
            return;
        if (!empty_.back())
            std::putchar(',');
        empty_.back() = false;
        indent();
    }

    std::vector<bool> empty_;
    bool afterKey_ = false;
};

const char* type_name(int type)
{
    switch (type) {
    case NODE_MESH: return "mesh";
    case NODE_OMNI: return "omni";
    case NODE_DUMMY: return "dummy";
    case NODE_CAMERA: return "camera";
    case NODE_CAMERA_TARGET: return "camera target";
    case NODE_SPOTLIGHT: return "spotlight";
    case NODE_SPOT_TARGET: return "spotlight target";
    default: return "unknown";
    }
}

void dump_maps(Json& json, const Material& material)
{
    const std::pair<const char*, TextureMap*> slots[] = {
        {"texture1", material.texture1},       {"texture2", material.texture2},
        {"opacity", material.opacityMap},      {"bump", material.bumpMap},
        {"shininess", material.shininessMap},  {"specular", material.specularMap},
        {"selfIllum", material.selfIllumMap},  {"reflection", material.reflectionMap}};
    json.key("maps");
    json.open('[');
    for (const auto& [slot, map] : slots) {
        if (!map)
            continue;
        json.open('{');
        json.key("slot"), json.text(slot);
        json.key("file"), json.name(map->fileName);
        json.key("width"), json.integer(map->width);
        json.key("height"), json.integer(map->height);
        int levels = 0;
        for (ImageLevel* level = map->levels; level; level = level->next)
            ++levels;
        json.key("levels"), json.integer(levels);
        json.key("uScale"), json.number(map->uScale);
        json.key("vScale"), json.number(map->vScale);
        json.key("uOffset"), json.number(map->uOffset);
        json.key("vOffset"), json.number(map->vOffset);
        json.close('}');
    }
    json.close(']');
}

void dump_material(Json& json, const Material& material)
{
    json.open('{');
    json.key("name"), json.name(material.name);
    json.key("shading"), json.integer(material.shading);
    json.key("transparency"), json.number(material.transparency);
    json.key("transparent"), json.boolean(material.blendTable != nullptr);
    json.key("additive"), json.boolean(material.additive);
    json.key("twoSided"), json.boolean(material.twoSided);
    json.key("wireframe"), json.boolean(material.wireframe);
    json.key("envMapped"), json.boolean(material.envMapped);
    json.key("reflection"), json.number(material.reflection);
    dump_maps(json, material);
    json.close('}');
}

void dump_mesh(Json& json, const Mesh& mesh)
{
    json.key("vertices"), json.integer(mesh.vertexCount);
    json.key("faces"), json.integer(mesh.faceCount);
    json.key("boxMin"), json.numbers(mesh.box[0], 3);
    json.key("boxMax"), json.numbers(mesh.box[6], 3);
    json.key("pivot"), json.numbers(mesh.pivot, 3);
    json.key("keys");
    json.open('{');
    json.key("position"), json.integer(mesh.positionTrack.keyCount);
    json.key("rotation"), json.integer(mesh.rotationTrack.keyCount);
    json.key("scale"), json.integer(mesh.scaleTrack.keyCount);
    json.key("morph"), json.integer(mesh.morphTrack.keyCount);
    json.key("hide"), json.integer(mesh.hideCount);
    json.close('}');
}

void dump_node(Json& json, const SceneNode& node)
{
    json.open('{');
    json.key("type"), json.text(type_name(node.type));
    json.key("name"), json.name(node.name);
    json.key("objectNumber"), json.integer(node.objectNumber);
    json.key("parent");
    if (node.parent == NO_PARENT)
        json.raw("null");
    else
        json.integer(node.parent);
    json.key("flags1"), json.integer(node.flags1);
    json.key("flags2"), json.integer(node.flags2);
    switch (node.type) {
    case NODE_MESH:
        dump_mesh(json, *static_cast<const Mesh*>(node.data));
        break;
    case NODE_OMNI: {
        const Light& light = *static_cast<const Light*>(node.data);
        json.key("position"), json.numbers(light.position, 3);
        json.key("colour"), json.numbers(light.colour, 3);
        json.key("on"), json.boolean(light.on);
        json.key("range"), json.numbers(&light.rangeStart, 2);
        json.key("multiplier"), json.number(light.multiplier);
        json.key("positionKeys"), json.integer(light.positionTrack.keyCount);
        json.key("colourKeys"), json.integer(light.colourTrack.keyCount);
        break;
    }
    case NODE_SPOTLIGHT:
    case NODE_SPOT_TARGET: {
        const SpotLight& spot = *static_cast<const SpotLight*>(node.data);
        json.key("position"), json.numbers(spot.position, 3);
        json.key("target"), json.numbers(spot.target, 3);
        json.key("colour"), json.numbers(spot.colour, 3);
        json.key("hotspot"), json.number(spot.hotspot);
        json.key("falloff"), json.number(spot.falloff);
        json.key("positionKeys"), json.integer(spot.positionTrack.keyCount);
        json.key("targetKeys"), json.integer(spot.targetTrack.keyCount);
        json.key("colourKeys"), json.integer(spot.colourTrack.keyCount);
        break;
    }
    case NODE_CAMERA:
    case NODE_CAMERA_TARGET: {
        const Camera& camera = *static_cast<const Camera*>(node.data);
        json.key("position"), json.numbers(camera.position, 3);
        json.key("target"), json.numbers(camera.target, 3);
        json.key("roll"), json.number(camera.roll);
        json.key("fov"), json.number(camera.fov);
        json.key("positionKeys"), json.integer(camera.positionTrack.keyCount);
        json.key("targetKeys"), json.integer(camera.targetTrack.keyCount);
        json.key("fovKeys"), json.integer(camera.fovTrack.keyCount);
        json.key("rollKeys"), json.integer(camera.rollTrack.keyCount);
        break;
    }
    case NODE_DUMMY: {
        const DummyObject& dummy = *static_cast<const DummyObject*>(node.data);
        json.key("pivot"), json.numbers(dummy.pivot, 3);
        json.key("positionKeys"), json.integer(dummy.positionTrack.keyCount);
        json.key("rotationKeys"), json.integer(dummy.rotationTrack.keyCount);
        json.key("scaleKeys"), json.integer(dummy.scaleTrack.keyCount);
        break;
    }
    default:
        break;
    }
    json.close('}');
}

void no_preparation(Scene&) {}

// Scene frames as the player's clock reaches them: 0 up to far beyond the last frame it plays.
bool parse_frames(std::string_view text, std::vector<float>& frames)
{
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string item(text.substr(0, comma));
        char* end = nullptr;
        const float frame = std::strtof(item.c_str(), &end);
        if (item.empty() || *end != '\0' || !(frame >= 0.0f && frame <= 1e6f))
            return false;
        frames.push_back(frame);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return !frames.empty();
}

void dump_pose(Json& json, const SceneNode& node)
{
    json.open('{');
    json.key("name"), json.name(node.name);
    json.key("type"), json.text(type_name(node.type));
    json.key("world"), json.numbers(node.world.m, 16);
    switch (node.type) {
    case NODE_MESH:
        json.key("visible"), json.boolean(static_cast<const Mesh*>(node.data)->visible);
        break;
    case NODE_OMNI: {
        const Light& light = *static_cast<const Light*>(node.data);
        json.key("position"), json.numbers(light.position, 3);
        json.key("colour"), json.numbers(light.colour, 3);
        break;
    }
    case NODE_SPOTLIGHT: {
        const SpotLight& spot = *static_cast<const SpotLight*>(node.data);
        json.key("position"), json.numbers(spot.position, 3);
        json.key("target"), json.numbers(spot.target, 3);
        json.key("colour"), json.numbers(spot.colour, 3);
        break;
    }
    default:
        break;
    }
    json.close('}');
}

// The scene after update_scene and update_world at each frame, in the order asked for.
void dump_animation(Json& json, Scene& scene, const std::vector<float>& frames)
{
    json.key("animation");
    json.open('[');
    for (float frame : frames) {
        scene.total = frame;
        update_scene(scene);
        update_world(scene);
        json.open('{');
        json.key("frame"), json.number(frame);
        json.key("ambient"), json.numbers(scene.ambient, 3);
        json.key("camera");
        if (scene.camera) {
            const Camera& camera = *static_cast<const Camera*>(scene.camera->data);
            json.open('{');
            json.key("position"), json.numbers(camera.position, 3);
            json.key("target"), json.numbers(camera.target, 3);
            json.key("direction"), json.numbers(camera.direction, 3);
            json.key("fov"), json.number(camera.fov);
            json.key("roll"), json.number(camera.roll);
            json.close('}');
        } else {
            json.raw("null");
        }
        json.key("nodes");
        json.open('[');
        for (SceneNode* node = scene.nodes; node; node = node->next)
            dump_pose(json, *node);
        json.close(']');
        json.close('}');
    }
    json.close(']');
}

void print_usage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: scene-dump FILE.3ds [--frames F,F... | --files]\n"
                 "Loads the scene as the player does and prints what was loaded as JSON; with\n"
                 "--frames, also the animated scene at each frame given; with --files, only the\n"
                 "files the player opens from the scene's folder, one a line.\n");
}

std::vector<std::string> openedFiles;

void note_opened_file(const std::string& path)
{
    openedFiles.push_back(path);
}

// The files the player opens: the scene and its images while it loads, then the music. A file
// outside the folder, or a name no list line can carry, is left out with a warning.
int list_files(const char* sceneName)
{
    watch_opened_files(note_opened_file);
    build_scene(sceneName, 640, 480, no_preparation);
    open_file(MUSIC_FILE_NAME, "rb");
    watch_opened_files(nullptr);
    std::vector<std::string> listed;
    for (const std::string& opened : openedFiles) {
        const std::string path = std::filesystem::path(opened).lexically_normal().string();
        bool plain = !path.empty() && path.front() != '/' && path.rfind("..", 0) != 0;
        for (unsigned char c : path)
            plain = plain && c >= 0x20 && c != 0x7F;
        if (!plain)
            std::fprintf(stderr, "scene-dump: %s is left out: not a file of the folder\n",
                         opened.c_str());
        else if (std::find(listed.begin(), listed.end(), path) == listed.end())
            listed.push_back(path);
    }
    std::sort(listed.begin(), listed.end());
    for (const std::string& path : listed)
        std::printf("%s\n", path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        print_usage(stdout);
        return 0;
    }
    std::vector<float> frames;
    const bool withFrames = argc == 4 && std::string_view(argv[2]) == "--frames";
    const bool withFiles = argc == 3 && std::string_view(argv[2]) == "--files";
    if ((argc != 2 && !withFrames && !withFiles) ||
        (withFrames && !parse_frames(argv[3], frames))) {
        print_usage(stderr);
        return 2;
    }
    std::filesystem::path path(argv[1]);
    std::filesystem::path dir = path.parent_path();
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "scene-dump: cannot enter %s\n", dir.c_str());
        return 2;
    }
    std::string name = path.filename().string();
    if (withFiles)
        return list_files(name.c_str());
    Scene* scene = build_scene(name.c_str(), 640, 480, no_preparation);

    Json json;
    json.open('{');
    json.key("file"), json.text(name);
    json.key("frames");
    // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) of "literal" + std::string.
    std::string range = "[";
    range += std::to_string(scene->startFrame);
    range += ", ";
    range += std::to_string(scene->endFrame);
    range += "]";
    json.raw(range);
    json.key("ambient"), json.numbers(scene->ambient, 3);
    json.key("background"), json.numbers(scene->background, 3);
    json.key("ambientKeys"), json.integer(scene->ambientTrack.keyCount);
    json.key("camera"), json.name(scene->camera ? scene->camera->name : nullptr);
    json.key("omniLights"), json.integer(scene->omniCount);
    json.key("materials");
    json.open('[');
    for (Material* material = scene->materials; material; material = material->next)
        dump_material(json, *material);
    json.close(']');
    json.key("nodes");
    json.open('[');
    for (SceneNode* node = scene->nodes; node; node = node->next)
        dump_node(json, *node);
    json.close(']');
    if (!frames.empty())
        dump_animation(json, *scene, frames);
    json.close('}');
    json.end();
    return 0;
}
