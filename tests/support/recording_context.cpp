#include "tests/support/recording_context.h"

#include <cstdio>
#include <sstream>

namespace testing_gfx {

using namespace gfx;

namespace {

std::string join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty())
            text += ", ";
        text += part;
    }
    return text;
}

std::string num(uint64_t value) { return std::to_string(value); }

std::string real(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

class RecTexture;
class RecVertexBuffer;

struct RecordingLibrary::Impl {
    RecordingLibrary& owner;
    std::vector<std::unique_ptr<Unknown>> objects;
    int textureCount = 0;
    int bufferCount = 0;

    void log(const std::string& name, const std::string& args)
    {
        owner.calls.push_back(name + "(" + args + ")");
    }
    std::string name_of(Texture* texture);
    std::string name_of(VertexBuffer* buffer);
};

class RecTexture : public Texture {
public:
    explicit RecTexture(int id) : id(id) {}
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override { return references ? --references : 0; }
    int id;
    uint32_t references = 1;
};

class RecVertexBuffer : public VertexBuffer {
public:
    RecVertexBuffer(RecordingLibrary::Impl& impl, int id, uint32_t fvf, uint32_t count)
        : impl(impl), id(id), fvf(fvf), storage(count)
    {
    }
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override
    {
        impl.log("Release", "vb#" + num(id));
        return references ? --references : 0;
    }
    HRESULT Lock(uint32_t flags, void** data) override
    {
        impl.log("Lock", join({"vb#" + num(id), num(flags)}));
        *data = storage.data();
        return D3D_OK;
    }
    HRESULT Unlock() override
    {
        impl.log("Unlock", "vb#" + num(id));
        return D3D_OK;
    }
    HRESULT Optimize(Device*, uint32_t flags) override
    {
        impl.log("Optimize", join({"vb#" + num(id), num(flags)}));
        return D3D_OK;
    }
    HRESULT ProcessVertices(uint32_t operations, uint32_t destIndex, uint32_t count,
                            VertexBuffer* source, uint32_t sourceIndex, Device*,
                            uint32_t flags) override
    {
        auto* from = static_cast<RecVertexBuffer*>(source);
        impl.log("ProcessVertices", join({"vb#" + num(id), num(operations), num(destIndex),
                                          num(count), "vb#" + num(from->id), num(sourceIndex),
                                          num(flags)}));
        processed.assign(from->storage.begin() + sourceIndex,
                         from->storage.begin() + sourceIndex + count);
        return D3D_OK;
    }

    RecordingLibrary::Impl& impl;
    int id;
    uint32_t fvf;
    std::vector<D3DLVERTEX> storage;
    std::vector<D3DLVERTEX> processed;
    uint32_t references = 1;
};

std::string RecordingLibrary::Impl::name_of(Texture* texture)
{
    return texture ? "tex#" + num(static_cast<RecTexture*>(texture)->id) : "null";
}

std::string RecordingLibrary::Impl::name_of(VertexBuffer* buffer)
{
    return buffer ? "vb#" + num(static_cast<RecVertexBuffer*>(buffer)->id) : "null";
}

namespace {

class RecDevice : public Device {
public:
    explicit RecDevice(RecordingLibrary::Impl& impl) : impl(impl) {}
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override
    {
        impl.log("Release", "device");
        return references ? --references : 0;
    }
    HRESULT BeginScene() override
    {
        impl.log("BeginScene", "");
        return D3D_OK;
    }
    HRESULT EndScene() override
    {
        impl.log("EndScene", "");
        return D3D_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const float* m) override
    {
        std::string values;
        for (int i = 0; i < 16; ++i) {
            if (i)
                values += ' ';
            values += real(m[i]);
        }
        impl.log("SetTransform", join({num(state), values}));
        return D3D_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override
    {
        impl.log("SetRenderState", join({num(state), num(value)}));
        return D3D_OK;
    }
    HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                 uint32_t value) override
    {
        impl.log("SetTextureStageState", join({num(stage), num(type), num(value)}));
        return D3D_OK;
    }
    HRESULT SetTexture(uint32_t stage, Texture* texture) override
    {
        impl.log("SetTexture", join({num(stage), impl.name_of(texture)}));
        return D3D_OK;
    }
    HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, VertexBuffer* buffer,
                                   uint32_t startVertex, uint32_t vertexCount,
                                   const uint16_t* indices, uint32_t indexCount,
                                   uint32_t flags) override
    {
        impl.log("DrawIndexedPrimitiveVB",
                 join({num(type), impl.name_of(buffer), num(startVertex), num(vertexCount),
                       num(indexCount), num(flags)}));
        RecordedDraw draw;
        draw.type = type;
        if (buffer)
            draw.vertices = static_cast<RecVertexBuffer*>(buffer)->processed;
        if (indices)
            draw.indices.assign(indices, indices + indexCount);
        impl.owner.draws.push_back(std::move(draw));
        return D3D_OK;
    }

    RecordingLibrary::Impl& impl;
    uint32_t references = 1;
};

class RecDirect3D : public Direct3D {
public:
    explicit RecDirect3D(RecordingLibrary::Impl& impl) : impl(impl) {}
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override
    {
        impl.log("Release", "d3d");
        return references ? --references : 0;
    }
    HRESULT CreateVertexBuffer(const D3DVERTEXBUFFERDESC& desc, VertexBuffer** buffer,
                               uint32_t flags) override
    {
        int id = ++impl.bufferCount;
        impl.log("CreateVertexBuffer", join({num(desc.dwSize), num(desc.dwCaps), num(desc.dwFVF),
                                             num(desc.dwNumVertices), num(flags)}));
        auto created = std::make_unique<RecVertexBuffer>(impl, id, desc.dwFVF, desc.dwNumVertices);
        *buffer = created.get();
        impl.objects.push_back(std::move(created));
        return D3D_OK;
    }

    RecordingLibrary::Impl& impl;
    uint32_t references = 1;
};

class RecContext : public Context {
public:
    explicit RecContext(RecordingLibrary::Impl& impl) : impl(impl), device(impl), d3d(impl) {}
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override { return references ? --references : 0; }
    Device* GetD3DDevice() override
    {
        impl.log("GetD3DDevice", "");
        device.AddRef();
        return &device;
    }
    Direct3D* GetD3D() override
    {
        impl.log("GetD3D", "");
        d3d.AddRef();
        return &d3d;
    }
    HRESULT UpdateFrame(uint32_t flags) override
    {
        impl.log("UpdateFrame", num(flags));
        return D3D_OK;
    }
    HRESULT Clear(uint32_t flags) override
    {
        impl.log("Clear", num(flags));
        return D3D_OK;
    }
    HRESULT DrawDebugText(float x, float y, uint32_t colour, const char* text) override
    {
        impl.log("DrawDebugText", join({real(x), real(y), num(colour), text}));
        return D3D_OK;
    }

    RecordingLibrary::Impl& impl;
    RecDevice device;
    RecDirect3D d3d;
    uint32_t references = 1;
};

}  // namespace

