#include "gfxcontext/render_target.h"

#include "gfxcontext/d3d_types.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#include <unistd.h>
#endif

namespace {

// A whole number of decimal digits only (no sign, no spaces), within 1 .. limit.
std::optional<int> whole_number(std::string_view text, int limit)
{
    int value = 0;
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > limit)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<RenderTarget> parse_target_size(std::string_view text, std::string& error)
{
    if (text == "native")
        return RenderTarget{0, 0, true, 1};
    const size_t x = text.find('x');
    if (x != std::string_view::npos) {
        auto width = whole_number(text.substr(0, x), maxTargetSide);
        auto height = whole_number(text.substr(x + 1), maxTargetSide);
        if (width && height)
            return RenderTarget{*width, *height, false, 1};
    }
    error = "size \"";
    error += text;
    error += "\" is neither native nor WxH with each side from 1 to 8192";
    return std::nullopt;
}

std::optional<int> parse_sample_count(std::string_view text, std::string& error)
{
    if (text == "1" || text == "4" || text == "8")
        return text[0] - '0';
    error = "sample count \"";
    error += text;
    error += "\" is not 1, 4 or 8";
    return std::nullopt;
}

TargetSize resolve_target_size(const RenderTarget& target, int logicalWidth, int logicalHeight,
                               int outputWidth, int outputHeight)
{
    if (!target.native)
        return target.width > 0 && target.height > 0 ? TargetSize{target.width, target.height}
                                                     : TargetSize{logicalWidth, logicalHeight};
    if (outputWidth <= 0 || outputHeight <= 0)
        return {logicalWidth, logicalHeight};
    const TargetSize fitted =
        fit_aspect(logicalWidth, logicalHeight, std::min(outputWidth, maxTargetSide),
                   std::min(outputHeight, maxTargetSide));
    if (fitted.width < 1 || fitted.height < 1)
        return {logicalWidth, logicalHeight};
    return fitted;
}

std::optional<ContextSize> context_size(uint32_t width, uint32_t height, const RenderTarget& target,
                                        int outputWidth, int outputHeight)
{
    constexpr uint32_t defaultWidth = 640, defaultHeight = 480, maxLogicalSide = 4096;
    if (width == D3DX_DEFAULT)
        width = defaultWidth;
    if (height == D3DX_DEFAULT)
        height = defaultHeight;
    if (width == 0 || height == 0 || width > maxLogicalSide || height > maxLogicalSide)
        return std::nullopt;
    if (target.samples != 1 && target.samples != 4 && target.samples != 8)
        return std::nullopt;
    return ContextSize{int(width), int(height),
                       resolve_target_size(target, int(width), int(height), outputWidth,
                                           outputHeight)};
}

TargetSize fit_aspect(int width, int height, int outputWidth, int outputHeight)
{
    if (width <= 0 || height <= 0 || outputWidth <= 0 || outputHeight <= 0)
        return {0, 0};
    // Compare outputWidth / width with outputHeight / height without dividing.
    int64_t w, h;
    if (int64_t(outputWidth) * height <= int64_t(outputHeight) * width) {
        w = outputWidth;
        h = int64_t(outputWidth) * height / width;
    } else {
        h = outputHeight;
        w = int64_t(outputHeight) * width / height;
    }
    return {int(w), int(h)};
}

int debug_text_scale(TargetSize target, int logicalWidth, int logicalHeight)
{
    if (logicalWidth <= 0 || logicalHeight <= 0)
        return 1;
    return std::max(1, std::min(target.width / logicalWidth, target.height / logicalHeight));
}

uint64_t target_bytes(TargetSize size, int samples)
{
    const uint64_t pixels = uint64_t(std::max(size.width, 0)) * uint64_t(std::max(size.height, 0));
    const uint64_t perPixel = uint64_t(std::max(samples, 1)) * (sizeof(uint32_t) + sizeof(float)) +
                              (samples > 1 ? sizeof(uint32_t) : 0);
    return pixels * perPixel;
}

std::optional<uint64_t> available_memory()
{
#ifdef __EMSCRIPTEN__
    // A page has no /proc/meminfo: its memory may grow to its own limit, less what it holds.
    const uintptr_t top = reinterpret_cast<uintptr_t>(sbrk(0));
    const uint64_t limit = emscripten_get_heap_max();
    return limit > top ? limit - top : 0;
#else
    std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
    if (!meminfo)
        return std::nullopt;
    std::optional<uint64_t> available;
    char line[128];
    unsigned long long kilobytes = 0;
    while (std::fgets(line, sizeof line, meminfo))
        if (std::sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1) {
            available = uint64_t(kilobytes) * 1024;
            break;
        }
    std::fclose(meminfo);
    return available;
#endif
}

std::string target_memory_problem(TargetSize size, int samples, std::optional<uint64_t> available)
{
    const uint64_t needed = target_bytes(size, samples);
    if (!available || needed <= *available)
        return {};
    // Rounded so that the figures never look as if the target fitted.
    const auto megabytes = [](uint64_t bytes, uint64_t roundUp) {
        return std::to_string((bytes + roundUp) >> 20) + " MB";
    };
    std::string problem = std::to_string(size.width);
    problem += "x";
    problem += std::to_string(size.height);
    problem += " with ";
    problem += std::to_string(samples);
    problem += samples == 1 ? " sample" : " samples";
    problem += " needs ";
    problem += megabytes(needed, (1 << 20) - 1);
    problem += ", more than the ";
    problem += megabytes(*available, 0);
    problem += " of memory available";
    return problem;
}
