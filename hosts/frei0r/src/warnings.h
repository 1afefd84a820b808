#pragma once
// Warnings of the plug-in on standard error, each distinct message once per
// process: hosts call the plug-in for every frame, and a message repeated
// for every frame hides everything else. Thread-safe.

#include <string>

namespace kdr::frei0r {

// Writes "kaleidra (frei0r): <message>" unless this message was written
// before. Returns true when it was written now.
bool warn_once(const std::string& message);

}  // namespace kdr::frei0r
