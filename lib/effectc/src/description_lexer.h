#pragma once
// Splits a description into lines of tokens. Tokens are separated by white
// space, except inside double quotes (a string; \" and \\ escape) and inside
// parentheses (so "(W * 0.5)" is one token). "#" outside a string starts a
// comment. Blank and comment-only lines are dropped.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kdr::effectc {

struct Token {
    std::string text;
    bool quoted = false;
};

struct TokenLine {
    int number = 0;  // 1-based line in the file
    std::vector<Token> tokens;
};

class LexError : public std::runtime_error {
  public:
    LexError(int line, const std::string& message) : std::runtime_error(message), line(line) {}
    int line;
};

std::vector<TokenLine> split_lines(std::string_view text);

}  // namespace kdr::effectc
