#pragma once
// The system's allocator: every record and buffer of the scene, the renderer and the images comes
// from here. A zero size stops the program with "Tried to alloc block sized zero!", an exhausted
// heap with "Not enough memory!". Blocks are released with std::free.

#include <cstdint>
#include <cstring>
#include <type_traits>

void* alloc_block(uint32_t size);

// alloc_block for a size computed in 64 bits: one above 32 bits cannot be had ("Not enough memory!").
void* alloc_block_checked(uint64_t size);

// A record of type T from alloc_block, zero-initialised.
template <class T>
T* alloc_record()
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivial_v<T>,
                  "records are plain data");
    void* block = alloc_block(static_cast<uint32_t>(sizeof(T)));
    std::memset(block, 0, sizeof(T));
    return static_cast<T*>(block);
}

// An array of count records of type T from alloc_block, zero-initialised. A count of zero gives
// null: empty arrays are valid everywhere. A count whose size does not fit in 32 bits stops the
// program with "Not enough memory!".
template <class T>
T* alloc_array(uint32_t count)
{
    static_assert(std::is_trivial_v<T>, "records are plain data");
    if (count == 0)
        return nullptr;
    uint64_t size = uint64_t(count) * sizeof(T);
    void* block = alloc_block_checked(size);
    std::memset(block, 0, size);
    return static_cast<T*>(block);
}
