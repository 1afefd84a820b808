// A program and a loadable module that report the installation folder they
// find, for the installation-location tests: the program prints it, the
// module returns it from probe_install_folder().

#include <cstdio>
#include <string>

#include "kaleidra/install/install_paths.h"

namespace {

std::string found() {
    std::optional<std::filesystem::path> folder = kdr::install::install_folder();
    return folder ? folder->string() : std::string("none");
}

}  // namespace

#ifdef KDR_INSTALL_PROBE_MODULE
extern "C" __attribute__((visibility("default"))) const char* probe_install_folder() {
    static std::string answer;
    answer = found();
    return answer.c_str();
}
#else
int main() {
    std::printf("%s\n", found().c_str());
    return 0;
}
#endif
