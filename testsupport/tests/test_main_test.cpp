// The tests' main(): a skipped test fails the program when
// KALEIDRA_TESTS_MUST_RUN is set, as it is in CI, and only then.

#include <gtest/gtest.h>

#include <string>

#include "kaleidra/testing/program_run.h"

namespace {

using kdr::test::ProgramRun;

ProgramRun run_skipping_program(const char* must_run) {
    std::string command;
    if (must_run != nullptr) {
        command = std::string("KALEIDRA_TESTS_MUST_RUN=") + must_run + " ";
    } else {
        command = "env -u KALEIDRA_TESTS_MUST_RUN ";
    }
    return kdr::test::run_program(command + KDR_SKIPPING_PROGRAM);
}

TEST(TestMain, ASkippedTestFailsTheProgramWhenTestsMustRun) {
    const ProgramRun run = run_skipping_program("1");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("1 test(s) skipped"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("the tool this test needs is missing"), std::string::npos)
        << run.output;
}

TEST(TestMain, ASkippedTestPassesOtherwise) {
    for (const char* must_run : {static_cast<const char*>(nullptr), "0", ""}) {
        const ProgramRun run = run_skipping_program(must_run);
        EXPECT_EQ(run.exit_code, 0) << (must_run != nullptr ? must_run : "unset") << "\n"
                                    << run.output;
        EXPECT_NE(run.output.find("[  SKIPPED ] 1 test"), std::string::npos) << run.output;
    }
}

}  // namespace
