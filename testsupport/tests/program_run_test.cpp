// Commands run as the tests of programs run them: no input, errors joined
// to the output, the exit code kept.

#include "kaleidra/testing/program_run.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kdr::test::ProgramRun;
using kdr::test::run_program;

TEST(ProgramRun, APipelineTakesNoInputAndPassesItsOutputAlong) {
    // The last command counts the lines of the first, not of the empty input.
    const ProgramRun run = run_program("printf 'one\\ntwo\\n' | wc -l");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(std::stoi(run.output), 2) << run.output;
    // And the pipeline as a whole reads end of file.
    EXPECT_EQ(run_program("cat | wc -c").output.find('0'), 0u);
}

TEST(ProgramRun, ErrorsJoinTheOutputAndTheExitCodeIsKept) {
    const ProgramRun run = run_program("echo said; echo complained >&2; exit 3");
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.output, "said\ncomplained\n");
}

}  // namespace
