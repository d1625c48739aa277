#include "gfxcontext/rasterizer.h"

#include <algorithm>
#include <cmath>


namespace {

constexpr int bandRows = 16;
constexpr int subpixel = 16;                 // vertex positions in 1/16 pixel
constexpr size_t handOffCommands = 1024;     // commands handed to the workers while set-up goes on
constexpr size_t maxQueued = 16384;          // commands kept before drawing anyway, one thread
constexpr uint64_t threadedArea = 16384;     // smaller batches are drawn on one thread

int64_t floor_div(int64_t n, int64_t d)   // d > 0
{
    int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

int64_t ceil_div(int64_t n, int64_t d) { return -floor_div(-n, d); }

// The edge vectors of a triangle from its first corner, with the reciprocal of their cross
// product: what every attribute plane of the triangle shares.
struct PlaneBasis {
    double x0, y0, ex1, ey1, ex2, ey2, inverse;
    int refX, refY;
};

Rasterizer::Plane plane(const PlaneBasis& p, double a0, double a1, double a2)
{
    const double dx = ((a1 - a0) * p.ey2 - (a2 - a0) * p.ey1) * p.inverse;
    const double dy = ((a2 - a0) * p.ex1 - (a1 - a0) * p.ex2) * p.inverse;
    const double c = a0 + dx * (p.refX - p.x0) + dy * (p.refY - p.y0);
    return Rasterizer::Plane{float(c), float(dx), float(dy)};
}

// Clipping keeps positions within a few frame sizes; anything else (not a number, or far beyond
// any frame) cannot be drawn in fixed point and is dropped.
bool within_reach(const ScreenVertex& v)
{
    constexpr float reach = 1 << 20;
    return std::fabs(v.x) < reach && std::fabs(v.y) < reach && std::isfinite(v.z);
}

}  // namespace

Rasterizer::Rasterizer(FrameBuffer& target, int threads) : frame(target)
{
    if (threads <= 0)
        threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    threadCount = threads;
    queues[0].states.push_back(RasterState{});
    queues[1].states.push_back(RasterState{});
    for (int i = 1; i < threadCount; i++)
        workers.emplace_back([this] { worker(); });
}

Rasterizer::~Rasterizer()
{
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& thread : workers)
        thread.join();
}

void Rasterizer::set_state(const RasterState& state)
{
    std::vector<RasterState>& states = queues[filling].states;
    if (!(states.back() == state))
        states.push_back(state);
}

void Rasterizer::triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                          uint32_t flatColour)
{
    const ScreenVertex* v[3] = {&a, &b, &c};
    if (!within_reach(a) || !within_reach(b) || !within_reach(c))
        return;
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; i++) {
        X[i] = std::lrint(double(v[i]->x) * subpixel);
        Y[i] = std::lrint(double(v[i]->y) * subpixel);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0)
        return;
    if (area < 0) {   // rasterise clockwise on screen: the inside is where every edge is >= 0
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    Triangle t;
    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    t.xMin = int(std::max<int64_t>(0, ceil_div(minX, subpixel)));
    t.xMax = int(std::min<int64_t>(frame.width - 1, floor_div(maxX, subpixel)));
    t.yMin = int(std::max<int64_t>(0, ceil_div(minY, subpixel)));
    t.yMax = int(std::min<int64_t>(frame.height - 1, floor_div(maxY, subpixel)));
    if (t.xMin > t.xMax || t.yMin > t.yMax)
        return;
    for (int i = 0; i < 3; i++) {
        int j = (i + 1) % 3;
        Edge& e = t.edges[i];
        e.x = X[i];
        e.y = Y[i];
        e.dx = X[j] - X[i];
        e.dy = Y[j] - Y[i];
        // Going clockwise on a y-down screen, left edges run upwards and top edges rightwards.
        bool topLeft = e.dy < 0 || (e.dy == 0 && e.dx > 0);
        e.bias = topLeft ? 0 : 1;
    }
    double x[3], y[3];
    for (int i = 0; i < 3; i++) {
        x[i] = double(X[i]) / subpixel;
        y[i] = double(Y[i]) / subpixel;
    }
    t.refX = int(std::floor(x[0]));
    t.refY = int(std::floor(y[0]));
    PlaneBasis basis{x[0], y[0], x[1] - x[0], y[1] - y[0], x[2] - x[0], y[2] - y[0], 0.0, t.refX,
                     t.refY};
    basis.inverse = 1.0 / (basis.ex1 * basis.ey2 - basis.ex2 * basis.ey1);
    auto make = [&](float ScreenVertex::*field) {
        return plane(basis, v[0]->*field, v[1]->*field, v[2]->*field);
    };
    t.z = make(&ScreenVertex::z);
    t.q = make(&ScreenVertex::q);
    t.uq = make(&ScreenVertex::uq);
    t.vq = make(&ScreenVertex::vq);
    t.r = make(&ScreenVertex::r);
    t.g = make(&ScreenVertex::g);
    t.b = make(&ScreenVertex::b);
    t.a = make(&ScreenVertex::a);
    Queue& queue = queues[filling];
    t.flatColour = flatColour;
    t.state = uint32_t(queue.states.size() - 1);
    queue.commands.push_back(
        Command{Kind::triangle, uint32_t(queue.triangles.size()), t.yMin, t.yMax});
    queue.triangles.push_back(t);
    queue.area += uint64_t(t.xMax - t.xMin + 1) * uint64_t(t.yMax - t.yMin + 1);
    queued(queue);
}

