#pragma once
// The parameters the plug-in shows its host, and their current values.
//
//   0 "completion"  double 0..1, animated by the host: 0 shows input A, 1 B
//   1 "effect"      string, an installed effect's name; empty = the settings
//                   file's effect, else "Ballsplt"
//   2 "settings"    string, path of a stored settings file (form "KDRR")
//   3 "fly on"      bool
//   4 "antialias"   bool
//   5 "lighting"    bool
//   6 "shadows"     double 0..1 (0..100 percent)
//
// The four options override the starting settings only once the host has
// set them: a host that names a settings file and nothing else renders
// exactly what that file says. Values that were never set report the
// built-in defaults.
//
// Hosts set every parameter before each update, from the thread that then
// calls update (or before the update calls of one frame start), so the
// values need no lock of their own.

#include <cstdint>
#include <optional>
#include <string>

namespace kdr::frei0r {

enum ParameterIndex : int {
    parameter_completion = 0,
    parameter_effect,
    parameter_settings,
    parameter_fly_on,
    parameter_antialias,
    parameter_lighting,
    parameter_shadows,
    parameter_count
};

// Type codes as the frei0r interface defines them.
enum class ParameterType : int { boolean = 0, number = 1, text = 4 };

struct ParameterInfo {
    const char* name;
    ParameterType type;
    const char* explanation;
};

// Null for an index outside 0..parameter_count - 1.
const ParameterInfo* parameter_info(int index);

class TransitionParameters {
  public:
    // `value` points at a double (numbers and booleans) or at a char*
    // (strings), as the host passes it. Out-of-range numbers are clamped,
    // NaN counts as 0, a null string as empty. Unknown indexes are ignored.
    void set(int index, const void* value);
    // Writes a double, or a char* that stays valid until the next set().
    void get(int index, void* value) const;

    double completion() const { return m_completion; }
    const std::string& effect() const { return m_effect; }
    const std::string& settings_file() const { return m_settings_file; }
    std::optional<bool> fly_on() const { return m_fly_on; }
    std::optional<bool> antialias() const { return m_antialias; }
    std::optional<bool> lighting() const { return m_lighting; }
    // 0..100 percent.
    std::optional<float> shadows() const { return m_shadows; }

    // Grows whenever a value other than the completion changes, so the
    // renderer rebuilds its settings record only then.
    std::uint64_t generation() const { return m_generation; }

  private:
    template <class T>
    void change(T& field, const T& value);

    double m_completion = 0;
    std::string m_effect;
    std::string m_settings_file;
    std::optional<bool> m_fly_on;
    std::optional<bool> m_antialias;
    std::optional<bool> m_lighting;
    std::optional<float> m_shadows;
    std::uint64_t m_generation = 0;
};

// frei0r's rule for booleans passed as doubles: 0.5 and above is true.
bool frei0r_bool(double value);

// Clamps to 0..1; NaN becomes 0.
double unit_interval(double value);

}  // namespace kdr::frei0r
