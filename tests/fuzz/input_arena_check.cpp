// Checks the input arena on its own, before any harness relies on it: what the input's thread
// leaves live is freed with the arena, what it frees is forgotten, and a block of another thread
// stays that thread's to free, even when it is made and freed while an arena lives.
// Exits non-zero (or the sanitizer aborts) on a fault.

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "tests/fuzz/input_arena.h"

extern "C" const char* __asan_default_options()
{
    return "alloc_dealloc_mismatch=0";
}

namespace {

int failures = 0;

// Allocation through a pointer the compiler cannot see through, so that no block is elided.
void* (*volatile allocate)(size_t) = std::malloc;

void expect(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += ok ? 0 : 1;
}

// A thread of the process's own, started before any arena, that allocates on request and frees
// on request.
class OtherThread {
public:
    OtherThread() : thread([this] { run(); }) {}
    ~OtherThread() { thread.join(); }

    void step()
    {
        std::unique_lock lock(mutex);
        ++requested;
        changed.notify_all();
        changed.wait(lock, [this] { return done == requested; });
    }

private:
    void run()
    {
        void* block = nullptr;
        for (int step = 1; step <= 2; ++step) {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return requested == step; });
            if (step == 1)
                block = allocate(32);
            else
                std::free(block);
            done = step;
            changed.notify_all();
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    int requested = 0;
    int done = 0;
    std::thread thread;
};

}  // namespace

int main()
{
    // Unbuffered, like the harnesses: a buffer made during an arena would go with it.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    {
        InputArena arena;
        void* kept = allocate(100);
        void* freed = allocate(100);
        std::free(freed);
        {
            InputArena::Pause pause;
            void* unrecorded = allocate(100);
            std::free(unrecorded);
        }
        expect(kept && InputArena::live_blocks() == 1, "the input's live blocks are counted");
    }
    {
        OtherThread other;
        {
            InputArena arena;
            other.step();   // allocates while the arena lives
            expect(InputArena::live_blocks() == 0, "another thread's block is not the input's");
        }
        other.step();       // frees it after the arena has ended: no double free
    }
    std::puts(failures ? "input arena: FAILED" : "input arena: ok");
    return failures ? 1 : 0;
}
