#pragma once
// The text form of a registry store (private to the platform library).
//
//   ; comment
//   [Software\Talvane\Kaleidra\3.0]
//   "Path"=string:"/opt/kaleidra"
//   "Rnd_Multi"=number:1
//   "Options"=binary:0a1b2c
//
// Names and strings are quoted with C-like escapes (\\ \" \n \r \t \xHH), so
// any byte survives a round trip. Spaces around "=", ":" and the data are
// allowed; numbers are decimal or 0x hexadecimal.
//
// A store is kept as its lines. Lines that do not parse (a hand edit with a
// missing quote, a value before the first key, a comment) are kept verbatim
// and written back as they were; a change rewrites only the lines of the
// values it changes. When a key or value appears twice, the last line wins.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/registry.h"

namespace kdr::platform::registry_text {

enum class LineKind {
    other,      // blank, comment, or not understood: kept verbatim
    key,        // [key name]
    value,      // a value line that parses
    bad_value,  // names a value (its name parses) but the rest does not
};

struct Line {
    LineKind kind = LineKind::other;
    std::string text;  // the line as read or written, without its line end
    std::string name;  // the key's name (key lines) or the value's name
    RegistryValue value;
};

class Document {
  public:
    static Document parse(std::string_view text);
    std::string format() const;

    // The value, or nothing. `bad_line` receives the 1-based number of an
    // unreadable line naming the value when no readable one does, else 0.
    std::optional<RegistryValue> get(std::string_view key, std::string_view name,
                                     std::size_t* bad_line = nullptr) const;
    // The key's values in the order they first appear, each with the
    // content of its last line.
    std::vector<RegistryValue> list(std::string_view key) const;
    // Keys holding at least one readable value, in the order they appear.
    std::vector<std::string> keys() const;
    const Line& line(std::size_t number) const { return m_lines[number - 1]; }

    // Rewrites the value's last line (readable or not) and drops its other
    // readable lines, or adds a line at the end of the key, or the key at
    // the end of the store.
    void set(std::string_view key, const RegistryValue& value);
    // Drops every readable line of the value; true when there was one.
    bool remove(std::string_view key, std::string_view name);

  private:
    std::vector<Line> m_lines;
};

std::string format_value_line(const RegistryValue& value);

bool names_equal(std::string_view a, std::string_view b);

}  // namespace kdr::platform::registry_text
