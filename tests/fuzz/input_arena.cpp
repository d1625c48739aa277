#include "tests/fuzz/input_arena.h"

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// An open-addressed set of the live blocks. The hooks run inside the allocator, so the set
// allocates nothing: fixed tables in static storage, and a log of the slots used so that
// clearing costs what the input allocated, not the table's size.
constexpr size_t capacity = size_t(1) << 21;
constexpr size_t fill_limit = capacity / 4 * 3;
const void* const tombstone = reinterpret_cast<const void*>(1);

const void* slots[capacity];
uint32_t usedLog[capacity];
size_t usedCount = 0;
size_t liveCount = 0;
// Recording: new blocks of this thread are entered. Only the input's own thread records: the
// fuzzer keeps threads of its own (its memory watch), which may allocate while an input runs and
// free the block themselves after the arena has ended.
thread_local bool recording = false;
// Open: an arena lives, and freed blocks, of any thread, are forgotten.
std::atomic<bool> open = false;
bool overflowReported = false;
// The software device's workers allocate beside the caller's thread.
std::atomic_flag busy = ATOMIC_FLAG_INIT;

struct SpinLock {
    SpinLock()
    {
        while (busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~SpinLock() { busy.clear(std::memory_order_release); }
};

size_t slot_of(const volatile void* block)
{
    auto bits = reinterpret_cast<uintptr_t>(block);
    return size_t((bits >> 4) * 0x9E3779B97F4A7C15ull >> 43) & (capacity - 1);
}

void on_malloc(const volatile void* block, size_t)
{
    if (!recording || !block)
        return;
    SpinLock lock;
    if (usedCount == fill_limit) {
        if (!overflowReported)
            std::fprintf(stderr, "input arena full: further blocks of this input stay live\n");
        overflowReported = true;
        return;
    }
    size_t slot = slot_of(block);
    while (slots[slot] && slots[slot] != tombstone)
        slot = (slot + 1) & (capacity - 1);
    if (!slots[slot])
        usedLog[usedCount++] = uint32_t(slot);
    slots[slot] = const_cast<const void*>(block);
    ++liveCount;
}

void on_free(const volatile void* block)
{
    if (!open || !block)
        return;
    SpinLock lock;
    if (!open)
        return;
    for (size_t slot = slot_of(block); slots[slot]; slot = (slot + 1) & (capacity - 1)) {
        if (slots[slot] == block) {
            slots[slot] = tombstone;
            --liveCount;
            return;
        }
    }
}

}  // namespace

InputArena::InputArena()
{
    static bool installed = __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free) != 0;
    if (!installed)
        std::abort();
    open = true;
    recording = true;
}

InputArena::~InputArena()
{
    recording = false;
    {
        // A free on another thread has forgotten its block before this, or sees the arena shut.
        SpinLock lock;
        open = false;
    }
    for (size_t i = 0; i < usedCount; ++i) {
        const void*& entry = slots[usedLog[i]];
        if (entry && entry != tombstone)
            std::free(const_cast<void*>(entry));
        entry = nullptr;
    }
    usedCount = 0;
    liveCount = 0;
    overflowReported = false;
}

size_t InputArena::live_blocks()
{
    return liveCount;
}

InputArena::Pause::Pause() : wasRecording(recording)
{
    recording = false;
}

InputArena::Pause::~Pause()
{
    recording = wasRecording;
}
