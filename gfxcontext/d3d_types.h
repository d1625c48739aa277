#pragma once
// The state enums, flags and vertex layouts of the device contract. They keep the numbering of the
// platform's own graphics interface, so stored values and renderer calls mean the same to either.

#include <cstdint>

using HRESULT = int32_t;
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_GENERIC = -1;

enum D3DRENDERSTATETYPE : uint32_t {
    D3DRENDERSTATE_ZENABLE = 7,
    D3DRENDERSTATE_FILLMODE = 8,
    D3DRENDERSTATE_SHADEMODE = 9,
    D3DRENDERSTATE_SRCBLEND = 19,
    D3DRENDERSTATE_DESTBLEND = 20,
    D3DRENDERSTATE_CULLMODE = 22,
    D3DRENDERSTATE_DITHERENABLE = 26,
    D3DRENDERSTATE_ALPHABLENDENABLE = 27,
    D3DRENDERSTATE_CLIPPING = 136,
    D3DRENDERSTATE_LIGHTING = 137,
};

enum : uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DCULL : uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DFILLMODE : uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DBLEND : uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
};

enum D3DTEXTURESTAGESTATETYPE : uint32_t {
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
};
enum D3DTEXTUREMAGFILTER : uint32_t { D3DTFG_POINT = 1, D3DTFG_LINEAR = 2 };
enum D3DTEXTUREMINFILTER : uint32_t { D3DTFN_POINT = 1, D3DTFN_LINEAR = 2 };
enum D3DTEXTUREMIPFILTER : uint32_t { D3DTFP_NONE = 1, D3DTFP_POINT = 2, D3DTFP_LINEAR = 3 };

enum D3DTRANSFORMSTATETYPE : uint32_t {
    D3DTRANSFORMSTATE_WORLD = 1,
    D3DTRANSFORMSTATE_VIEW = 2,
    D3DTRANSFORMSTATE_PROJECTION = 3,
};

enum D3DPRIMITIVETYPE : uint32_t { D3DPT_LINELIST = 2, D3DPT_TRIANGLELIST = 4 };

constexpr uint32_t D3DFVF_LVERTEX = 0x1E2;
constexpr uint32_t D3DFVF_TLVERTEX = 0x1C4;
constexpr uint32_t D3DVOP_TRANSFORM = 0x1;
constexpr uint32_t D3DVOP_CLIP = 0x4;
constexpr uint32_t DDLOCK_WAIT = 0x1;
constexpr uint32_t DDLOCK_WRITEONLY = 0x20;
constexpr uint32_t D3DVBCAPS_SYSTEMMEMORY = 0x800;
constexpr uint32_t D3DVBCAPS_WRITEONLY = 0x10000;
constexpr uint32_t D3DCLEAR_TARGET = 1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 2;

// Context library values.
constexpr uint32_t D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr uint32_t D3DX_HWLEVEL_NULL = 0xFFFFFFFEu;     // -2
constexpr uint32_t D3DX_HWLEVEL_REFERENCE = 0xFFFFFFFDu;  // -3
constexpr uint32_t D3DX_HWLEVEL_2D = 0xFFFFFFFCu;        // -4
constexpr uint32_t D3DX_HWLEVEL_RASTER = 0xFFFFFFFBu;    // -5
constexpr uint32_t D3DX_HWLEVEL_TL = 0xFFFFFFFAu;        // -6
constexpr uint32_t D3DX_CONTEXT_FULLSCREEN = 1;
constexpr uint32_t D3DX_TEXTURE_NOMIPMAP = 256;
constexpr uint32_t D3DX_SF_A8R8G8B8 = 2;
constexpr uint32_t D3DX_FT_LINEAR = 2;

// Lit vertex (source of the transform): 32 bytes.
struct D3DLVERTEX {
    float x, y, z;
    uint32_t reserved;
    uint32_t color;     // 0xAARRGGBB
    uint32_t specular;
    float tu, tv;
};
static_assert(sizeof(D3DLVERTEX) == 32);

// Transformed and lit vertex: 32 bytes.
struct D3DTLVERTEX {
    float sx, sy, sz, rhw;
    uint32_t color;
    uint32_t specular;
    float tu, tv;
};
static_assert(sizeof(D3DTLVERTEX) == 32);

struct D3DVERTEXBUFFERDESC {
    uint32_t dwSize;
    uint32_t dwCaps;
    uint32_t dwFVF;
    uint32_t dwNumVertices;
};
