#include "tools/make-demo/geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace demo {
namespace {

constexpr float kPi = 3.14159265f;

V3 sub(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 cross(V3 a, V3 b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 normalised(V3 a, float length = 1.0f)
{
    float l = std::sqrt(dot(a, a));
    return {a[0] * length / l, a[1] * length / l, a[2] * length / l};
}

// Turns every face of a shape that surrounds `centre` so that it faces away from it.
void face_outward(Shape& shape, V3 centre)
{
    for (FaceDesc& f : shape.faces) {
        V3 a = shape.positions[f.a], b = shape.positions[f.b], c = shape.positions[f.c];
        V3 middle = {(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
        if (dot(cross(sub(b, a), sub(c, a)), sub(middle, centre)) < 0) {
            std::swap(f.b, f.c);
            // Edge bits follow their corners: a-b (4) and c-a (1) trade places, b-c (2) stays.
            uint16_t ab = f.flags & 4, ca = f.flags & 1;
            f.flags = uint16_t((f.flags & ~5) | (ab ? 1 : 0) | (ca ? 4 : 0));
        }
    }
}

}  // namespace

int Shape::add_vertex(V3 position, V2 texture)
{
    positions.push_back(position);
    uv.push_back(texture);
    return int(positions.size()) - 1;
}

void Shape::add_face(int a, int b, int c, uint16_t flags)
{
    faces.push_back({uint16_t(a), uint16_t(b), uint16_t(c), flags});
}

void Shape::add_quad(int a, int b, int c, int d, uint16_t flags)
{
    // Faces a-b-c and a-c-d: edges a-b, b-c and c-d, d-a are visible, the diagonal a-c is not.
    add_face(a, b, c, uint16_t(flags | 4 | 2));
    add_face(a, c, d, uint16_t(flags | 2 | 1));
}

void Shape::append(const Shape& other, V3 offset)
{
    int base = int(positions.size());
    for (size_t i = 0; i < other.positions.size(); ++i) {
        const V3& p = other.positions[i];
        add_vertex({p[0] + offset[0], p[1] + offset[1], p[2] + offset[2]}, other.uv[i]);
    }
    for (const FaceDesc& f : other.faces)
        add_face(base + f.a, base + f.b, base + f.c, f.flags);
}

Shape uv_sphere(float radius, int segments, int rings)
{
    Shape s;
    int top = s.add_vertex({0, 0, radius}, {0.5f, 0.0f});
    for (int i = 1; i < rings; ++i) {
        float theta = kPi * float(i) / float(rings);
        for (int j = 0; j < segments; ++j) {
            float phi = 2 * kPi * float(j) / float(segments);
            s.add_vertex({radius * std::sin(theta) * std::cos(phi),
                          radius * std::sin(theta) * std::sin(phi), radius * std::cos(theta)},
                         {float(j) / float(segments), float(i) / float(rings)});
        }
    }
    int bottom = s.add_vertex({0, 0, -radius}, {0.5f, 1.0f});
    auto at = [&](int ring, int j) { return 1 + (ring - 1) * segments + (j % segments); };
    for (int j = 0; j < segments; ++j) {
        s.add_face(top, at(1, j), at(1, j + 1), kAllEdges | kWrapU);
        for (int i = 1; i + 1 < rings; ++i)
            s.add_quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), kWrapU);
        s.add_face(bottom, at(rings - 1, j + 1), at(rings - 1, j), kAllEdges | kWrapU);
    }
    face_outward(s, {0, 0, 0});
    return s;
}

Shape torus(float major, float minor, int segments, int sides)
{
    Shape s;
    for (int i = 0; i < segments; ++i) {
        float phi = 2 * kPi * float(i) / float(segments);
        for (int j = 0; j < sides; ++j) {
            float theta = 2 * kPi * float(j) / float(sides);
            float r = major + minor * std::cos(theta);
            s.add_vertex({r * std::cos(phi), r * std::sin(phi), minor * std::sin(theta)},
                         {float(i) / float(segments), float(j) / float(sides)});
        }
    }
    auto at = [&](int i, int j) { return (i % segments) * sides + (j % sides); };
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j)
            s.add_quad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), kWrapU | kWrapV);
    // Outward is away from the tube's own centre line.
    for (FaceDesc& f : s.faces) {
        V3 a = s.positions[f.a], b = s.positions[f.b], c = s.positions[f.c];
        V3 middle = {(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3, (a[2] + b[2] + c[2]) / 3};
        V3 axis = normalised({middle[0], middle[1], 0}, major);
        if (dot(cross(sub(b, a), sub(c, a)), sub(middle, axis)) < 0)
            std::swap(f.b, f.c);
    }
    return s;
}

