#pragma once
// For tests that draw through GLX: keeps one connection to the test's X
// server open, with GLX started on it, for the rest of the program, so that
// the library's rendering driver stays loaded after each test's own
// connections close. Leak reports at the end of a sanitizer run can then
// name the driver's frames (and its suppressions apply) instead of showing
// an unloaded module. Call after the X server is up.

namespace kdr::test {

void keep_glx_driver_loaded();

}  // namespace kdr::test
