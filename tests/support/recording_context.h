#pragma once
// A context library for tests that logs every call of the device contract with its arguments,
// in order, and keeps what each draw received, so tests can check the exact state sequences and
// vertices the renderer sends.

#include <memory>
#include <string>
#include <vector>

#include "gfxcontext/context.h"

namespace testing_gfx {

struct RecordedDraw {
    D3DPRIMITIVETYPE type;
    std::vector<D3DLVERTEX> vertices;  // the source vertices the draw's buffer was processed from
    std::vector<uint16_t> indices;
};

class RecordingLibrary : public gfx::ContextLibrary {
public:
    RecordingLibrary();
    ~RecordingLibrary() override;

    // Every call, formatted as "Name(arg, arg, ...)"; numbers in decimal, pointers as "null" or
    // "tex#N" / "vb#N" (in creation order, from 1).
    std::vector<std::string> calls;
    std::vector<RecordedDraw> draws;
    // Context creation succeeds for this selector and every later one tried; earlier selectors
    // fail. Default: the first selector tried succeeds.
    bool acceptAll = true;
    uint32_t firstAcceptedSelector = 0;
    // Context creation never succeeds (the selector loop must give up on its own).
    bool refuseAll = false;

    // The calls whose text starts with prefix.
    std::vector<std::string> calls_starting(const std::string& prefix) const;
    void clear();

    HRESULT D3DXInitialize() override;
    HRESULT D3DXUninitialize() override;
    HRESULT D3DXCreateContext(uint32_t selector, uint32_t flags, void* window, uint32_t width,
                              uint32_t height, gfx::Context** context) override;
    HRESULT D3DXCreateTexture(gfx::Device* device, uint32_t flags, uint32_t width,
                              uint32_t height, uint32_t format, gfx::Texture** texture) override;
    HRESULT D3DXLoadTextureFromMemory(gfx::Device* device, gfx::Texture* texture, uint32_t level,
                                      const void* pixels, uint32_t format, uint32_t pitch,
                                      uint32_t filter) override;

    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace testing_gfx
