// The service library "callback" of the simulated Speed Razor
// (simulated_speedrazor.h): GetCallBackProcAddress, ProgressIndicate and
// TestAbort, reporting every call to the file $KDR_SIM_CALLBACK_LOG.
// Plug-ins may call the services from two threads at once.

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<int> abort_polls{0};

// Lines are formatted with snprintf: the standard library's number
// formatting would give the library a unique symbol, which keeps a library
// loaded for good, and the tests watch it being unloaded.
void append(const char* variable, const char* line) {
    const char* file = std::getenv(variable);
    if (file == nullptr) {
        return;
    }
    const int descriptor = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return;
    }
    (void)!::write(descriptor, line, std::strlen(line));
    ::close(descriptor);
}

std::int32_t progress_indicate(std::int32_t value, std::int32_t maximum) {
    char line[64];
    std::snprintf(line, sizeof line, "progress %d %d\n", static_cast<int>(value),
                  static_cast<int>(maximum));
    append("KDR_SIM_CALLBACK_LOG", line);
    return 0;
}

std::int32_t test_abort() {
    const int polls = abort_polls.fetch_add(1) + 1;
    const char* after = std::getenv("KDR_SIM_ABORT_AFTER");
    const int answer = after != nullptr && polls >= std::atoi(after) ? 1 : 0;
    append("KDR_SIM_CALLBACK_LOG", answer != 0 ? "test-abort 1\n" : "test-abort 0\n");
    return answer;
}

// In the counting engine's line format, so that the test reads it with the
// engine's events.
__attribute__((destructor)) void on_unload() {
    append("KDR_COUNTING_ENGINE_LOG", "callback unload 0 0 0 0 0 - -1 -1 0\n");
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* GetCallBackProcAddress(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    if (std::strcmp(name, "ProgressIndicate") == 0) {
        return reinterpret_cast<void*>(&progress_indicate);
    }
    if (std::strcmp(name, "TestAbort") == 0) {
        return reinterpret_cast<void*>(&test_abort);
    }
    return nullptr;
}
