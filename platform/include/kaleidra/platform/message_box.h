#pragma once
// The one way the system shows a modal message: a short title and a one-line
// text. Programs with a user interface install a handler that opens a real
// box; tests install one that records the message, so no test ever blocks.
// Without a handler the message goes to standard error and the default
// answer is returned.

#include <functional>
#include <string>

namespace kdr::platform {

enum class MessageKind { information, warning, error, question };
enum class MessageAnswer { ok, yes, no, cancel };

using MessageBoxHandler = std::function<MessageAnswer(const std::string& title,
                                                      const std::string& text, MessageKind kind)>;

MessageAnswer show_message_box(const std::string& title, const std::string& text,
                               MessageKind kind = MessageKind::information);

// Installs `handler` (an empty function restores the default) and returns the
// previous one. Thread-safe.
MessageBoxHandler set_message_box_handler(MessageBoxHandler handler);

}  // namespace kdr::platform