Shape prism(float radius, float height, int sides, float uRepeat, bool caps)
{
    Shape s;
    for (int level = 0; level < 2; ++level)
        for (int j = 0; j < sides; ++j) {
            float phi = 2 * kPi * float(j) / float(sides);
            s.add_vertex({radius * std::cos(phi), radius * std::sin(phi), level * height},
                         {uRepeat * float(j) / float(sides), level == 0 ? 1.0f : 0.0f});
        }
    for (int j = 0; j < sides; ++j) {
        int n = (j + 1) % sides;
        s.add_quad(j, n, sides + n, sides + j, uRepeat >= 1.0f ? kWrapU : 0);
    }
    if (caps)
        for (int level = 0; level < 2; ++level) {
            int centre = s.add_vertex({0, 0, level * height}, {0.5f, 0.5f});
            int first = int(s.positions.size());
            for (int j = 0; j < sides; ++j) {
                float phi = 2 * kPi * float(j) / float(sides);
                s.add_vertex({radius * std::cos(phi), radius * std::sin(phi), level * height},
                             {0.5f + 0.5f * std::cos(phi), 0.5f + 0.5f * std::sin(phi)});
            }
            for (int j = 0; j < sides; ++j)
                s.add_face(centre, first + j, first + (j + 1) % sides, 2);
        }
    face_outward(s, {0, 0, height / 2});
    return s;
}

Shape cone_tube(float bottom, float top, float height, int sides)
{
    Shape s;
    for (int level = 0; level < 2; ++level)
        for (int j = 0; j < sides; ++j) {
            float phi = 2 * kPi * float(j) / float(sides);
            float r = level == 0 ? bottom : top;
            s.add_vertex({r * std::cos(phi), r * std::sin(phi), level * height},
                         {float(j) / float(sides), level == 0 ? 0.98f : 0.02f});
        }
    for (int j = 0; j < sides; ++j) {
        int n = (j + 1) % sides;
        s.add_quad(j, n, sides + n, sides + j, kWrapU);
    }
    face_outward(s, {0, 0, height / 2});
    return s;
}

Shape grid(float width, float depth, int cellsX, int cellsY, float tiles)
{
    Shape s;
    for (int y = 0; y <= cellsY; ++y)
        for (int x = 0; x <= cellsX; ++x) {
            float fx = float(x) / float(cellsX), fy = float(y) / float(cellsY);
            s.add_vertex({(fx - 0.5f) * width, (fy - 0.5f) * depth, 0}, {fx * tiles, fy * tiles});
        }
    for (int y = 0; y < cellsY; ++y)
        for (int x = 0; x < cellsX; ++x) {
            int a = y * (cellsX + 1) + x;
            s.add_quad(a, a + 1, a + cellsX + 2, a + cellsX + 1);
        }
    return s;
}

Shape sheet(float width, float height, int cellsX, int cellsZ)
{
    Shape s;
    for (int z = 0; z <= cellsZ; ++z)
        for (int x = 0; x <= cellsX; ++x) {
            float fx = float(x) / float(cellsX), fz = float(z) / float(cellsZ);
            s.add_vertex({(fx - 0.5f) * width, 0, -fz * height}, {fx, fz});
        }
    // Seen from -Y, x runs right and z up: a-b-c-d counter-clockwise is bottom-left first.
    for (int z = 0; z < cellsZ; ++z)
        for (int x = 0; x < cellsX; ++x) {
            int topLeft = z * (cellsX + 1) + x;
            int bottomLeft = topLeft + cellsX + 1;
            s.add_quad(bottomLeft, bottomLeft + 1, topLeft + 1, topLeft);
        }
    return s;
}

