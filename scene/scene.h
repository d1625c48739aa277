#pragma once
// The records in which the loaded scene lives for the whole run. Plain records with public fields,
// zero-initialised at creation (alloc_record), linked by pointers with the newest entry first.

#include <cstdint>

#include "image/image.h"
#include "math/matrix.h"
#include "math/quaternion.h"

struct RenderView;
struct DrawBucket;
struct Face;
struct Scene;

using DRAW_LIST = DrawBucket;
using FaceDrawer = void (*)(Face* face);

// Node type codes (also the loader's current-object codes).
enum NodeType : int {
    NODE_MESH = 1,
    NODE_OMNI = 3,
    NODE_DUMMY = 16,
    NODE_CAMERA = 33,
    NODE_CAMERA_TARGET = 34,
    NODE_SPOTLIGHT = 65,
    NODE_SPOT_TARGET = 66,
    NODE_AMBIENT = 153  // loader only: inside an "Ambient Track"
};

// Kind codes at the head of the records behind the nodes.
enum RecordKind : int {
    KIND_MESH = 1,
    KIND_CAMERA = 2,
    KIND_LIGHT = 3,
    KIND_SPOTLIGHT = 4,
    KIND_DUMMY = 16
};

struct Key {
    int frame;
    int flags;
    float tension, continuity, bias, easeTo, easeFrom;
    int span;
};

// Spline track: three floats a key (position, scale, colour, morph) or one (field of view, roll).
struct Track {
    int flags;
    int keyCount;
    Key* keys;
    float* values;
    float* tangentIn;
    float* tangentOut;
};

struct RotationTrack {
    int flags;
    int keyCount;
    Key* keys;
    Quaternion* orientation;
    float (*angleAxis)[4];  // per key: angle in radians, axis x, y, z, as read
    Quaternion* controlA;
    Quaternion* controlB;
};

struct MorphTrack {
    int flags;
    int keyCount;
    Key* keys;
    char** targetNames;
    int vertexTrackCount;
    Track* vertexTracks;
};

struct Vertex {
    float position[3];
    float viewPosition[4];
    float clipPosition[4];
    float screen[3];  // screen[2]: reciprocal of clip w
    int outcode;
    int batchIndex, batchStamp;
    float normal[3];
    float worldNormal[3];
    float light[3];
    float u, v;
    float envU, envV;
};

struct Material;

struct Face {
    Vertex *a, *b, *c;
    float normal[3];
    float faceColour[3];
    Material* material;
    int potentiallyVisible;
    float uv[3][2];
    uint16_t flags;
    uint16_t wrapFixed;
    FaceDrawer drawer;
};

// One map slot of a material: its image, then the mapping parameters.
struct TextureMap : Image {
    float uScale, vScale;
    float uOffset, vOffset;
    char* fileName;  // upper-cased, as the scene names it; null until "Map Filename"
};

struct Material {
    Material *prev, *next;
    char* name;
    int shading;
    float ambient[3];
    float transparency;
    int additive;
    void* blendTable;  // non-null marks a transparent material; nothing is read through it
    float reflection;
    int twoSided;
    int wireframe;
    int envMapped;
    TextureMap *texture1, *texture2, *opacityMap, *bumpMap, *shininessMap, *specularMap,
        *selfIllumMap, *reflectionMap;
};

struct Mesh {
    int kind;
    Matrix4 matrix;
    Matrix4 inverse;
    float pivot[3];
    float box[8][3];
    int visible;
    char* name;
    int faceCount;
    Face* faces;
    int vertexCount;
    Vertex* vertices;
    Track positionTrack;
    RotationTrack rotationTrack;
    Track scaleTrack;
    MorphTrack morphTrack;
    int hideCount;
    int* hideFrames;
};

struct Light {
    int kind;
    float position[3];
    float objPos[3];
    float colour[3];
    int on;
    int fading;
    float rangeStart, rangeEnd;
    float multiplier;
    char* name;
    Track positionTrack;
    Track colourTrack;
    // The values the file gave, kept by the first scene update: an empty track holds them.
    int loadedKept;
    float loadedPosition[3], loadedColour[3];
};

struct SpotLight {
    int kind;
    float position[3];
    float target[3];
    float colour[3];
    int on, fading;
    float rangeStart, rangeEnd, multiplier;
    float hotspot, falloff;
    char* name;
    Track positionTrack, targetTrack, colourTrack;
    // The values the file gave, kept by the first scene update: an empty track holds them.
    int loadedKept;
    float loadedPosition[3], loadedTarget[3], loadedColour[3];
};

struct Camera {
    int kind;
    float position[3];
    float target[3];
    float direction[3];
    float roll;
    float fov;
    char* name;
    Track positionTrack, targetTrack;
    Track fovTrack, rollTrack;
    // The values the file gave, kept by the first scene update: an empty track holds them.
    int loadedKept;
    float loadedPosition[3], loadedTarget[3];
    float loadedFov, loadedRoll;
};

struct DummyObject {
    int kind;
    float pivot[3];
    char* instanceName;
    Track positionTrack;
    RotationTrack rotationTrack;
    Track scaleTrack;
};

struct SceneNode {
    int type;
    int16_t flags1, flags2;
    uint16_t objectNumber;
    uint16_t parent;  // objectNumber of the parent, 0xFFFF for none
    SceneNode *prev, *next;
    void* data;
    Matrix4 local;
    Matrix4 world;
    char* name;
};

struct Scene {
    RenderView* view;
    SceneNode* camera;
    SceneNode* nodes;
    Material* materials;
    DRAW_LIST* drawBuckets;
    int omniCount;
    SceneNode** omniNodes;
    Track ambientTrack;
    float ambient[3];
    float background[3];
    void (*drawCallback)();
    float total;
    uint32_t startFrame, endFrame;
};

constexpr uint16_t NO_PARENT = 0xFFFF;
constexpr uint16_t NODE_HIDDEN_FLAG = 0x800;
