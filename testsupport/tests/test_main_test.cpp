// The tests' main(): a skipped test fails the program when
// KALEIDRA_TESTS_MUST_RUN is set, as it is in CI, and only then.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct ProgramRun {
    int exit_code = -1;
    std::string output;
};

ProgramRun run_skipping_program(const char* must_run) {
    std::string command;
    if (must_run != nullptr) {
        command = std::string("KALEIDRA_TESTS_MUST_RUN=") + must_run + " ";
    } else {
        command = "env -u KALEIDRA_TESTS_MUST_RUN ";
    }
    command += std::string(KDR_SKIPPING_PROGRAM) + " 2>&1";
    ProgramRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, count);
    }
    const int status = ::pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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
