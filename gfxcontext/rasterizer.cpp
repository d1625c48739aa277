#include "gfxcontext/rasterizer.h"

#include <algorithm>
#include <cmath>


namespace {

constexpr size_t handOffCommands = 1024;     // commands handed to the workers while set-up goes on
constexpr size_t maxQueued = 16384;          // commands kept before drawing anyway, one thread
constexpr uint64_t threadedArea = 16384;     // smaller batches are drawn on one thread

}  // namespace

Rasterizer::Rasterizer(FrameBuffer& target, int threads) : frame(target)
{
    if (threads <= 0)
        threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    threadCount = threads;
    for (Queue& queue : queues) {
        queue.states.push_back(RasterState{});
        queue.bands.resize(size_t((frame.height + bandRows - 1) / bandRows));
    }
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

void Rasterizer::line(const ScreenVertex& a, const ScreenVertex& b, uint32_t flatColour)
{
    if (!within_reach(a) || !within_reach(b))
        return;
    Queue& queue = queues[filling];
    const float top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    const uint32_t index = uint32_t(queue.lines.size());
    queue.lines.push_back(Line{a, b, flatColour, uint32_t(queue.states.size() - 1)});
    queue_command(Kind::line, index, int(std::floor(top)), int(std::ceil(bottom)) + 1,
                  uint64_t(std::fabs(a.x - b.x) + std::fabs(a.y - b.y)) + 1);
}

void Rasterizer::clear(uint32_t flags)
{
    queue_command(Kind::clear, flags, 0, frame.height - 1,
                  uint64_t(frame.width) * uint64_t(frame.height));
    // A frame begins with a clear and then, for a while, nothing to draw: let the workers clear
    // while the caller works out what to draw.
    if (threadCount > 1 && queues[filling].commands.size() == 1)
        hand_off();
}

void Rasterizer::queue_command(Kind kind, uint32_t index, int yMin, int yMax, uint64_t area)
{
    Queue& queue = queues[filling];
    const uint32_t command = uint32_t(queue.commands.size());
    queue.commands.push_back(Command{kind, index});
    const int first = std::max(yMin, 0), last = std::min(yMax, frame.height - 1);
    for (int band = first / bandRows; first <= last && band <= last / bandRows; band++)
        queue.bands[size_t(band)].push_back(command);
    queue.area += area;
    if (threadCount > 1 && queue.commands.size() >= handOffCommands)
        hand_off();
    else if (queue.commands.size() >= maxQueued)
        flush();
}

void Rasterizer::reset(Queue& queue)
{
    queue.states.erase(queue.states.begin(), queue.states.end() - 1);
    queue.triangles.clear();
    queue.lines.clear();
    queue.commands.clear();
    for (std::vector<uint32_t>& band : queue.bands)
        band.clear();
    queue.area = 0;
}

void Rasterizer::hand_off()
{
    wait_for_workers();   // the other queue is drawn and may now be refilled
    Queue& full = queues[filling];
    start_workers(full);
    filling ^= 1;
    Queue& next = queues[filling];
    next.states.assign(1, full.states.back());
    reset(next);
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
    reset(queue);
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
    const int bands = int(queue.bands.size());
    for (int band = queue.nextBand.fetch_add(1); band < bands;
         band = queue.nextBand.fetch_add(1)) {
        const int start = band * bandRows, end = std::min(frame.height, start + bandRows);
        for (uint32_t index : queue.bands[size_t(band)]) {
            const Command& command = queue.commands[index];
            switch (command.kind) {
            case Kind::triangle: {
                const Triangle& t = queue.triangles[command.index];
                if (t.small)
                    draw_small_triangle(queue, t, start, end);
                else
                    draw_triangle(queue, t, start, end);
                break;
            }
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
