#include "description_lexer.h"

#include <cctype>

namespace kdr::effectc {

std::vector<TokenLine> split_lines(std::string_view text) {
    std::vector<TokenLine> lines;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        ++number;
        TokenLine out{number, {}};
        std::size_t i = 0;
        while (i < line.size()) {
            unsigned char c = static_cast<unsigned char>(line[i]);
            if (std::isspace(c)) {
                ++i;
                continue;
            }
            if (c == '#') {
                break;
            }
            Token token;
            if (c == '"') {
                token.quoted = true;
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    char d = line[i++];
                    if (d == '"') {
                        closed = true;
                        break;
                    }
                    if (d == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                        d = line[i++];
                    }
                    token.text += d;
                }
                if (!closed) {
                    throw LexError(number, "the string has no closing quote");
                }
            } else {
                int depth = 0;
                while (i < line.size()) {
                    char d = line[i];
                    if (depth == 0 && (std::isspace(static_cast<unsigned char>(d)) || d == '#')) {
                        break;
                    }
                    if (d == '"') {
                        throw LexError(number, "a quote inside \"" + token.text + "\"");
                    }
                    if (d == '(') {
                        ++depth;
                    } else if (d == ')') {
                        if (--depth < 0) {
                            throw LexError(number,
                                           "\")\" without \"(\" in \"" + token.text + ")\"");
                        }
                    }
                    token.text += d;
                    ++i;
                }
                if (depth != 0) {
                    throw LexError(number, "\"(\" without \")\" in \"" + token.text + "\"");
                }
            }
            out.tokens.push_back(std::move(token));
        }
        if (!out.tokens.empty()) {
            lines.push_back(std::move(out));
        }
        if (end == text.size()) {
            break;
        }
        pos = end + 1;
    }
    return lines;
}

}  // namespace kdr::effectc
