// Checks the input arena on its own, before any harness relies on it: what the input's thread
// leaves live is freed with the arena, what it frees is forgotten, and a block of another thread
// stays that thread's to free, even when it is made while an arena lives.
// Exits non-zero (or the sanitizer aborts) on a fault.

#include <cstdio>
#include <cstdlib>
#include <semaphore>
#include <thread>

#include "tests/fuzz/input_arena.h"

extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}

namespace {

int failures = 0;

// Allocation through a pointer the compiler cannot see through, so that no block is elided.
void* (*volatile allocate_block)(size_t) = std::malloc;

void expect(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += ok ? 0 : 1;
}

}  // namespace

int main()
{
    // Unbuffered, like the harnesses: a buffer made during an arena would go with it.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    {
        InputArena arena;
        void* kept = allocate_block(100);
        void* freed = allocate_block(100);
        std::free(freed);
        {
            InputArena::Pause pause;
            void* unrecorded = allocate_block(100);
            std::free(unrecorded);
        }
        expect(kept && InputArena::live_blocks() == 1, "the input's live blocks are counted");
    }
    {
        // A thread of the process's own, started before any arena, as libFuzzer's memory watch.
        std::binary_semaphore allocate{0}, allocated{0}, release{0};
        void* block = nullptr;
        std::thread other([&] {
            allocate.acquire();
            block = allocate_block(32);
            allocated.release();
            release.acquire();
            std::free(block);   // after the arena has ended: not a second free
        });
        {
            InputArena arena;
            allocate.release();
            allocated.acquire();
            expect(InputArena::live_blocks() == 0, "another thread's block is not the input's");
        }
        release.release();
        other.join();
    }
    std::puts(failures ? "input arena: FAILED" : "input arena: ok");
    return failures ? 1 : 0;
}
