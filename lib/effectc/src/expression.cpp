#include "kaleidra/effectc/expression.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace kdr::effectc {

double frame_height_at(double field_of_view, double depth) {
    return 2.0 * depth * std::tan(field_of_view * std::numbers::pi / 360.0);
}

double frame_width_at(double field_of_view, double depth) {
    return projection_aspect * frame_height_at(field_of_view, depth);
}

namespace {

constexpr double degrees_to_radians = std::numbers::pi / 180.0;

// A stable pseudo-random number in [0, 1) for a seed, so that shards and
// tiles vary from one another but every build writes the same bytes.
double hashed_random(double seed) {
    auto state = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::llround(seed * 1024.0)));
    state += 0x9E3779B97F4A7C15ull;
    state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ull;
    state = (state ^ (state >> 27)) * 0x94D049BB133111EBull;
    state ^= state >> 31;
    return static_cast<double>(state >> 11) / static_cast<double>(1ull << 53);
}

class Parser {
  public:
    Parser(std::string_view text, const ExpressionScope& scope) : m_text(text), m_scope(scope) {}

    double parse() {
        double value = comparison();
        skip_space();
        if (m_pos != m_text.size()) {
            fail("unexpected \"" + std::string(m_text.substr(m_pos)) + "\"");
        }
        return value;
    }

  private:
    [[noreturn]] void fail(const std::string& message) const {
        throw ExpressionError("in \"" + std::string(m_text) + "\": " + message);
    }

    void skip_space() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) {
            ++m_pos;
        }
    }

    bool accept(char c) {
        skip_space();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    // Comparisons give 1 or 0; they bind loosest and do not chain.
    double comparison() {
        double left = sum();
        skip_space();
        static const char* const operators[] = {"==", "!=", "<=", ">=", "<", ">"};
        for (const char* op : operators) {
            std::string_view text(op);
            if (m_text.substr(m_pos, text.size()) == text) {
                m_pos += text.size();
                double right = sum();
                bool result = text == "=="   ? left == right
                              : text == "!=" ? left != right
                              : text == "<=" ? left <= right
                              : text == ">=" ? left >= right
                              : text == "<"  ? left < right
                                             : left > right;
                return result ? 1.0 : 0.0;
            }
        }
        return left;
    }

    double sum() {
        double value = product();
        for (;;) {
            if (accept('+')) {
                value += product();
            } else if (accept('-')) {
                value -= product();
            } else {
                return value;
            }
        }
    }

    double product() {
        double value = unary();
        for (;;) {
            if (accept('*')) {
                value *= unary();
            } else if (accept('/')) {
                double divisor = unary();
                if (divisor == 0) {
                    fail("division by zero");
                }
                value /= divisor;
            } else if (accept('%')) {
                double divisor = unary();
                if (divisor == 0) {
                    fail("division by zero");
                }
                value = std::fmod(value, divisor);
            } else {
                return value;
            }
        }
    }

    // Every way of nesting (signs, powers, parentheses, calls) passes
    // through here, so the depth is counted once.
    double unary() {
        if (++m_depth > max_depth) {
            fail("nested too deeply");
        }
        double value;
        if (accept('-')) {
            value = -unary();
        } else if (accept('+')) {
            value = unary();
        } else {
            value = primary();
            if (accept('^')) {
                value = std::pow(value, unary());
            }
        }
        --m_depth;
        return value;
    }

    double primary() {
        skip_space();
        if (m_pos >= m_text.size()) {
            fail("a value is missing at the end");
        }
        char c = m_text[m_pos];
        if (c == '(') {
            ++m_pos;
            double value = comparison();
            if (!accept(')')) {
                fail("\")\" expected");
            }
            return value;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            return number();
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::string name = identifier();
            if (accept('(')) {
                return call(name);
            }
            if (name == "pi") {
                return std::numbers::pi;
            }
            auto found = m_scope.values.find(name);
            if (found == m_scope.values.end()) {
                fail("unknown name \"" + name + "\"");
            }
            return found->second;
        }
        fail(std::string("unexpected \"") + c + "\"");
    }

    double number() {
        std::string copy(m_text.substr(m_pos));
        char* end = nullptr;
        double value = std::strtod(copy.c_str(), &end);
        if (end == copy.c_str()) {
            fail("malformed number");
        }
        m_pos += static_cast<std::size_t>(end - copy.c_str());
        return value;
    }

    std::string identifier() {
        std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_')) {
            ++m_pos;
        }
        return std::string(m_text.substr(start, m_pos - start));
    }

    double call(const std::string& name) {
        std::vector<double> args;
        if (!accept(')')) {
            do {
                args.push_back(comparison());
            } while (accept(','));
            if (!accept(')')) {
                fail("\")\" expected after the arguments of " + name);
            }
        }
        auto need = [&](std::size_t count) {
            if (args.size() != count) {
                fail(name + " takes " + std::to_string(count) + " argument" +
                     (count == 1 ? "" : "s") + ", not " + std::to_string(args.size()));
            }
        };
        if (name == "sin" || name == "cos" || name == "tan") {
            need(1);
            double r = args[0] * degrees_to_radians;
            return name == "sin" ? std::sin(r) : name == "cos" ? std::cos(r) : std::tan(r);
        }
        if (name == "asin" || name == "acos" || name == "atan") {
            need(1);
            double r = name == "asin"   ? std::asin(args[0])
                       : name == "acos" ? std::acos(args[0])
                                        : std::atan(args[0]);
            return r / degrees_to_radians;
        }
        if (name == "atan2") {
            need(2);
            return std::atan2(args[0], args[1]) / degrees_to_radians;
        }
        if (name == "sqrt") {
            need(1);
            if (args[0] < 0) {
                fail("square root of a negative number");
            }
            return std::sqrt(args[0]);
        }
        if (name == "abs") {
            need(1);
            return std::fabs(args[0]);
        }
        if (name == "floor") {
            need(1);
            return std::floor(args[0]);
        }
        if (name == "round") {
            need(1);
            return std::round(args[0]);
        }
        if (name == "min" || name == "max") {
            if (args.empty()) {
                fail(name + " needs at least one argument");
            }
            double value = args[0];
            for (double a : args) {
                value = name == "min" ? std::fmin(value, a) : std::fmax(value, a);
            }
            return value;
        }
        if (name == "clamp") {
            need(3);
            return std::fmin(std::fmax(args[0], args[1]), args[2]);
        }
        if (name == "lerp") {
            need(3);
            return args[0] + (args[1] - args[0]) * args[2];
        }
        if (name == "rand") {
            need(1);
            return hashed_random(args[0]);
        }
        if (name == "frame_width" || name == "frame_height") {
            need(1);
            if (m_scope.field_of_view < 0) {
                fail(name + " needs a camera declared before it");
            }
            return name == "frame_width" ? frame_width_at(m_scope.field_of_view, args[0])
                                         : frame_height_at(m_scope.field_of_view, args[0]);
        }
        fail("unknown function \"" + name + "\"");
    }

    static constexpr int max_depth = 100;

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_depth = 0;
    const ExpressionScope& m_scope;
};

}  // namespace

double evaluate_expression(std::string_view text, const ExpressionScope& scope) {
    double value = Parser(text, scope).parse();
    if (!std::isfinite(value)) {
        throw ExpressionError("in \"" + std::string(text) +
                              "\": the result is not a finite number");
    }
    return value;
}

}  // namespace kdr::effectc