void Rasterizer::line(const ScreenVertex& a, const ScreenVertex& b, uint32_t flatColour)
{
    if (!within_reach(a) || !within_reach(b))
        return;
    Queue& queue = queues[filling];
    const float top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    queue.commands.push_back(Command{Kind::line, uint32_t(queue.lines.size()),
                                     int(std::floor(top)), int(std::ceil(bottom)) + 1});
    queue.lines.push_back(Line{a, b, flatColour, uint32_t(queue.states.size() - 1)});
    queue.area += uint64_t(std::fabs(a.x - b.x) + std::fabs(a.y - b.y)) + 1;
    queued(queue);
}

void Rasterizer::clear(uint32_t flags)
{
    Queue& queue = queues[filling];
    queue.commands.push_back(Command{Kind::clear, flags, 0, frame.height - 1});
    queue.area += uint64_t(frame.width) * uint64_t(frame.height);
    queued(queue);
}

void Rasterizer::queued(Queue& queue)
{
    if (threadCount > 1 && queue.commands.size() >= handOffCommands)
        hand_off();
    else if (queue.commands.size() >= maxQueued)
        flush();
}

void Rasterizer::hand_off()
{
    wait_for_workers();   // the other queue is drawn and may now be refilled
    Queue& full = queues[filling];
    start_workers(full);
    filling ^= 1;
    Queue& next = queues[filling];
    next.states.assign(1, full.states.back());
    next.triangles.clear();
    next.lines.clear();
    next.commands.clear();
    next.area = 0;
}

void Rasterizer::start_workers(Queue& queue)
{
    queue.nextBand.store(0);
    {
        std::lock_guard lock(mutex);
        drawing = &queue;
        generation++;
        pending = threadCount - 1;
    }
    wake.notify_all();
}

void Rasterizer::wait_for_workers()
{
    // Rather than wait idle, take the bands of the queue in flight that nobody has begun.
    if (drawing)
        draw_bands(*drawing);
    std::unique_lock lock(mutex);
    done.wait(lock, [this] { return pending == 0; });
}

void Rasterizer::flush()
{
    wait_for_workers();
    Queue& queue = queues[filling];
    if (queue.commands.empty())
        return;
    if (threadCount == 1 || queue.area < threadedArea) {
        queue.nextBand.store(0);
        draw_bands(queue);
    } else {
        start_workers(queue);
        draw_bands(queue);
        wait_for_workers();
    }
    queue.states.assign(1, queue.states.back());
    queue.triangles.clear();
    queue.lines.clear();
    queue.commands.clear();
    queue.area = 0;
}

void Rasterizer::worker()
{
    uint64_t seen = 0;
    for (;;) {
        Queue* queue;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return stopping || generation != seen; });
            if (stopping)
                return;
            seen = generation;
            queue = drawing;
        }
        draw_bands(*queue);
        {
            std::lock_guard lock(mutex);
            pending--;
        }
        done.notify_all();
    }
}

void Rasterizer::draw_bands(Queue& queue)
{
    // Bands are taken in turn by whichever thread is free, so a thread held up by the rest of
    // the machine does not hold up the frame. A band is drawn whole by one thread, with every
    // command in order, so the result does not depend on who drew it.
    const int bands = (frame.height + bandRows - 1) / bandRows;
    for (int band = queue.nextBand.fetch_add(1); band < bands;
         band = queue.nextBand.fetch_add(1)) {
        const int start = band * bandRows, end = std::min(frame.height, start + bandRows);
        for (const Command& command : queue.commands) {
            if (command.yMax < start || command.yMin >= end)
                continue;
            switch (command.kind) {
            case Kind::triangle:
                draw_triangle(queue, queue.triangles[command.index], start, end);
                break;
            case Kind::line: draw_line(queue, queue.lines[command.index], start, end); break;
            case Kind::clear: clear_rows(command.index, start, end); break;
            }
        }
    }
}

void Rasterizer::clear_rows(uint32_t flags, int rowStart, int rowEnd)
{
    const size_t first = size_t(rowStart) * frame.width, last = size_t(rowEnd) * frame.width;
    if (flags & D3DCLEAR_TARGET)
        std::fill(frame.colour.begin() + first, frame.colour.begin() + last, 0u);
    if (flags & D3DCLEAR_ZBUFFER)
        std::fill(frame.depth.begin() + first, frame.depth.begin() + last, 1.0f);
}