RecordingLibrary::RecordingLibrary() : impl(std::make_unique<Impl>(Impl{*this, {}, 0, 0})) {}
RecordingLibrary::~RecordingLibrary() = default;

std::vector<std::string> RecordingLibrary::calls_starting(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : calls)
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    return found;
}

void RecordingLibrary::clear()
{
    calls.clear();
    draws.clear();
}

HRESULT RecordingLibrary::D3DXInitialize()
{
    impl->log("D3DXInitialize", "");
    return D3D_OK;
}

HRESULT RecordingLibrary::D3DXUninitialize()
{
    impl->log("D3DXUninitialize", "");
    return D3D_OK;
}

HRESULT RecordingLibrary::D3DXCreateContext(uint32_t selector, uint32_t flags, void*,
                                            uint32_t width, uint32_t height, Context** context)
{
    impl->log("D3DXCreateContext", join({num(selector), num(flags), num(width), num(height)}));
    bool accepted = !refuseAll && (acceptAll || selector == firstAcceptedSelector);
    if (!accepted)
        return D3DERR_GENERIC;
    if (!acceptAll)
        acceptAll = true;  // every later selector works too
    auto created = std::make_unique<RecContext>(*impl);
    *context = created.get();
    impl->objects.push_back(std::move(created));
    return D3D_OK;
}

HRESULT RecordingLibrary::D3DXCreateTexture(Device*, uint32_t flags, uint32_t width,
                                            uint32_t height, uint32_t format, Texture** texture)
{
    int id = ++impl->textureCount;
    impl->log("D3DXCreateTexture", join({num(flags), num(width), num(height), num(format)}));
    auto created = std::make_unique<RecTexture>(id);
    *texture = created.get();
    impl->objects.push_back(std::move(created));
    return D3D_OK;
}

HRESULT RecordingLibrary::D3DXLoadTextureFromMemory(Device*, Texture* texture, uint32_t level,
                                                    const void* pixels, uint32_t format,
                                                    uint32_t pitch, uint32_t filter)
{
    impl->log("D3DXLoadTextureFromMemory",
              join({impl->name_of(texture), num(level), pixels ? "pixels" : "null", num(format),
                    num(pitch), num(filter)}));
    return D3D_OK;
}

}  // namespace testing_gfx
