#pragma once
// The pixels a context draws into. The program keeps drawing in its logical size (the size the
// context is created with): the projection maps onto the target whatever its size, and the debug
// text's positions stay fractions of the frame. A target may be larger, up to 8192 on a side, and
// may keep 1, 4 or 8 samples a pixel.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct RenderTarget {
    int width = 0, height = 0;  // 0 x 0: the context's logical size
    bool native = false;        // the largest area of the logical aspect in the presenter's pixels
    int samples = 1;
};

constexpr int maxTargetSide = 8192;

// "WxH" (each side 1 to 8192) or "native"; null, with the reason in `error`, for anything else.
std::optional<RenderTarget> parse_target_size(std::string_view text, std::string& error);
// "1", "4" or "8"; null, with the reason in `error`, for anything else.
std::optional<int> parse_sample_count(std::string_view text, std::string& error);

struct TargetSize {
    int width, height;
};
// The size the target takes for a context of the logical size: the target's own, the logical
// size, or for `native` the largest area of the logical aspect within the output's pixels (the
// logical size when the output's size is unknown, or that area would be smaller than one pixel).
TargetSize resolve_target_size(const RenderTarget& target, int logicalWidth, int logicalHeight,
                               int outputWidth, int outputHeight);

// What a context is made with: its logical size, and the size of the target it draws on.
struct ContextSize {
    int width, height;
    TargetSize target;
};
// The context asked for with a logical width and height (D3DX_DEFAULT for 640 and 480) on a
// target, with the output's size for a native target (0 x 0 unknown); null for a logical size of
// 0 or beyond 4096 a side, or a sample count other than 1, 4 or 8.
std::optional<ContextSize> context_size(uint32_t width, uint32_t height, const RenderTarget& target,
                                        int outputWidth, int outputHeight);

// The largest area of the aspect width : height within the output (0 x 0 for an empty one).
TargetSize fit_aspect(int width, int height, int outputWidth, int outputHeight);

// The whole factor by which the debug text's font grows on a target of the size: as many times as
// the logical frame fits into it along both axes, at least once.
int debug_text_scale(TargetSize target, int logicalWidth, int logicalHeight);

// The bytes a target of the size keeps: a colour and a depth value for each sample of each
// pixel, and with several samples the resolved image.
uint64_t target_bytes(TargetSize size, int samples);
// The memory the system can give a new allocation without swapping out others ("MemAvailable"),
// or null where it does not say.
std::optional<uint64_t> available_memory();
// Why a target of the size and samples cannot be made in `available` bytes (null: not known, taken
// as room enough); empty when it can. A target is never made larger than the memory there is: its
// pages would be taken on its first frame, when the system might end the program for them.
std::string target_memory_problem(TargetSize size, int samples, std::optional<uint64_t> available);
