#pragma once
// Thread services the renderers use.

namespace kdr::platform {

// Raises the calling thread to the highest normal priority the process may
// take. Best effort: without the permission to lower its nice value the
// thread keeps its priority and nothing is reported.
void raise_thread_priority();

}  // namespace kdr::platform
