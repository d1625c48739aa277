#include "render/face_drawers.h"

#include "core/fatal_error.h"
#include "gfxcontext/graphics.h"
#include "render/mesh_preparation.h"
#include "render/render_view.h"
#include "render/renderer_state.h"

namespace {

enum class ColourSource { VertexLight, FaceColour, White };

// What sets one drawer of the family apart from the others.
struct DrawerStyle {
    bool gouraud;
    bool textured;
    bool blended;
    ColourSource colour;
};

constexpr uint32_t WHITE = 0xFFFFFF;

// Sends a render state only when the cache shows the other value.
void set_cached(int bit, bool on, D3DRENDERSTATETYPE state, uint32_t onValue, uint32_t offValue)
{
    if (((renderer.batch.stateCache & bit) != 0) == on)
        return;
    graphics.device->SetRenderState(state, on ? onValue : offValue);
    renderer.batch.stateCache ^= bit;
}

void set_texture(gfx::Texture* texture)
{
    if (texture == renderer.batch.currentTexture)
        return;
    graphics.device->SetTexture(0, texture);
    renderer.batch.currentTexture = texture;
}

// The states of a batch are those of the drawer of its first face, sent in a fixed order: cull
// mode, fill mode, shade mode, texture, alpha blending and its factors.
void open_batch(const Face& face, bool cullNone, bool solid, bool gouraud, bool textured,
                bool blended, D3DPRIMITIVETYPE primitive)
{
    BatchState& batch = renderer.batch;
    batch.batchVertexCount = 0;
    batch.batchIndexCount = 0;
    void* data = nullptr;
    renderer.buffers.source->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data);
    batch.batchVertices = static_cast<D3DLVERTEX*>(data);

