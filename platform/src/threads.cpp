#include "kaleidra/platform/threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kdr::platform {

void raise_thread_priority() {
    // On Linux the nice value belongs to the thread, so this raises only the
    // caller. An unprivileged process may not go below its current value.
    const auto thread_id = static_cast<id_t>(::syscall(SYS_gettid));
    const int current = ::getpriority(PRIO_PROCESS, thread_id);
    const int wanted = -5;
    if (current > wanted) {
        // Best effort: without the permission the thread keeps its priority.
        (void)::setpriority(PRIO_PROCESS, thread_id, wanted);
    }
}

}  // namespace kdr::platform
