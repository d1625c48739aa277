#pragma once
// The ids of the 3DS chunks the player knows, one per row of the loader's chunk table and named
// after its rows. The loader's table, the chunk writer and the tests all take them from here.

#include <cstdint>

namespace chunk_id {

// Common sub-chunks: colours and percentages.
constexpr uint16_t RGB_FLOAT = 0x0010;
constexpr uint16_t RGB_BYTE = 0x0011;
constexpr uint16_t RGB_BYTE_GAMMA = 0x0012;
constexpr uint16_t RGB_FLOAT_GAMMA = 0x0013;
constexpr uint16_t PERCENT_INT = 0x0030;
constexpr uint16_t PERCENT_FLOAT = 0x0031;

// The file and its editor section.
constexpr uint16_t MAIN_CHUNK = 0x4D4D;
constexpr uint16_t VERSION_3DS = 0x0002;
constexpr uint16_t OBJECT_MESH_DATA = 0x3D3D;
constexpr uint16_t BACKGROUND_COLOR = 0x1200;
constexpr uint16_t AMBIENT_COLOR = 0x2100;

// Objects: meshes, lights, cameras.
constexpr uint16_t OBJECT_BLOCK = 0x4000;
constexpr uint16_t TRIANGULAR_MESH = 0x4100;
constexpr uint16_t VERTICES_LIST = 0x4110;
constexpr uint16_t FACES_LIST = 0x4120;
constexpr uint16_t FACE_MATERIAL = 0x4130;
constexpr uint16_t MAPPINGS_LIST = 0x4140;
constexpr uint16_t OBJECT_MATRIX = 0x4160;
constexpr uint16_t LIGHT = 0x4600;
constexpr uint16_t SPOTLIGHT = 0x4610;
constexpr uint16_t LIGHT_IS_OFF = 0x4620;
constexpr uint16_t FADING_IS_ON = 0x4625;
constexpr uint16_t RANGE_START = 0x4659;
constexpr uint16_t RANGE_END = 0x465A;
constexpr uint16_t MULTIPLIER = 0x465B;
constexpr uint16_t CAMERA = 0x4700;

// Materials and their maps.
constexpr uint16_t MATERIAL = 0xAFFF;
constexpr uint16_t MATERIAL_NAME = 0xA000;
constexpr uint16_t MATERIAL_AMBIENT_COLOR = 0xA010;  // the table's "Ambient Color" of a material
constexpr uint16_t DIFFUSE_COLOR = 0xA020;
constexpr uint16_t SPECULAR_COLOR = 0xA030;
constexpr uint16_t TRANSPARENCY_PERCENT = 0xA050;
constexpr uint16_t REFLECTION_PERCENT = 0xA053;
constexpr uint16_t TWO_SIDED = 0xA081;
constexpr uint16_t ADDITIVE_TRANSPARENT = 0xA083;
constexpr uint16_t WIREFRAME = 0xA085;
constexpr uint16_t SHADING_METHOD = 0xA100;
constexpr uint16_t TEXTURE_MAP_1 = 0xA200;
constexpr uint16_t TEXTURE_MAP_2 = 0xA33A;
constexpr uint16_t OPACITY_MAP = 0xA210;
constexpr uint16_t BUMP_MAP = 0xA230;
constexpr uint16_t SHININESS_MAP = 0xA33C;
constexpr uint16_t SPECULAR_MAP = 0xA204;
constexpr uint16_t SELF_ILLUM_MAP = 0xA33D;
constexpr uint16_t REFLECTION_MAP = 0xA220;
constexpr uint16_t MAP_FILENAME = 0xA300;
constexpr uint16_t V_SCALE = 0xA354;
constexpr uint16_t U_SCALE = 0xA356;
constexpr uint16_t U_OFFSET = 0xA358;
constexpr uint16_t V_OFFSET = 0xA35A;

// The keyframer: node blocks, their headers and tracks.
constexpr uint16_t KEYFRAMER_DATA = 0xB000;
constexpr uint16_t AMBIENT_TRACK = 0xB001;
constexpr uint16_t MESH_TRACK = 0xB002;
constexpr uint16_t CAMERA_TRACK = 0xB003;
constexpr uint16_t CAMERA_TARGET_TRACK = 0xB004;
constexpr uint16_t OMNI_TRACK = 0xB005;
constexpr uint16_t SPOT_TARGET_TRACK = 0xB006;
constexpr uint16_t SPOT_POSITION_TRACK = 0xB007;
constexpr uint16_t TRACK_OBJECT_NAME = 0xB010;
constexpr uint16_t DUMMY_OBJECT_NAME = 0xB011;
constexpr uint16_t PIVOT_POINT = 0xB013;
constexpr uint16_t POSITION_KEYS = 0xB020;
constexpr uint16_t ROTATION_KEYS = 0xB021;
constexpr uint16_t SCALE_KEYS = 0xB022;
constexpr uint16_t FOV_KEYS = 0xB023;
constexpr uint16_t ROLL_KEYS = 0xB024;
constexpr uint16_t COLOR_KEYS = 0xB025;
constexpr uint16_t MORPH_KEYS = 0xB026;
constexpr uint16_t HIDE_KEYS = 0xB029;
constexpr uint16_t OBJECT_NUMBER = 0xB030;
constexpr uint16_t FRAMES = 0xB008;

}  // namespace chunk_id