namespace {

const V3 kIcosahedron[12] = {
    {-1, 1.618034f, 0}, {1, 1.618034f, 0}, {-1, -1.618034f, 0}, {1, -1.618034f, 0},
    {0, -1, 1.618034f}, {0, 1, 1.618034f}, {0, -1, -1.618034f}, {0, 1, -1.618034f},
    {1.618034f, 0, -1}, {1.618034f, 0, 1}, {-1.618034f, 0, -1}, {-1.618034f, 0, 1},
};
const int kIcosahedronFaces[20][3] = {
    {0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
    {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8},
    {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1},
};

}  // namespace

Shape crystal(float radius, float stretchZ)
{
    Shape s;
    for (const auto& f : kIcosahedronFaces) {
        int first = int(s.positions.size());
        for (int k = 0; k < 3; ++k) {
            V3 p = normalised(kIcosahedron[f[k]], radius);
            p[2] *= stretchZ;
            s.add_vertex(p, {0.5f, 0.5f});
        }
        s.add_face(first, first + 1, first + 2);
    }
    face_outward(s, {0, 0, 0});
    return s;
}

Shape geodesic(float radius, int levels)
{
    Shape s;
    for (const V3& p : kIcosahedron)
        s.add_vertex(normalised(p, radius), {0, 0});
    for (const auto& f : kIcosahedronFaces)
        s.add_face(f[0], f[1], f[2]);
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<int, int>, int> middles;
        auto middle = [&](int a, int b) {
            auto key = std::minmax(a, b);
            auto found = middles.find(key);
            if (found != middles.end())
                return found->second;
            V3 pa = s.positions[size_t(a)], pb = s.positions[size_t(b)];
            int index = s.add_vertex(
                normalised({pa[0] + pb[0], pa[1] + pb[1], pa[2] + pb[2]}, radius), {0, 0});
            middles[key] = index;
            return index;
        };
        std::vector<FaceDesc> old = std::move(s.faces);
        s.faces.clear();
        for (const FaceDesc& f : old) {
            int ab = middle(f.a, f.b), bc = middle(f.b, f.c), ca = middle(f.c, f.a);
            s.add_face(f.a, ab, ca);
            s.add_face(ab, f.b, bc);
            s.add_face(ca, bc, f.c);
            s.add_face(ab, bc, ca);
        }
    }
    face_outward(s, {0, 0, 0});
    return s;
}

Shape upper_part(const Shape& shape, float z)
{
    Shape out;
    std::vector<int> index(shape.positions.size(), -1);
    for (const FaceDesc& f : shape.faces) {
        const uint16_t corners[3] = {f.a, f.b, f.c};
        float centre = 0;
        for (uint16_t c : corners)
            centre += shape.positions[c][2] / 3;
        if (centre <= z)
            continue;
        int mapped[3];
        for (int k = 0; k < 3; ++k) {
            int& slot = index[corners[k]];
            if (slot < 0)
                slot = out.add_vertex(shape.positions[corners[k]], shape.uv[corners[k]]);
            mapped[k] = slot;
        }
        out.add_face(mapped[0], mapped[1], mapped[2], f.flags);
    }
    return out;
}

MeshDesc place(const char* name, const Shape& shape, V3 origin, const char* material)
{
    MeshDesc mesh;
    mesh.name = name;
    for (size_t i = 0; i < shape.positions.size(); ++i) {
        const V3& p = shape.positions[i];
        mesh.vertices.push_back({p[0] + origin[0], p[1] + origin[1], p[2] + origin[2]});
        mesh.mappings.push_back({shape.uv[i][0], -shape.uv[i][1]});
    }
    mesh.faces = shape.faces;
    if (material) {
        FaceMaterialDesc assignment{material, {}};
        for (size_t f = 0; f < shape.faces.size(); ++f)
            assignment.faces.push_back(uint16_t(f));
        mesh.faceMaterials.push_back(std::move(assignment));
    }
    mesh.matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1, origin[0], origin[1], origin[2]};
    return mesh;
}

}  // namespace demo
