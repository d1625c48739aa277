#pragma once
// The rasteriser: queues set-up triangles, lines and clears in drawing order and draws them into
// a frame buffer on all cores when flushed. The frame is cut into tiles of 64 x 64 pixels (fewer
// rows with more samples, so that a tile's samples stay in a core's cache), and each primitive is
// binned into the tiles it may touch. The threads take whole tiles as they become free and draw
// every primitive of a tile in order; every pixel is drawn by exactly one thread, with the same
// arithmetic whichever thread it is, so frames come out byte for byte the same every run.
//
// A clear only marks the tiles as cleared: the first primitive drawn into a tile fills it (a
// triangle that covers the whole tile without blending writes the tile as the clear and it
// would have left it, without the clear), the resolve writes the cleared colour of a tile
// nothing was drawn into straight into the resolved image, and flush() fills what is left
// (flush(Completion::image) only what is shown).
//
// Triangles are sampled at integer pixel positions (screen x, y with y down) with 1/16-pixel
// vertex precision and a top-left fill rule: a pixel on an edge belongs to the triangle only when
// that edge is a top or a left edge, so triangles sharing an edge cover each pixel once. Pixels
// are shaded in 2 x 2 quads, whose differences give the mip level.
//
// On a frame of several samples a pixel, coverage (with the same fill rule), the depth test and
// blending are per sample at the samples' positions, while a triangle's colour is worked out once
// per pixel at the pixel's sampling point; lines cover every sample of the pixels they touch.
// resolve() queues the averaging of the samples into the frame's resolved image.

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "softdevice/framebuffer.h"
#include "softdevice/raster_state.h"

class Rasterizer {
public:
    // threads: how many threads draw (0: SOFTWARE_DEVICE_THREADS when set, else one per core,
    // at most 8).
    explicit Rasterizer(FrameBuffer& target, int threads = 0);
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // The state of the primitives queued from now on. It joins a queue's states with the first
    // primitive drawn with it, so that states set for draws that queue nothing cost no room.
    void set_state(const RasterState& state)
    {
        if (!(state == pending)) {
            pending = state;
            pendingQueued = false;
        }
    }
    // flatColour (0xAARRGGBB) is used when the state is not Gouraud.
    void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  uint32_t flatColour);
    void line(const ScreenVertex& a, const ScreenVertex& b, uint32_t flatColour);
    void clear(uint32_t flags);
    // Text in the debug font with its top-left corner at pixel (x, y), drawn over every sample
    // of the pixels it covers (see draw_debug_text).
    void text(int x, int y, uint32_t colour, std::string_view text, int scale);
    // Averages each pixel's samples into the frame's resolved image (nothing with one sample).
    void resolve();
    // What flush() leaves complete: the whole frame buffer, or only the image shown (the colour
    // buffer with one sample, else the resolved image), cleared tiles staying marked otherwise.
    enum class Completion { frame, image };
    // Draws everything queued.
    void flush(Completion completion = Completion::frame);

    int thread_count() const { return threadCount; }

    // Columns and rows of a tile at one sample a pixel. With 4 or 8 samples a tile is one of the
    // frame's blocks, 64 x 32 or 64 x 16 pixels, so that its samples lie together and stay within
    // a core's cache while a queue is drawn into it. Both are even, so that no 2 x 2 quad
    // straddles two tiles.
    static constexpr int tileSize = 64;
    static constexpr int subpixel = 16;   // vertex positions are rounded to 1/16 pixel

    // The attributes interpolated across a triangle, each a plane a + dx * x + dy * y over the
    // pixels, kept as three arrays indexed by Attribute so that set-up writes them in pairs.
    enum Attribute { Z, Q, UQ, VQ, R, G, B, A, attributeCount };
    struct Planes {
        float c[attributeCount];    // values at the reference pixel
        float dx[attributeCount];   // steps along x
        float dy[attributeCount];   // steps along y
    };
    // An edge from (x, y) along (dx, dy) in 1/16 pixel; a pixel is on its inner side when
    // (Y - y) * dx - (X - x) * dy - bias >= 0 at the pixel's centre (X, Y).
    struct Edge {
        int32_t x, y, dx, dy, bias;
    };
    struct Triangle {
        Edge edges[3];                // from corner i to corner i + 1, clockwise on screen
        int xMin, xMax, yMin, yMax;   // pixel bounds, inclusive, within the frame
        bool small;                   // drawn quad by quad over its bounds, not span by span
        // The attributes at the corners. Their planes are worked out by the thread that draws,
        // so that the thread queueing triangles does no more than it must.
        float corners[3][attributeCount];
        uint32_t flatColour;
        uint32_t state;
    };
    // The planes of a triangle's attributes with the reference pixel (refX, refY) they start
    // from; only those the state uses (z, the texture's, the colours when Gouraud).
    struct TrianglePlanes {
        Planes planes;
        int refX, refY;
    };
    static TrianglePlanes triangle_planes(const Triangle& t, bool textured, bool gouraud);
    struct Line {
        ScreenVertex a, b;
        uint32_t flatColour;
        uint32_t state;
    };
    // Pixels [x0, x1) x [y0, y1) of the frame.
    struct Rect {
        int x0, y0, x1, y1;
    };
    // A tile being drawn: its pixels, and sample 0 of its first row in each buffer, indexed by
    // column, from which its other rows lie FrameBuffer::row_stride() values apart.
    struct TileView {
        Rect rect;
        uint32_t* colour;
        float* depth;
    };

