#pragma once
// Short ways to write the keys of the production's tracks. A key's spline flags say which of the
// five parameters it carries; a parameter left at zero is not written.

#include <string>

#include "tools/writers/chunk_writer.h"

namespace demo {

struct Tcb {
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};

inline KeyDesc key_with(int frame, Tcb p, std::vector<float> value)
{
    KeyDesc key;
    key.frame = frame;
    key.tension = p.tension;
    key.continuity = p.continuity;
    key.bias = p.bias;
    key.easeTo = p.easeTo;
    key.easeFrom = p.easeFrom;
    const float parameters[5] = {p.tension, p.continuity, p.bias, p.easeTo, p.easeFrom};
    for (int bit = 0; bit < 5; ++bit)
        if (parameters[bit] != 0)
            key.flags = uint16_t(key.flags | (1u << bit));
    key.value = std::move(value);
    return key;
}

inline KeyDesc vec_key(int frame, V3 v, Tcb p = {})
{
    return key_with(frame, p, {v[0], v[1], v[2]});
}
inline KeyDesc scalar_key(int frame, float v, Tcb p = {}) { return key_with(frame, p, {v}); }
// A rotation key turns by `angle` radians about `axis`, relative to the key before it.
inline KeyDesc turn_key(int frame, float angle, V3 axis, Tcb p = {})
{
    return key_with(frame, p, {angle, axis[0], axis[1], axis[2]});
}
inline KeyDesc morph_key(int frame, std::string target, Tcb p = {})
{
    KeyDesc key = key_with(frame, p, {});
    key.morphTarget = std::move(target);
    return key;
}

}  // namespace demo
