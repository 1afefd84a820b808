#pragma once
// A value or a message a person can act on. Fallible operations of the
// platform layer and the tools return one of these; callers must look at it.

#include <string>
#include <utility>
#include <variant>

namespace kdr {

struct Error {
    std::string message;
};

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Error error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const std::string& error() const { return std::get<Error>(m_state).message; }

  private:
    std::variant<T, Error> m_state;
};

// Success or an error, for operations that produce nothing.
class [[nodiscard]] Status {
  public:
    Status() = default;
    Status(Error error) : m_error(std::move(error.message)), m_failed(true) {}
    static Status success() { return {}; }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

  private:
    std::string m_error;
    bool m_failed = false;
};

}  // namespace kdr
