#include "softdevice/rasterizer.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "gfxcontext/debug_font.h"

#include "softdevice/debug_text.h"
#include "softdevice/simd.h"

namespace {

// How long a thread with nothing to draw watches for more before it sleeps: longer than the
// caller's thread usually takes to fill a queue, so that handing one off rarely wakes a sleeper.
constexpr auto watchFor = std::chrono::microseconds(300);

}  // namespace

Rasterizer::Rasterizer(FrameBuffer& target, int threads)
    : frame(target),
      tileCols(target.samples > 1 ? target.blockColumns : tileSize),
      tileRows(target.samples > 1 ? target.blockRows : tileSize),
      tilesAcross((target.width + tileCols - 1) / tileCols),
      tileCount(tilesAcross * ((target.height + tileRows - 1) / tileRows)),
      columnShift(std::countr_zero(unsigned(tileCols))),
      rowShift(std::countr_zero(unsigned(tileRows))),
      sampleReach(target.samples == 8 ? 7 : target.samples == 4 ? 6 : 0),
      progress(std::make_unique<TileProgress[]>(size_t(tileCount))),
      lastQueued(size_t(tileCount), 0)
{
    // SOFTWARE_DEVICE_THREADS chooses for every rasteriser left to choose, e.g. for profiling.
    if (const char* chosen = std::getenv("SOFTWARE_DEVICE_THREADS"); threads <= 0 && chosen)
        threads = std::clamp(std::atoi(chosen), 0, 8);
    if (threads <= 0)
        threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    threads = 1;   // a page without shared memory has no threads to draw on but its own
#endif
    threadCount = threads;
    for (Queue& queue : queues) {
        queue.states.push_back(RasterState{});
        queue.tiles.resize(size_t(tileCount));
        queue.touched.reserve(size_t(tileCount));
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
    const uint32_t index = uint32_t(queue.lines.size());
    append(queue.lines, Line{a, b, flatColour, pending_state(queue)});
    // The pixels holding the ends and a pixel beyond each for the rounding of the minor axis.
    queue_command(Kind::line, index, int(std::floor(std::min(a.x, b.x))) - 1,
                  int(std::ceil(std::max(a.x, b.x))) + 1, int(std::floor(std::min(a.y, b.y))) - 1,
                  int(std::ceil(std::max(a.y, b.y))) + 1);
}

void Rasterizer::text(int x, int y, uint32_t colour, std::string_view text, int scale)
{
    // The text's bounds, from the same layout that draws it.
    int xMin = frame.width, xMax = -1, yMin = frame.height, yMax = -1;
    const std::string copy(text);
    layout_debug_text(x, y, copy.c_str(), scale, frame.width, [&](int left, int top) {
        xMin = std::min(xMin, left);
        xMax = std::max(xMax, left + scale - 1);
        yMin = std::min(yMin, top);
        yMax = std::max(yMax, top + scale - 1);
    });
    if (xMin > xMax)
        return;
    Queue& queue = filling_queue();
    const uint32_t index = uint32_t(queue.texts.size());
    queue.texts.push_back(Text{x, y, scale, colour, copy});
    queue_command(Kind::text, index, xMin, xMax, yMin, yMax);
}

void Rasterizer::clear(uint32_t flags)
{
    flags &= D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
    if (!flags)
        return;
    clearsQueued |= flags;
    queue_everywhere(Kind::clear, flags);
}

void Rasterizer::resolve()
{
    if (frame.samples > 1)
        queue_everywhere(Kind::resolve, 0);
}

void Rasterizer::queue_command(Kind kind, uint32_t index, int xMin, int xMax, int yMin, int yMax,
                               const Triangle* triangle)
{
    xMin = std::max(xMin, 0);
    xMax = std::min(xMax, frame.width - 1);
    yMin = std::max(yMin, 0);
    yMax = std::min(yMax, frame.height - 1);
    if (xMin > xMax || yMin > yMax)
        return;
    Queue& queue = filling_queue();
    const uint32_t command = uint32_t(queue.commands.size());
    append(queue.commands, Command{kind, index});
    const int left = xMin >> columnShift, right = xMax >> columnShift;
    const int top = yMin >> rowShift, bottom = yMax >> rowShift;
    // Bounds within one row or one column of tiles reach each of their tiles through a corner
    // of the triangle or an edge between two of them, which are seldom all outside a tile:
    // only bounds over several rows and columns are worth testing tile by tile.
    const bool several = triangle && left != right && top != bottom;
    for (int row = top; row <= bottom; row++)
        for (int column = left; column <= right; column++) {
            if (several) {
                // The tile is left out when, for an edge, its corner deepest inside that edge
                // lies outside it, every sample's reach included.
                const int x0 = column * tileCols * subpixel, y0 = row * tileRows * subpixel;
                const int x1 = std::min(frame.width - 1, (column + 1) * tileCols - 1) * subpixel;
                const int y1 = std::min(frame.height - 1, (row + 1) * tileRows - 1) * subpixel;
                bool outside = false;
                for (const Edge& e : triangle->edges) {
                    const int64_t X = e.dy < 0 ? x1 + sampleReach : x0 - sampleReach;
                    const int64_t Y = e.dx > 0 ? y1 + sampleReach : y0 - sampleReach;
                    outside |= (Y - e.y) * e.dx - (X - e.x) * e.dy - e.bias < 0;
                }
                if (outside)
                    continue;
            }
            const int tile = row * tilesAcross + column;
            std::vector<uint32_t>& commands = queue.tiles[size_t(tile)];
            if (commands.empty()) {
                queue.touched.push_back({uint32_t(tile), lastQueued[size_t(tile)]});
                lastQueued[size_t(tile)] = filling;
            }
            append(commands, command);
        }
    if (queue.commands.size() >= handOffCommands)
        hand_off();
}

void Rasterizer::hand_off()
{
    Queue& full = filling_queue();
    const auto count = uint32_t(full.touched.size());
    full.tilesLeft.store(count, std::memory_order_relaxed);
    full.touchedCount.store(count, std::memory_order_relaxed);
    full.claim.store(filling << 32, std::memory_order_release);
    handedOff.store(filling + 1);
    if (sleeping.load() > 0) {
        std::lock_guard lock(mutex);
        wake.notify_all();
    }
    filling++;
    // The next slot held the queue handed off a ring ago: until that one is drawn, draw.
    Queue& next = filling_queue();
    while (next.tilesLeft.load(std::memory_order_acquire) != 0)
        if (!draw_next_tile(callerCursor))
            std::this_thread::yield();
    // A thread that read this slot's claim before it was drawn out fails its compare-and-swap
    // from here on, whatever count it read.
    next.claim.store(0, std::memory_order_relaxed);
    next.states.assign(1, pending);
    pendingQueued = true;
    next.triangles.clear();
    next.lines.clear();
    next.texts.clear();
    next.commands.clear();
    for (const Queue::Touched& touched : next.touched)
        next.tiles[touched.tile].clear();
    next.touched.clear();
}

void Rasterizer::flush(Completion completion)
{
    // What is left cleared and must be shown, or be there for whoever reads the frame, is filled.
    uint32_t fill = clearsQueued;
    if (completion == Completion::image)
        fill &= frame.samples == 1 ? uint32_t(D3DCLEAR_TARGET) : 0u;
    if (fill) {
        queue_everywhere(Kind::settle, fill);
        clearsQueued &= ~fill;
    }
    if (!filling_queue().commands.empty())
        hand_off();
    // Draw beside the workers until every tile handed off is claimed.
    while (draw_next_tile(callerCursor)) {
    }
    // Then wait for every queue in the ring, not only the last: a tile the last queue leaves
    // alone may still be in another thread's hands for an earlier one. The tiles still in hand
    // are another thread's: on a busy machine that thread may be waiting for a core, which
    // spinning here would keep from it.
    for (const Queue& queue : queues)
        while (queue.tilesLeft.load(std::memory_order_acquire) != 0)
            std::this_thread::yield();
}

bool Rasterizer::draw_next_tile(uint64_t& cursor)
{
    const uint64_t end = handedOff.load(std::memory_order_acquire);
    for (; cursor < end; cursor++) {
        Queue& queue = queues[cursor % ringSize];
        uint64_t claim = queue.claim.load(std::memory_order_acquire);
        while (claim >> 32 == cursor &&
               uint32_t(claim) < queue.touchedCount.load(std::memory_order_relaxed))
            if (queue.claim.compare_exchange_weak(claim, claim + 1, std::memory_order_acq_rel,
                                                  std::memory_order_acquire)) {
                draw_tile(queue, cursor, queue.touched[uint32_t(claim)]);
                return true;
            }
    }
    return false;
}

Rasterizer::Rect Rasterizer::tile_rect(int tile) const
{
    const int x0 = tile % tilesAcross * tileCols, y0 = tile / tilesAcross * tileRows;
    return Rect{x0, y0, std::min(frame.width, x0 + tileCols),
                std::min(frame.height, y0 + tileRows)};
}

void Rasterizer::draw_tile(Queue& queue, uint64_t number, const Queue::Touched& touched)
{
    // The tile of the queue before is being drawn by another thread, which never waits for this
    // one: a short wait.
    const int tile = int(touched.tile);
    TileProgress& state = progress[size_t(tile)];
    for (int spins = 0; state.drawn.load(std::memory_order_acquire) != touched.after; spins++)
        if (spins < 4096)
            simd::pause();
        else
            std::this_thread::yield();
    // A tile is drawn whole by one thread, with every command in order, so the result does not
    // depend on who drew it.
    const Rect rect = tile_rect(tile);
    const TileView view{rect, frame.colour_row(rect.y0, 0, rect.x0),
                        frame.depth_row(rect.y0, 0, rect.x0)};
    for (uint32_t index : queue.tiles[size_t(tile)]) {
        const Command& command = queue.commands[index];
        switch (command.kind) {
        case Kind::triangle: {
            const Triangle& t = queue.triangles[command.index];
            // A cleared tile that its first triangle covers whole is left to it to fill.
            if (state.clearPending == (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER) &&
                draw_fresh_triangle(queue, t, view)) {
                state.clearPending = 0;
                break;
            }
            fill_cleared(state, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, rect);
            draw_triangle(queue, t, view);
            break;
        }
        case Kind::line:
            fill_cleared(state, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, rect);
            draw_line(queue, queue.lines[command.index], rect);
            break;
        case Kind::text: {
            fill_cleared(state, D3DCLEAR_TARGET, rect);
            const Text& text = queue.texts[command.index];
            draw_debug_text(frame, text.x, text.y, text.colour, text.text.c_str(), text.scale,
                            rect.x0, rect.y0, rect.x1, rect.y1);
            break;
        }
        case Kind::clear: state.clearPending |= command.index; break;
        case Kind::resolve:
            // A tile still cleared resolves to the cleared colour without reading its samples.
            if (state.clearPending & D3DCLEAR_TARGET)
                for (int y = rect.y0; y < rect.y1; y++)
                    std::fill_n(&frame.resolved[size_t(y) * size_t(frame.width) + size_t(rect.x0)],
                                rect.x1 - rect.x0, 0u);
            else
                resolve_rect(frame, rect.x0, rect.y0, rect.x1, rect.y1);
            break;
        case Kind::settle: fill_cleared(state, command.index, rect); break;
        }
    }
    state.drawn.store(number, std::memory_order_release);
    queue.tilesLeft.fetch_sub(1, std::memory_order_acq_rel);
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
    // Tiles are taken in turn by whichever thread is free, so a thread held up by the rest of
    // the machine does not hold up the frame.
    uint64_t cursor = 1;
    while (!stopping.load()) {
        if (draw_next_tile(cursor) || work_arrives(cursor))
            continue;
        std::unique_lock lock(mutex);
        sleeping++;
        wake.wait(lock, [&] { return stopping.load() || handedOff.load() > cursor; });
        sleeping--;
    }
}

void Rasterizer::fill_cleared_now(TileProgress& state, uint32_t flags, const Rect& tile)
{
    state.clearPending &= ~flags;
    if (frame.samples > 1) {
        // The tile is a block of its own: one stretch of memory for each buffer.
        const size_t start = frame.offset(tile.x0, tile.y0, 0), size = frame.block_size();
        if (flags & D3DCLEAR_TARGET)
            std::fill_n(&frame.colour[start], size, 0u);
        if (flags & D3DCLEAR_ZBUFFER)
            std::fill_n(&frame.depth[start], size, 1.0f);
        return;
    }
    const size_t columns = size_t(tile.x1 - tile.x0);
    for (int y = tile.y0; y < tile.y1; y++) {
        if (flags & D3DCLEAR_TARGET)
            std::fill_n(frame.colour_row(y, 0, tile.x0) + tile.x0, columns, 0u);
        if (flags & D3DCLEAR_ZBUFFER)
            std::fill_n(frame.depth_row(y, 0, tile.x0) + tile.x0, columns, 1.0f);
    }
}
