#include "tests/support/joined.h"

namespace testing_support {

std::string joined(std::initializer_list<std::string_view> parts)
{
    std::string all;
    for (std::string_view part : parts)
        all += part;
    return all;
}

}  // namespace testing_support
