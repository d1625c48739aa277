#include "softdevice/rasterizer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "softdevice/simd.h"

namespace {

// How long a thread with nothing to draw watches for more before it sleeps: longer than the
// caller's thread usually takes to fill a queue, so that handing one off rarely wakes a sleeper.
constexpr auto watchFor = std::chrono::microseconds(300);

}  // namespace

Rasterizer::Rasterizer(FrameBuffer& target, int threads)
    : frame(target),
      bandHeight(target.samples > 1 ? std::max(2, 2 * bandRows / target.samples) : bandRows),
      bandCount((target.height + bandHeight - 1) / bandHeight),
      sampleReach(target.samples == 8 ? 7 : target.samples == 4 ? 6 : 0),
      progress(std::make_unique<BandProgress[]>(size_t(bandCount)))
{
    if (threads <= 0)
        threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    threads = 1;   // a page without shared memory has no threads to draw on but its own
#endif
    threadCount = threads;
    for (Queue& queue : queues) {
        queue.states.push_back(RasterState{});
        queue.bands.resize(size_t(bandCount));
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

void Rasterizer::line(const ScreenVertex& a, const ScreenVertex& b, uint32_t flatColour)
{
    if (!within_reach(a) || !within_reach(b))
        return;
    Queue& queue = filling_queue();
    const float top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    const uint32_t index = uint32_t(queue.lines.size());
    append(queue.lines, Line{a, b, flatColour, pending_state(queue)});
    queue_command(Kind::line, index, int(std::floor(top)), int(std::ceil(bottom)) + 1);
}

void Rasterizer::clear(uint32_t flags)
{
    queue_command(Kind::clear, flags, 0, frame.height - 1);
    // A frame begins with a clear and then, for a while, nothing to draw: let the workers clear
    // while the caller works out what to draw. Frames of several samples are rather cleared,
    // drawn and resolved band by band in one pass, while each band is in the cache.
    if (threadCount > 1 && frame.samples == 1 && filling_queue().commands.size() == 1)
        hand_off();
}

void Rasterizer::resolve()
{
    if (frame.samples > 1)
        queue_command(Kind::resolve, 0, 0, frame.height - 1);
}

void Rasterizer::queue_command(Kind kind, uint32_t index, int yMin, int yMax)
{
    Queue& queue = filling_queue();
    const uint32_t command = uint32_t(queue.commands.size());
    append(queue.commands, Command{kind, index});
    const int first = std::max(yMin, 0), last = std::min(yMax, frame.height - 1);
    for (int band = first / bandHeight; first <= last && band <= last / bandHeight; band++)
        append(queue.bands[size_t(band)], command);
    if (queue.commands.size() >= handOffCommands)
        hand_off();
}

void Rasterizer::hand_off()
{
    Queue& full = filling_queue();
    full.bandsLeft.store(bandCount, std::memory_order_relaxed);
    full.claim.store(filling << 32, std::memory_order_release);
    handedOff.store(filling + 1);
    if (sleeping.load() > 0) {
        std::lock_guard lock(mutex);
        wake.notify_all();
    }
    filling++;
    // The next slot held the queue handed off a ring ago: until that one is drawn, draw.
    Queue& next = filling_queue();
    while (next.bandsLeft.load(std::memory_order_acquire) != 0)
        if (!draw_next_band(callerCursor))
            std::this_thread::yield();
    next.states.assign(1, pending);
    pendingQueued = true;
    next.triangles.clear();
    next.lines.clear();
    next.commands.clear();
    for (std::vector<uint32_t>& band : next.bands)
        band.clear();
}

void Rasterizer::flush()
{
    if (!filling_queue().commands.empty())
        hand_off();
    // Draw beside the workers until the last queue handed off is drawn, and with it every
    // earlier one: each band of it waited for the same band of the queue before.
    while (draw_next_band(callerCursor)) {
    }
    // The bands still in hand are another thread's: on a busy machine that thread may be waiting
    // for a core, which spinning here would keep from it.
    const Queue& last = queues[(filling - 1) % ringSize];
    while (last.bandsLeft.load(std::memory_order_acquire) != 0)
        std::this_thread::yield();
}

bool Rasterizer::draw_next_band(uint64_t& cursor)
{
    const uint64_t end = handedOff.load(std::memory_order_acquire);
    for (; cursor < end; cursor++) {
        Queue& queue = queues[cursor % ringSize];
        uint64_t claim = queue.claim.load(std::memory_order_acquire);
        while (claim >> 32 == cursor && int(claim & 0xFFFFFFFFu) < bandCount)
            if (queue.claim.compare_exchange_weak(claim, claim + 1, std::memory_order_acq_rel,
                                                  std::memory_order_acquire)) {
                draw_band(queue, cursor, int(claim & 0xFFFFFFFFu));
                return true;
            }
    }
    return false;
}

void Rasterizer::draw_band(Queue& queue, uint64_t number, int band)
{
    // The band of the queue before is being drawn by another thread, which never waits for this
    // one: a short wait.
    std::atomic<uint64_t>& drawn = progress[size_t(band)].drawn;
    for (int spins = 0; drawn.load(std::memory_order_acquire) != number - 1; spins++)
        if (spins < 4096)
            simd::pause();
        else
            std::this_thread::yield();
    // A band is drawn whole by one thread, with every command in order, so the result does not
    // depend on who drew it.
    const int start = band * bandHeight, end = std::min(frame.height, start + bandHeight);
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
        case Kind::resolve: resolve_rows(frame, start, end); break;
        }
    }
    drawn.store(number, std::memory_order_release);
    queue.bandsLeft.fetch_sub(1, std::memory_order_acq_rel);
}

bool Rasterizer::work_arrives(uint64_t cursor)
{
    const auto until = std::chrono::steady_clock::now() + watchFor;
    do {
        if (handedOff.load(std::memory_order_relaxed) > cursor || stopping.load())
            return true;
        simd::pause();
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

void Rasterizer::worker()
{
    // Bands are taken in turn by whichever thread is free, so a thread held up by the rest of
    // the machine does not hold up the frame.
    uint64_t cursor = 1;
    while (!stopping.load()) {
        if (draw_next_band(cursor) || work_arrives(cursor))
            continue;
        std::unique_lock lock(mutex);
        sleeping++;
        wake.wait(lock, [&] { return stopping.load() || handedOff.load() > cursor; });
        sleeping--;
    }
}

void Rasterizer::clear_rows(uint32_t flags, int rowStart, int rowEnd)
{
    const size_t row = size_t(frame.width) * size_t(frame.samples);
    const size_t first = size_t(rowStart) * row, last = size_t(rowEnd) * row;
    if (flags & D3DCLEAR_TARGET)
        std::fill(frame.colour.begin() + first, frame.colour.begin() + last, 0u);
    if (flags & D3DCLEAR_ZBUFFER)
        std::fill(frame.depth.begin() + first, frame.depth.begin() + last, 1.0f);
}
