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

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "gfxcontext/framebuffer.h"
#include "gfxcontext/raster_state.h"

class Rasterizer {
public:
    // threads: how many threads draw (0: one per core, at most 8).
    explicit Rasterizer(FrameBuffer& target, int threads = 0);
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // The state of the primitives queued from now on.
    void set_state(const RasterState& state);
    // flatColour (0xAARRGGBB) is used when the state is not Gouraud.
    void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  uint32_t flatColour);
    void line(const ScreenVertex& a, const ScreenVertex& b, uint32_t flatColour);
    void clear(uint32_t flags);
    // Draws everything queued; the frame buffer is complete when it returns.
    void flush();

    int thread_count() const { return threadCount; }

    struct Plane {
        float c, dx, dy;   // value at the reference pixel, steps along x and y
    };
    struct Edge {
        int64_t x, y, dx, dy, bias;
    };
    struct Triangle {
        Edge edges[3];
        int xMin, xMax, yMin, yMax;   // pixel bounds, inclusive, within the frame
        int refX, refY;
        Plane z, q, uq, vq, r, g, b, a;
        uint32_t flatColour;
        uint32_t state;
    };
    struct Line {
        ScreenVertex a, b;
        uint32_t flatColour;
        uint32_t state;
    };

private:
    enum class Kind : uint8_t { triangle, line, clear };
    struct Command {
        Kind kind;
        uint32_t index;     // into triangles or lines; the clear flags for a clear
        int yMin, yMax;     // the rows it may touch, so that bands skip it without looking
    };
    // Primitives in drawing order with the states they refer to. Two queues take turns: while
    // the worker threads draw one, the caller's thread sets up primitives into the other.
    struct Queue {
        std::vector<RasterState> states;
        std::vector<Triangle> triangles;
        std::vector<Line> lines;
        std::vector<Command> commands;
        uint64_t area = 0;   // rough pixel count, to draw small queues on one thread
        std::atomic<int> nextBand{0};
    };

    void queued(Queue& queue);
    void hand_off();
    void start_workers(Queue& queue);
    void wait_for_workers();
    void draw_bands(Queue& queue);
    void draw_triangle(const Queue& queue, const Triangle& t, int rowStart, int rowEnd);
    void draw_line(const Queue& queue, const Line& l, int rowStart, int rowEnd);
    void clear_rows(uint32_t flags, int rowStart, int rowEnd);
    void worker();

    FrameBuffer& frame;
    Queue queues[2];
    int filling = 0;

    int threadCount;
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable wake, done;
    Queue* drawing = nullptr;
    uint64_t generation = 0;
    int pending = 0;
    bool stopping = false;
};
