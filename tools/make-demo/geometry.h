#pragma once
// The shapes of the production, built in object space around the origin with Z up. Faces wind
// counter-clockwise seen from outside (the way the player's lighting and culling expect), texture
// coordinates run from the image's top-left corner, v downwards.

#include <cstdint>
#include <vector>

#include "tools/writers/chunk_writer.h"

namespace demo {

// Face flags: the three visible edges, and the requests to mend texture wrap across a seam.
constexpr uint16_t kAllEdges = 7;
constexpr uint16_t kWrapU = 8;
constexpr uint16_t kWrapV = 16;

struct Shape {
    std::vector<V3> positions;
    std::vector<V2> uv;
    std::vector<FaceDesc> faces;

    int add_vertex(V3 position, V2 texture);
    void add_face(int a, int b, int c, uint16_t flags = kAllEdges);
    // A quad a-b-c-d (counter-clockwise) as two faces whose shared diagonal is not an edge.
    void add_quad(int a, int b, int c, int d, uint16_t flags = 0);
    // Appends another shape moved by offset.
    void append(const Shape& other, V3 offset = {0, 0, 0});
};

// Sphere of `segments` around and `rings` from pole to pole; the seam is not doubled, so its
// faces ask for U wrap mending.
Shape uv_sphere(float radius, int segments, int rings);
// Ring around Z: major radius, tube radius; both seams mended by the player.
Shape torus(float major, float minor, int segments, int sides);
// Upright prism of `sides` faces from z = 0 to z = height, with caps; texture wraps around once
// and repeats `uRepeat` times.
Shape prism(float radius, float height, int sides, float uRepeat, bool caps = true);
// Open tube (no caps) narrowing from bottom radius to top radius.
Shape cone_tube(float bottom, float top, float height, int sides);
// Flat grid in the XY plane facing +Z, centred, with the texture repeated `tiles` times.
Shape grid(float width, float depth, int cellsX, int cellsY, float tiles);
// Upright sheet in the XZ plane facing -Y, hanging from z = 0 down to z = -height.
Shape sheet(float width, float height, int cellsX, int cellsZ);
// Regular icosahedron, each face its own three vertices (crisp facets), and the geodesic sphere
// made by splitting every face `levels` times (shared vertices).
Shape crystal(float radius, float stretchZ);
Shape geodesic(float radius, int levels);
// Keeps only the faces whose centre lies above z, and the vertices they use.
Shape upper_part(const Shape& shape, float z);

// Moves every vertex along its direction from the origin: its distance times
// factor(vertex index, position).
template <class F>
Shape displaced(const Shape& base, F factor)
{
    Shape out = base;
    for (size_t i = 0; i < out.positions.size(); ++i) {
        float f = factor(int(i), out.positions[i]);
        for (float& c : out.positions[i])
            c *= f;
    }
    return out;
}

// The mesh object of a shape whose object origin sits at `origin` in the world: the file holds
// world positions and the object matrix, and v stored negated as the file wants it.
MeshDesc place(const char* name, const Shape& shape, V3 origin, const char* material);

}  // namespace demo
