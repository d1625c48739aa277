#pragma once
// The rasteriser: queues set-up triangles, lines and clears in drawing order and draws them into
// a frame buffer on all cores when flushed. The frame is cut into bands of 16 rows that the
// threads take as they become free; every pixel is drawn by exactly one thread, in primitive
// order, with the same arithmetic whichever thread it is, so frames come out byte for byte the
// same every run.
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
#include <thread>
#include <vector>

#include "softdevice/framebuffer.h"
#include "softdevice/raster_state.h"

class Rasterizer {
public:
    // threads: how many threads draw (0: one per core, at most 8).
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
    // Averages each pixel's samples into the frame's resolved image (nothing with one sample).
    void resolve();
    // Draws everything queued; the frame buffer is complete when it returns.
    void flush();

    int thread_count() const { return threadCount; }

    // Rows of a band at one sample a pixel. With 4 or 8 samples a band has 8 or 4 rows, so that
    // its samples stay within a core's cache while a queue is drawn into it.
    static constexpr int bandRows = 16;
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

private:
    // Clipping keeps positions within a few frame sizes; anything else (not a number, or far
    // beyond any frame) cannot be drawn in fixed point and is dropped.
    static bool within_reach(const ScreenVertex& v)
    {
        constexpr float reach = 1 << 20;
        return std::fabs(v.x) < reach && std::fabs(v.y) < reach && std::isfinite(v.z);
    }

    enum class Kind : uint8_t { triangle, line, clear, resolve };
    struct Command {
        Kind kind;
        uint32_t index;   // into triangles or lines; the clear flags for a clear
    };
    // Primitives in drawing order with the states they refer to, and for each band of rows the
    // commands that may touch it, in the same order. Queues are numbered in the order they are
    // filled and handed to the threads through a ring: while the threads draw the queues handed
    // over, the caller's thread sets up primitives into the next free one.
    struct Queue {
        std::vector<RasterState> states;
        std::vector<Triangle> triangles;
        std::vector<Line> lines;
        std::vector<Command> commands;
        std::vector<std::vector<uint32_t>> bands;
        // The queue's number in the high half and the next band to hand out in the low half:
        // bands are claimed by a compare-and-swap on both, so a thread that comes late to a
        // queue drawn and refilled meanwhile claims nothing of the new one.
        std::atomic<uint64_t> claim{0};
        std::atomic<int> bandsLeft{0};   // bands not drawn yet; the slot is free at 0
    };
    // For each band, the number of the last queue drawn into it: band b of queue n is drawn only
    // after band b of queue n - 1, so every pixel sees the primitives in order.
    struct alignas(64) BandProgress {
        std::atomic<uint64_t> drawn{0};
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
    void queue_command(Kind kind, uint32_t index, int yMin, int yMax);
    void hand_off();
    // Claims and draws one band of the oldest queue from cursor on that has one left; false
    // when every band handed off is claimed already.
    bool draw_next_band(uint64_t& cursor);
    void draw_band(Queue& queue, uint64_t number, int band);
    void draw_triangle(const Queue& queue, const Triangle& t, int rowStart, int rowEnd);
    void draw_small_triangle(const Queue& queue, const Triangle& t, int rowStart, int rowEnd);
    void draw_line(const Queue& queue, const Line& l, int rowStart, int rowEnd);
    void clear_rows(uint32_t flags, int rowStart, int rowEnd);
    void worker();
    // Watches a while for a queue numbered cursor or later; false when none came.
    bool work_arrives(uint64_t cursor);

    FrameBuffer& frame;
    const int bandHeight;   // rows of a band
    const int bandCount;
    // How far, in 1/16 pixel, a sample may lie from its pixel's sampling point along x or y.
    const int sampleReach;
    Queue queues[ringSize];
    std::unique_ptr<BandProgress[]> progress;
    RasterState pending;                  // the state set last
    bool pendingQueued = true;            // and it is the last of the filling queue's states
    uint64_t filling = 1;                 // the number of the queue being filled
    std::atomic<uint64_t> handedOff{1};   // queues numbered below it belong to the threads
    uint64_t callerCursor = 1;            // the first queue the caller's thread may draw from

    int threadCount;
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<int> sleeping{0};
    std::atomic<bool> stopping{false};
};
