#include <gtest/gtest.h>

#include <cstring>

#include "tools/writers/chunk_writer.h"

namespace {
uint32_t u32_at(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
}  // namespace

TEST(ChunkWriter, ClosingPatchesTheLengthOfEveryNestedChunk)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.version(3);
    w.close();
    w.empty(chunk_id::KEYFRAMER_DATA);
    w.close();
    const auto& b = w.bytes();
    ASSERT_EQ(b.size(), 6u + 6u + 10u + 6u);
    EXPECT_EQ(b[0] | b[1] << 8, chunk_id::MAIN_CHUNK);
    EXPECT_EQ(u32_at(b, 2), b.size());
    EXPECT_EQ(u32_at(b, 8), 16u);   // editor: header + version chunk
    EXPECT_EQ(u32_at(b, 14), 10u);  // version
    EXPECT_EQ(u32_at(b, 24), 6u);   // empty keyframer
    EXPECT_THROW(w.close(), std::logic_error);
}

TEST(ChunkWriter, KeysCarryOneFloatPerSetSplineFlagLowestFirst)
{
    ChunkWriter w;
    // Ease to and ease from (bits 3, 4), and bit 6 which writes a float of its own.
    w.track(chunk_id::POSITION_KEYS, {{.frame = 5, .flags = 0x58, .easeTo = 0.25f, .easeFrom = 0.5f,
                                       .value = {1, 2, 3}}});
    const auto& b = w.bytes();
    // header 6, flags 2, reserved 8, count 4, frame 4, flags 2, three parameters, three values
    ASSERT_EQ(b.size(), 6u + 2 + 8 + 4 + 4 + 2 + 12 + 12);
    float easeTo, easeFrom, spare, x;
    std::memcpy(&easeTo, &b[26], 4);
    std::memcpy(&easeFrom, &b[30], 4);
    std::memcpy(&spare, &b[34], 4);
    std::memcpy(&x, &b[38], 4);
    EXPECT_EQ(easeTo, 0.25f);
    EXPECT_EQ(easeFrom, 0.5f);
    EXPECT_EQ(spare, 0.0f);
    EXPECT_EQ(x, 1.0f);
}
