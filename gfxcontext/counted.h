#pragma once
// Reference counting for the objects the context library hands out. The library owns them for
// its whole life, so a count reaching zero frees nothing: a caller that releases too often cannot
// leave another caller with a dangling object.

#include <cstdint>

namespace gfx {

template <class Base>
class Counted : public Base {
public:
    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override { return references ? --references : 0; }

private:
    uint32_t references = 1;
};

}  // namespace gfx
