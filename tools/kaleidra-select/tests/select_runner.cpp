#include "select_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kdr::gui::test {

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

std::string file_bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

CommandResult run_command(const std::string& command, const std::string& folder) {
    const std::string out = folder + "/command.out";
    const std::string err = folder + "/command.err";
    const std::string line = "cd " + quoted(folder) + " && timeout 120 sh -c " + quoted(command) +
                             " >" + quoted(out) + " 2>" + quoted(err);
    const int status = std::system(line.c_str());
    CommandResult result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = file_bytes(out);
    result.errors = file_bytes(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

}  // namespace kdr::gui::test
