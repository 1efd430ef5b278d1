#include "judge/assertion.h"

#include <algorithm>
#include <cctype>

namespace exocheck {

namespace {

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool all_digits(std::string_view s) { return !s.empty() && std::ranges::all_of(s, is_digit); }

bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// Where ":<line>: " begins: the first colon followed by digits and ": ".
size_t line_number_colon(std::string_view text) {
    for (size_t colon = text.find(':'); colon != std::string_view::npos; colon = text.find(':', colon + 1)) {
        const size_t end = text.find(": ", colon + 1);
        if (end != std::string_view::npos && all_digits(text.substr(colon + 1, end - colon - 1)))
            return colon;
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<AssertionLine> parse_assertion(std::string_view text) {
    if (text.ends_with('\n')) text.remove_suffix(1);
    constexpr std::string_view MARK = "Assertion `", TAIL = "' failed.";
    if (text.find('\n') != std::string_view::npos || !text.ends_with(TAIL)) return std::nullopt;
    const size_t colon = line_number_colon(text);
    if (colon == std::string_view::npos) return std::nullopt;

    AssertionLine parts;
    // "prog: file": the C library leaves "prog: " out when it has no name.
    const size_t name_end = text.rfind(": ", colon);
    const size_t file_at = name_end == std::string_view::npos ? 0 : name_end + 2;
    if (name_end != std::string_view::npos) parts.program = text.substr(0, name_end);
    parts.file = text.substr(file_at, colon - file_at);
    const size_t line_end = text.find(": ", colon);
    parts.line = text.substr(colon + 1, line_end - colon - 1);

    // "function: Assertion `", the function left out when there is none.
    const size_t after_line = line_end + 2;
    const size_t mark = text.find(MARK, after_line);
    if (mark == std::string_view::npos || parts.file.empty()) return std::nullopt;
    if (mark > after_line) {
        if (mark < after_line + 2 || text.substr(mark - 2, 2) != ": ") return std::nullopt;
        parts.function = text.substr(after_line, mark - 2 - after_line);
    }
    const size_t condition_at = mark + MARK.size();
    if (condition_at > text.size() - TAIL.size()) return std::nullopt;
    parts.condition = text.substr(condition_at, text.size() - TAIL.size() - condition_at);
    return parts;
}

std::optional<AssertionLine> find_assertion(std::string_view err) {
    while (!err.empty()) {
        const size_t end = err.find('\n');
        if (auto parsed = parse_assertion(err.substr(0, end))) return parsed;
        err.remove_prefix(end == std::string_view::npos ? err.size() : end + 1);
    }
    return std::nullopt;
}

std::string_view bare_function_name(std::string_view function) {
    const size_t paren = function.find('(');
    if (paren == std::string_view::npos) return function;
    size_t end = paren;
    while (end > 0 && function[end - 1] == ' ') --end;
    size_t begin = end;
    while (begin > 0 && is_name_char(function[begin - 1])) --begin;
    return function.substr(begin, end - begin);
}

}  // namespace exocheck
