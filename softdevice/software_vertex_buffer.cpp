#include "softdevice/software_vertex_buffer.h"

#include "softdevice/software_device.h"

HRESULT SoftwareVertexBuffer::ProcessVertices(uint32_t operations, uint32_t destIndex,
                                              uint32_t n, gfx::VertexBuffer* source,
                                              uint32_t sourceIndex, gfx::Device* device,
                                              uint32_t)
{
    auto* ours = dynamic_cast<SoftwareDevice*>(device);
    return transform_from(dynamic_cast<SoftwareVertexBuffer*>(source), sourceIndex, destIndex, n,
                          ours ? ours->combined_transform() : nullptr, operations)
               ? D3D_OK
               : D3DERR_GENERIC;
}
