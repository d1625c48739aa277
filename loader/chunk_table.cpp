#include "loader/chunk_reader.h"
#include "loader/chunk_ids.h"
#include "loader/editor_chunks.h"
#include "loader/keyframer_chunks.h"
#include "loader/material_chunks.h"

// Searched first row to last; the names only label the rows.
const ChunkRow ChunkTable[CHUNK_TABLE_SIZE] = {
    {chunk_id::RGB_FLOAT, "RGB (float)", read_colour_float},
    {chunk_id::RGB_BYTE, "RGB (byte)", read_colour_byte},
    {chunk_id::RGB_BYTE_GAMMA, "RGB (byte, gamma)", read_colour_byte},
    {chunk_id::RGB_FLOAT_GAMMA, "RGB (float, gamma)", read_colour_float},
    {chunk_id::PERCENT_INT, "Percent (int)", read_percent_int},
    {chunk_id::PERCENT_FLOAT, "Percent (float)", read_percent_float},
    {chunk_id::MAIN_CHUNK, "Main Chunk", nullptr},
    {chunk_id::VERSION_3DS, "3DS Version", read_version},
    {chunk_id::OBJECT_MESH_DATA, "Object Mesh Data", nullptr},
    {chunk_id::BACKGROUND_COLOR, "Backgroud Color", read_background},
    {chunk_id::AMBIENT_COLOR, "Ambient Color", read_ambient},
    {chunk_id::OBJECT_BLOCK, "Object Block", read_object_block},
    {chunk_id::TRIANGULAR_MESH, "Triangular Mesh", read_triangular_mesh},
    {chunk_id::VERTICES_LIST, "Vertices List", read_vertices},
    {chunk_id::FACES_LIST, "Faces List", read_faces},
    {chunk_id::FACE_MATERIAL, "Face material", read_face_material},
    {chunk_id::MAPPINGS_LIST, "Mappings list", read_mappings},
    {chunk_id::OBJECT_MATRIX, "Object Matrix", read_object_matrix},
    {chunk_id::LIGHT, "Light", read_light},
    {chunk_id::SPOTLIGHT, "Spotlight", read_spotlight},
    {chunk_id::LIGHT_IS_OFF, "Light Is Off", read_light_off},
    {chunk_id::FADING_IS_ON, "Fading Is On", read_fading_on},
    {chunk_id::RANGE_START, "Range Start", read_range_start},
    {chunk_id::RANGE_END, "Range End", read_range_end},
    {chunk_id::MULTIPLIER, "Multiplier", read_multiplier},
    {chunk_id::CAMERA, "Camera", read_camera},
    {chunk_id::MATERIAL, "Material", nullptr},
    {chunk_id::MATERIAL_NAME, "Material Name", read_material_name},
    {chunk_id::MATERIAL_AMBIENT_COLOR, "Ambient Color", read_material_ambient},
    {chunk_id::DIFFUSE_COLOR, "Diffuse Color", ignore_chunk},
    {chunk_id::SPECULAR_COLOR, "Specular Color", ignore_chunk},
    {chunk_id::TRANSPARENCY_PERCENT, "Transparency Percent", read_transparency},
    {chunk_id::REFLECTION_PERCENT, "Reflection Percent", read_reflection},
    {chunk_id::TWO_SIDED, "2 Sided", read_two_sided},
    {chunk_id::ADDITIVE_TRANSPARENT, "Additive transparent", read_additive},
    {chunk_id::WIREFRAME, "Wireframe", read_wireframe},
    {chunk_id::SHADING_METHOD, "Shading Method", read_shading},
    {chunk_id::TEXTURE_MAP_1, "Texture Map 1", read_texture_map1},
    {chunk_id::TEXTURE_MAP_2, "Texture Map 2", read_texture_map2},
    {chunk_id::OPACITY_MAP, "Opacity Map", read_opacity_map},
    {chunk_id::BUMP_MAP, "Bump Map", read_bump_map},
    {chunk_id::SHININESS_MAP, "Shininess Map", read_shininess_map},
    {chunk_id::SPECULAR_MAP, "Specular Map", read_specular_map},
    {chunk_id::SELF_ILLUM_MAP, "Self Illum. Map", read_self_illum_map},
    {chunk_id::REFLECTION_MAP, "Reflection Map", read_reflection_map},
    {chunk_id::MAP_FILENAME, "Map Filename", read_map_filename},
    {chunk_id::V_SCALE, "V Scale", read_v_scale},
    {chunk_id::U_SCALE, "U Scale", read_u_scale},
    {chunk_id::U_OFFSET, "U Offset", read_u_offset},
    {chunk_id::V_OFFSET, "V Offset", read_v_offset},
    {chunk_id::KEYFRAMER_DATA, "Keyframer Data", nullptr},
    {chunk_id::AMBIENT_TRACK, "Ambient Track", read_ambient_node},
    {chunk_id::MESH_TRACK, "Mesh Track", read_mesh_node},
    {chunk_id::CAMERA_TRACK, "Camera Track", read_camera_node},
    {chunk_id::CAMERA_TARGET_TRACK, "Camera Target Track", read_camera_target_node},
    {chunk_id::OMNI_TRACK, "Omni Track", read_omni_node},
    {chunk_id::SPOT_TARGET_TRACK, "Spot Target Track", read_spot_target_node},
    {chunk_id::SPOT_POSITION_TRACK, "Spot Position Track", read_spot_node},
    {chunk_id::TRACK_OBJECT_NAME, "Track Object Name", read_node_header},
    {chunk_id::DUMMY_OBJECT_NAME, "Dummy Object Name", read_dummy_name},
    {chunk_id::PIVOT_POINT, "Pivot Point", read_pivot},
    {chunk_id::POSITION_KEYS, "Position Keys", read_position_keys},
    {chunk_id::ROTATION_KEYS, "Rotation Keys", read_rotation_keys},
    {chunk_id::SCALE_KEYS, "Scale Keys", read_scale_keys},
    {chunk_id::FOV_KEYS, "FOV Keys", read_fov_keys},
    {chunk_id::ROLL_KEYS, "Roll Keys", read_roll_keys},
    {chunk_id::COLOR_KEYS, "Color Keys", read_colour_keys},
    {chunk_id::MORPH_KEYS, "Morph Keys", read_morph_keys},
    {chunk_id::HIDE_KEYS, "Hide Keys", read_hide_keys},
    {chunk_id::OBJECT_NUMBER, "Object Number", read_object_number},
    {chunk_id::FRAMES, "Frames", read_frames},
};

int find_chunk_row(uint16_t id)
{
    for (int row = 0; row < CHUNK_TABLE_SIZE; ++row)
        if (ChunkTable[row].id == id)
            return row;
    return -1;
}
