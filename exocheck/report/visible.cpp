#include "report/visible.h"

#include <cstdio>

namespace exocheck {

namespace {

unsigned char byte_at(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

bool is_continuation(std::string_view text, std::size_t i) {
    return i < text.size() && (byte_at(text, i) & 0xC0U) == 0x80U;
}

std::string hex_escape(unsigned char byte) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
    return buffer;
}

// The escape of a byte that is not printable UTF-8, or empty when it is.
std::string escape_of(unsigned char byte) {
    switch (byte) {
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\r': return "\\r";
    case '\\': return "\\\\";
    default: break;
    }
    return byte < 0x20 || byte == 0x7F ? hex_escape(byte) : std::string();
}

// Spaces that look like an ordinary one, written as escapes.
std::string_view odd_space(std::string_view sequence) {
    if (sequence == "\u00a0") return "\\u00a0";
    if (sequence == "\u202f") return "\\u202f";
    return {};
}

// Appends the text escaped; `quote` is also escaped when not 0.
void append_escaped(std::string &out, std::string_view text, char quote) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text.substr(i));
        if (length == 0) {
            out += hex_escape(byte_at(text, i));
            ++i;
        } else if (length > 1) {
            const std::string_view sequence = text.substr(i, length);
            const std::string_view shown = odd_space(sequence);
            out += shown.empty() ? sequence : shown;
            i += length;
        } else {
            const std::string escape = escape_of(byte_at(text, i));
            if (!escape.empty())
                out += escape;
            else if (quote != 0 && text[i] == quote)
                out += std::string("\\") + quote;
            else
                out += text[i];
            ++i;
        }
    }
}

// The input as a printf format: % doubled, \ doubled, newline, tab and CR
// as \n, \t, \r, and other bytes that are not printable UTF-8 in octal
// (three digits, so that a digit after one is never taken in).
std::string printf_format(std::string_view input) {
    std::string format;
    for (std::size_t i = 0; i < input.size();) {
        const std::size_t length = utf8_length(input.substr(i));
        const unsigned char byte = byte_at(input, i);
        if (length > 1) {
            format += input.substr(i, length);
            i += length;
            continue;
        }
        if (byte == '%')
            format += "%%";
        else if (byte == '\\' || byte == '\n' || byte == '\t' || byte == '\r')
            format += escape_of(byte);
        else if (length == 0 || byte < 0x20 || byte == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\%03o", byte);
            format += buffer;
        } else {
            format += static_cast<char>(byte);
        }
        ++i;
    }
    return format;
}

bool is_safe_in_shell(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_./+-=,:@%").find(c) != std::string_view::npos;
}

}  // namespace

std::size_t utf8_length(std::string_view text) {
    if (text.empty()) return 0;
    const unsigned char first = byte_at(text, 0);
    if (first < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0) low = 0xA0;   // no overlong form
        if (first == 0xED) high = 0x9F;  // no surrogate
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0) low = 0x90;
        if (first == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte_at(text, 1) < low || byte_at(text, 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!is_continuation(text, i)) return 0;
    return length;
}

bool is_utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string quoted_input(std::string_view input) {
    std::string out = "\"";
    append_escaped(out, input, '"');
    return out + "\"";
}

std::string visible_line(std::string_view line, bool unterminated) {
    std::size_t trailing = line.size();
    while (trailing > 0 && line[trailing - 1] == ' ') --trailing;
    std::string out;
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t run = at;
        while (run < line.size() && line[run] == ' ') ++run;
        if (run > at) {
            const bool shown = run - at > 1 || run > trailing;
            for (std::size_t i = at; i < run; ++i) out += shown ? "\u2423" : " ";
            at = run;
            continue;
        }
        while (run < line.size() && line[run] != ' ') ++run;
        append_escaped(out, line.substr(at, run - at), 0);
        at = run;
    }
    if (unterminated) out += "\u23ce";
    return out;
}

std::string single_quoted(std::string_view word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string shell_word(std::string_view word) {
    bool safe = !word.empty();
    for (char c : word) safe = safe && is_safe_in_shell(c);
    return safe ? std::string(word) : single_quoted(word);
}

std::string reproduce_command(std::string_view input, std::string_view path) {
    std::string program = shell_word(path.find('/') == std::string_view::npos ? "./" + std::string(path)
                                                                              : std::string(path));
    if (input.empty()) return program + " < /dev/null";
    const std::string format = printf_format(input);
    return std::string("printf ") + (format.starts_with('-') ? "-- " : "") + single_quoted(format) +
           " | " + program;
}

}  // namespace exocheck
