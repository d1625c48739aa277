#include "core/alloc_block.h"

#include <cstdlib>

#include "core/fatal_error.h"

void* alloc_block(uint32_t size)
{
    if (size == 0)
        fatal_error("Tried to alloc block sized zero!");
    void* block = std::malloc(size);
    if (!block)
        fatal_error("Not enough memory!");
    return block;
}

void* alloc_block_checked(uint64_t size)
{
    if (size > 0xFFFFFFFFu)
        fatal_error("Not enough memory!");
    return alloc_block(static_cast<uint32_t>(size));
}
