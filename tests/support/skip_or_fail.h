#pragma once
// For a test that needs something of the machine (a GL context, a display, a program, the shared
// scenes): where it is missing the test is skipped on a developer's machine, but in CI (CI=true)
// nothing may be skipped, so there it fails with the same reason.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace testing_support {

inline bool in_ci()
{
    const char* ci = std::getenv("CI");
    return ci && std::string_view(ci) == "true";
}

}  // namespace testing_support

// Returns from the test (or its SetUp). The reason is streamed as written, so it may be several
// pieces: SKIP_OR_FAIL_IN_CI("no " << path).
#define SKIP_OR_FAIL_IN_CI(reason)                                                         \
    do {                                                                                   \
        if (::testing_support::in_ci())                                                    \
            FAIL() << reason << " (CI=true: nothing may be skipped)";                     \
        else                                                                               \
            GTEST_SKIP() << reason;                                                        \
    } while (false)