    set_cached(STATE_CULL_CW, !cullNone, D3DRENDERSTATE_CULLMODE, D3DCULL_CW, D3DCULL_NONE);
    set_cached(STATE_FILL_SOLID, solid, D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID,
               D3DFILL_WIREFRAME);
    set_cached(STATE_SHADE_GOURAUD, gouraud, D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD,
               D3DSHADE_FLAT);
    set_texture(textured ? texture_for_material(face.material) : nullptr);
    set_cached(STATE_BLEND_ON, blended, D3DRENDERSTATE_ALPHABLENDENABLE, 1, 0);
    if (blended) {
        const bool additive = face.material && face.material->additive;
        if (additive != ((batch.stateCache & STATE_BLEND_ADDITIVE) != 0)) {
            graphics.device->SetRenderState(D3DRENDERSTATE_DESTBLEND,
                                            additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
            graphics.device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
            batch.stateCache ^= STATE_BLEND_ADDITIVE;
        }
    }
    batch.primitiveType = primitive;
    batch.batchOpen = 1;
}

// The limits are checked before anything of the face is written, so a face that would not fit
// never writes past the buffers.
void check_capacity(int newVertices, int newIndices, int indicesPerFace)
{
    const BatchState& batch = renderer.batch;
    if (batch.batchVertexCount + newVertices > renderer.buffers.vertexCapacity)
        fatal_error("Too many vertices!");
    if (batch.batchIndexCount + newIndices > renderer.buffers.faceCapacity * indicesPerFace)
        fatal_error("Too many faces!");
}

// Room for the most a face can add: the exact count is needed only near the limits.
bool room_for(int vertices, int indices, int indicesPerFace)
{
    const BatchState& batch = renderer.batch;
    return batch.batchVertexCount + vertices <= renderer.buffers.vertexCapacity &&
           batch.batchIndexCount + indices <= renderer.buffers.faceCapacity * indicesPerFace;
}

// Vertices a set of shared corners adds to the batch: those not yet in it, each counted once.
int fresh_shared(Vertex* const* corners, int count)
{
    int fresh = 0;
    for (int k = 0; k < count; ++k) {
        if (corners[k]->batchStamp == renderer.batch.batchNumber)
            continue;
        bool seen = false;
        for (int j = 0; j < k; ++j)
            seen = seen || corners[j] == corners[k];
        fresh += seen ? 0 : 1;
    }
    return fresh;
}

D3DLVERTEX& next_vertex(const Vertex& vertex, uint32_t colour)
{
    D3DLVERTEX& out = renderer.batch.batchVertices[renderer.batch.batchVertexCount];
    out.x = vertex.viewPosition[0];
    out.y = vertex.viewPosition[1];
    out.z = vertex.viewPosition[2];
    out.color = colour;
    out.specular = 0;
    return out;
}

// A shared corner is written once per batch; every later face of the batch reuses it as the
// first face wrote it. Its colour is therefore asked for only when it is written.
template <typename Colour>
void shared_corner(Vertex& vertex, Colour colour, const float* uv)
{
    BatchState& batch = renderer.batch;
    if (vertex.batchStamp != batch.batchNumber) {
        vertex.batchStamp = batch.batchNumber;
        vertex.batchIndex = batch.batchVertexCount;
        D3DLVERTEX& out = next_vertex(vertex, colour());
        if (uv) {
            out.tu = uv[0];
            out.tv = uv[1];
        }
        ++batch.batchVertexCount;
    }
    renderer.buffers.indices[batch.batchIndexCount++] = static_cast<uint16_t>(vertex.batchIndex);
}

// A corner whose texture coordinate the scene build shifted gets a vertex of its own every time.
void own_corner(const Vertex& vertex, uint32_t colour, const float* uv)
{
    BatchState& batch = renderer.batch;
    const auto index = static_cast<uint16_t>(batch.batchVertexCount);
    renderer.buffers.indices[batch.batchIndexCount++] = index;
    D3DLVERTEX& out = next_vertex(vertex, colour);
    out.tu = uv[0];
    out.tv = uv[1];
    ++batch.batchVertexCount;
}

template <DrawerStyle style>
void draw_triangle(Face* face)
{
    const Material* material = face->material;
    if (!renderer.batch.batchOpen)
        open_batch(*face, !material || material->twoSided, true, style.gouraud, style.textured,
                   style.blended, D3DPT_TRIANGLELIST);

    Vertex* corners[3] = {face->a, face->b, face->c};
    const int own = style.textured ? face->wrapFixed & 7 : 0;
    if (!room_for(3, 3, 3)) {
        Vertex* shared[3];
        int sharedCount = 0;
        for (int k = 0; k < 3; ++k)
            if (!(own & (1 << k)))
                shared[sharedCount++] = corners[k];
        check_capacity(fresh_shared(shared, sharedCount) + (3 - sharedCount), 3, 3);
    }

    uint32_t faceColour = WHITE;
    if constexpr (style.colour == ColourSource::FaceColour) {
        renderer.batch.flatColour = pack_colour(face->faceColour);
        faceColour = renderer.batch.flatColour;
    }
    const bool envMapped = style.textured && material && material->envMapped;
    for (int k = 0; k < 3; ++k) {
        Vertex& vertex = *corners[k];
        auto colour = [&] {
            if constexpr (style.colour == ColourSource::VertexLight)
                return pack_colour(vertex.light);
            else
                return faceColour;
        };
        const float env[2] = {vertex.envU, vertex.envV};
        const float* uv = nullptr;
        if (style.textured)
            uv = envMapped ? env : face->uv[k];
        if (own & (1 << k))
            own_corner(vertex, colour(), uv);
        else
            shared_corner(vertex, colour, uv);
    }
}

bool complete(const Vertex& vertex) { return (vertex.outcode & CLIP_COMPLETE) == CLIP_COMPLETE; }

// Twice the signed area of the projected face. It is only meaningful when every corner lies
// inside the view, for only then has its reciprocal w been computed this frame.
bool faces_away(const Face& face)
{
    const Vertex& a = *face.a;
    const Vertex& b = *face.b;
    const Vertex& c = *face.c;
    if (!complete(a) || !complete(b) || !complete(c))
        return false;
    const float r0 = a.screen[2], r1 = b.screen[2], r2 = c.screen[2];
    const float x0 = a.clipPosition[0], x1 = b.clipPosition[0], x2 = c.clipPosition[0];
    const float y0 = a.clipPosition[1], y1 = b.clipPosition[1], y2 = c.clipPosition[1];
    const float e0 = r0 * r2 * y2 - r0 * r1 * y1;
    const float e1 = r0 * r1 * y0 - r1 * r2 * y2;
    const float e2 = r1 * r2 * y1 - r0 * r2 * y0;
    return e0 * x0 + e1 * x1 + e2 * x2 <= 0.0f;
}

}  // namespace

