#pragma once
// Strings joined by appending them one after the other. GCC 12 at -O3 warns falsely (-Wrestrict)
// of "literal" + std::string, so tests that build names and command lines from pieces join them
// here instead.

#include <initializer_list>
#include <string>
#include <string_view>

namespace testing_support {

std::string joined(std::initializer_list<std::string_view> parts);

}  // namespace testing_support
