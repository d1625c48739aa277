#pragma once
// The player keeps its scene, its images and its device buffers until the process ends, and
// never frees them. A fuzzer runs millions of inputs in one process, so a harness that builds a
// scene per input releases, after each input, every block the input allocated and did not free.
// The blocks are tracked through the sanitizer allocator's hooks, whatever allocated them
// (alloc_block, operator new, the C library, libjpeg), on the thread that opened the arena: what
// other threads allocate is theirs to free.
//
// Only what the input itself allocated is released: state made before the arena opens (the
// device, the scratch directory) must not point into it afterwards, and a global that the
// player fills during an input must be reset by the harness before the next one.

#include <cstddef>

class InputArena {
public:
    // Records the blocks this thread allocates from now on.
    InputArena();
    // Frees what is still live of the blocks allocated since construction.
    ~InputArena();
    InputArena(const InputArena&) = delete;
    InputArena& operator=(const InputArena&) = delete;

    // Blocks allocated and still live so far.
    static size_t live_blocks();

    // While alive, new blocks are not recorded (blocks freed are still forgotten): for state that
    // outlives the input's blocks in the C library, such as what starting a thread caches.
    class Pause {
    public:
        Pause();
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        bool wasRecording;
    };
};
