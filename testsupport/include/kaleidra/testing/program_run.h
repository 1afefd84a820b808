#pragma once
// Runs a shell command the way the tests of programs do: no input (a
// program that reads its standard input, as melt does, gets end of file),
// standard error joined to standard output, and the exit code. Blocks until
// the command ends.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kdr::test {

struct ProgramRun {
    int exit_code = -1;  // -1 when the command could not start or was killed
    std::string output;
};

inline ProgramRun run_program(const std::string& command) {
    ProgramRun run;
    // In parentheses, so that a pipeline as a whole takes no input and its
    // last command still reads the output of the one before it.
    FILE* pipe = ::popen(("( " + command + " ) </dev/null 2>&1").c_str(), "r");
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

}  // namespace kdr::test