private:
    // Clipping keeps positions within a few frame sizes; anything else (not a number, or far
    // beyond any frame) cannot be drawn in fixed point and is dropped.
    static bool within_reach(const ScreenVertex& v)
    {
        constexpr float reach = 1 << 20;
        return std::fabs(v.x) < reach && std::fabs(v.y) < reach && std::isfinite(v.z);
    }

    enum class Kind : uint8_t { triangle, line, text, clear, resolve, settle };
    struct Command {
        Kind kind;
        // Into triangles, lines or texts; the clear flags for a clear, and for a settle the
        // buffers whose cleared tiles are filled.
        uint32_t index;
    };
    struct Text {
        int x, y, scale;
        uint32_t colour;
        std::string text;
    };
    // Primitives in drawing order with the states they refer to, and for each tile the commands
    // that may touch it, in the same order. Queues are numbered in the order they are filled and
    // handed to the threads through a ring: while the threads draw the queues handed over, the
    // caller's thread sets up primitives into the next free one.
    struct Queue {
        std::vector<RasterState> states;
        std::vector<Triangle> triangles;
        std::vector<Line> lines;
        std::vector<Text> texts;
        std::vector<Command> commands;
        std::vector<std::vector<uint32_t>> tiles;
        // The tiles with commands, in the order they got their first one, each with the number
        // of the last queue before this one that had commands for it: only these are handed
        // out, so a queue of a few small triangles costs a few tiles, not the whole frame.
        struct Touched {
            uint32_t tile;
            uint64_t after;
        };
        std::vector<Touched> touched;
        std::atomic<uint32_t> touchedCount{0};   // touched.size(), for threads claiming tiles
        // The queue's number in the high half and the next of `touched` to hand out in the low
        // half: tiles are claimed by a compare-and-swap on both, so a thread that comes late to
        // a queue drawn and refilled meanwhile claims nothing of the new one.
        std::atomic<uint64_t> claim{0};
        std::atomic<uint32_t> tilesLeft{0};   // tiles not drawn yet; the slot is free at 0
    };
    // For each tile, the number of the last queue drawn into it: a tile of a queue is drawn only
    // after the same tile of the last queue before it that touched it, so every pixel sees the
    // primitives in order. The buffers
    // cleared but not filled yet in the tile (clear flags) belong to the thread drawing it.
    struct alignas(64) TileProgress {
        std::atomic<uint64_t> drawn{0};
        uint32_t clearPending = 0;
    };
    static constexpr int ringSize = 4;
    static constexpr size_t handOffCommands = 1024;   // commands a queue gathers, at most

    // A queue's lists never hold more than a queue's commands (and one state more): each grows
    // once, to that size, rather than reaching new sizes now and then through a run.
    template <typename T>
    static void append(std::vector<T>& list, const T& value)
    {
        if (list.size() == list.capacity())
            list.reserve(handOffCommands + 1);
        list.push_back(value);
    }

    Queue& filling_queue() { return queues[filling % ringSize]; }
    // The index in the queue's states of the state set last, added when it is not the last one.
    uint32_t pending_state(Queue& queue)
    {
        if (!pendingQueued) {
            if (!(queue.states.back() == pending))
                append(queue.states, pending);
            pendingQueued = true;
        }
        return uint32_t(queue.states.size() - 1);
    }
    // Queues a command for the tiles overlapping pixels [xMin, xMax] x [yMin, yMax]; a triangle
    // is left out of the tiles wholly outside one of its edges.
    void queue_command(Kind kind, uint32_t index, int xMin, int xMax, int yMin, int yMax,
                       const Triangle* triangle = nullptr);
    void queue_everywhere(Kind kind, uint32_t index)
    {
        queue_command(kind, index, 0, frame.width - 1, 0, frame.height - 1);
    }
    void hand_off();
    // Claims and draws one tile of the oldest queue from cursor on that has one left; false
    // when every tile handed off is claimed already.
    bool draw_next_tile(uint64_t& cursor);
    void draw_tile(Queue& queue, uint64_t number, const Queue::Touched& touched);
    Rect tile_rect(int tile) const;
    void draw_triangle(const Queue& queue, const Triangle& t, const TileView& tile);
    // Draws t into a tile whose colour and depth are both still to be cleared, without clearing
    // them first, when t covers the whole tile without blending; false, drawing nothing, when
    // it does not.
    bool draw_fresh_triangle(const Queue& queue, const Triangle& t, const TileView& tile);
    void draw_line(const Queue& queue, const Line& l, const Rect& tile);
    // Writes the cleared values of the buffers among flags that are still to be filled.
    void fill_cleared(TileProgress& progress, uint32_t flags, const Rect& tile)
    {
        if (flags & progress.clearPending)
            fill_cleared_now(progress, flags & progress.clearPending, tile);
    }
    void fill_cleared_now(TileProgress& progress, uint32_t flags, const Rect& tile);
    void worker();
    // Watches a while for a queue numbered cursor or later; false when none came.
    bool work_arrives(uint64_t cursor);

    FrameBuffer& frame;
    const int tileCols;   // columns of a tile
    const int tileRows;   // rows of a tile
    const int tilesAcross, tileCount;
    const int columnShift, rowShift;   // log2 of tileCols and tileRows, both powers of two
    // How far, in 1/16 pixel, a sample may lie from its pixel's sampling point along x or y.
    const int sampleReach;
    Queue queues[ringSize];
    std::unique_ptr<TileProgress[]> progress;
    std::vector<uint64_t> lastQueued;     // for each tile, the last queue given commands for it
    RasterState pending;                  // the state set last
    bool pendingQueued = true;            // and it is the last of the filling queue's states
    uint64_t filling = 1;                 // the number of the queue being filled
    std::atomic<uint64_t> handedOff{1};   // queues numbered below it belong to the threads
    uint64_t callerCursor = 1;            // the first queue the caller's thread may draw from
    uint32_t clearsQueued = 0;            // the buffers cleared since flush() last filled them

    int threadCount;
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<int> sleeping{0};
    std::atomic<bool> stopping{false};
};
