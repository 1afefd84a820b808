// The main() of every test program. It runs the tests as GoogleTest's own
// main does; with KALEIDRA_TESTS_MUST_RUN set (to anything but 0, as
// scripts/test sets it for CI) a test that skipped itself, because a tool
// or a display it needs is missing, fails the program: in CI nothing that
// matters may go untested unnoticed.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool skips_are_failures() {
    const char* value = std::getenv("KALEIDRA_TESTS_MUST_RUN");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    const int skipped = ::testing::UnitTest::GetInstance()->skipped_test_count();
    if (result == 0 && skipped > 0 && skips_are_failures()) {
        std::fprintf(stderr,
                     "%d test(s) skipped. With KALEIDRA_TESTS_MUST_RUN set a skipped test is a "
                     "failure: install what the tests need (scripts/install-deps).\n",
                     skipped);
        return 1;
    }
    return result;
}