gfx::Texture* texture_for_material(const Material* material)
{
    if (!material)
        return nullptr;
    const TextureEntry* entry = find_texture_entry(*material);
    return entry ? entry->texture : nullptr;
}

void draw_face_lines(Face* face)
{
    const Material* material = face->material;
    if (!renderer.batch.batchOpen)
        open_batch(*face, !material || material->twoSided, false, true, false, false,
                   D3DPT_LINELIST);
    if ((renderer.batch.stateCache & STATE_CULL_CW) && faces_away(*face))
        return;

    // Edges a-b, b-c, c-a, as the flags word marks them visible.
    Vertex* ends[6];
    int count = 0;
    auto edge = [&](int bit, Vertex* from, Vertex* to) {
        if (face->flags & bit) {
            ends[count++] = from;
            ends[count++] = to;
        }
    };
    edge(4, face->a, face->b);
    edge(2, face->b, face->c);
    edge(1, face->c, face->a);
    if (!room_for(count, count, 6))
        check_capacity(fresh_shared(ends, count), count, 6);
    for (int k = 0; k < count; ++k)
        shared_corner(*ends[k], [end = ends[k]] { return pack_colour(end->light); }, nullptr);
}

void draw_face_flat(Face* face)
{
    draw_triangle<DrawerStyle{false, false, false, ColourSource::FaceColour}>(face);
}

void draw_face_gouraud(Face* face)
{
    draw_triangle<DrawerStyle{true, false, false, ColourSource::VertexLight}>(face);
}

void draw_face_textured(Face* face)
{
    draw_triangle<DrawerStyle{false, true, false, ColourSource::White}>(face);
}

void draw_face_textured_flat(Face* face)
{
    draw_triangle<DrawerStyle{false, true, false, ColourSource::FaceColour}>(face);
}

void draw_face_textured_gouraud(Face* face)
{
    draw_triangle<DrawerStyle{true, true, false, ColourSource::VertexLight}>(face);
}

void draw_face_blend(Face* face)
{
    draw_triangle<DrawerStyle{false, true, true, ColourSource::White}>(face);
}

void draw_face_blend_flat(Face* face)
{
    draw_triangle<DrawerStyle{false, true, true, ColourSource::FaceColour}>(face);
}

void draw_face_blend_gouraud(Face* face)
{
    draw_triangle<DrawerStyle{true, true, true, ColourSource::VertexLight}>(face);
}

void draw_face_none(Face*) {}

void batch_flush()
{
    BatchState& batch = renderer.batch;
    // A bucket of faces that draw nothing opened no batch: there is nothing to hand over, and
    // the previous batch must not be drawn again.
    if (!batch.batchOpen)
        return;
    gfx::Device* device = graphics.device;
    renderer.buffers.source->Unlock();
    renderer.buffers.source->Optimize(device, 0);
    renderer.buffers.destination->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_CLIP, 0,
                                               batch.batchVertexCount, renderer.buffers.source, 0,
                                               device, 0);
    device->DrawIndexedPrimitiveVB(static_cast<D3DPRIMITIVETYPE>(batch.primitiveType),
                                   renderer.buffers.destination, 0, batch.batchVertexCount,
                                   renderer.buffers.indices, batch.batchIndexCount, 0);
    // Stamps are cleared to 0 every frame, so the batch number skips 0 when it wraps.
    batch.batchNumber = batch.batchNumber == 0x7FFFFFFF ? 1 : batch.batchNumber + 1;
    batch.batchOpen = 0;
}
