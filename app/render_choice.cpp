#include "app/render_choice.h"

#include <cstdlib>
#include <string>

namespace {

void warn(std::FILE* warnings, const char* variable, const std::string& reason)
{
    if (warnings)
        std::fprintf(warnings, "sarnoj: ignoring %s: %s\n", variable, reason.c_str());
}

}  // namespace

RenderTarget render_target_from_environment(std::FILE* warnings,
                                           std::optional<uint64_t> available,
                                           bool graphicsProcessor)
{
    // A graphics processor draws the window's own pixels with 4 samples at no cost worth naming;
    // the software device keeps to the logical size.
    const RenderTarget defaults =
        graphicsProcessor ? RenderTarget{0, 0, true, 4} : RenderTarget{};
    RenderTarget target = defaults;
    std::string error;
    if (const char* size = std::getenv(RENDER_SIZE_VARIABLE)) {
        if (auto parsed = parse_target_size(size, error)) {
            const int samples = target.samples;
            target = *parsed;
            target.samples = samples;
        }
        else
            warn(warnings, RENDER_SIZE_VARIABLE, error);
    }
    error.clear();
    if (const char* samples = std::getenv(RENDER_SAMPLES_VARIABLE)) {
        if (auto parsed = parse_sample_count(samples, error))
            target.samples = *parsed;
        else
            warn(warnings, RENDER_SAMPLES_VARIABLE, error);
    }
    // A native size is known only once the window is there; the device checks it then.
    if (!target.native && target.width > 0) {
        const std::string problem = target_memory_problem({target.width, target.height},
                                                          target.samples, available);
        if (!problem.empty()) {
            std::string both = RENDER_SIZE_VARIABLE;
            both += " and ";
            both += RENDER_SAMPLES_VARIABLE;
            warn(warnings, both.c_str(), problem);
            return defaults;
        }
    }
    return target;
}

std::optional<RenderDevice> render_device_from_environment(std::FILE* warnings)
{
    const char* device = std::getenv(RENDER_DEVICE_VARIABLE);
    if (!device)
        return std::nullopt;
    std::string error;
    auto parsed = parse_render_device(device, error);
    if (!parsed)
        warn(warnings, RENDER_DEVICE_VARIABLE, error);
    return parsed;
}
