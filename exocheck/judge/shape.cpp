#include "judge/shape.h"

#include <numeric>
#include <set>

namespace exocheck {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::int64_t> Number::value() const {
    constexpr std::size_t MOST_DIGITS = 18;  // within an int64_t
    if (digits.size() > MOST_DIGITS) return std::nullopt;
    const std::int64_t v =
        std::accumulate(digits.begin(), digits.end(), std::int64_t{0}, [](std::int64_t sum, char c) { return sum * 10 + (c - '0'); });
    return negative ? -v : v;
}

std::string split_numbers(std::string_view text, std::vector<Number> &numbers) {
    std::string skeleton;
    for (std::size_t i = 0; i < text.size();) {
        const bool minus = text[i] == '-' && i + 1 < text.size() && is_digit(text[i + 1]);
        if (!minus && !is_digit(text[i])) {
            skeleton += text[i++];
            continue;
        }
        Number n;
        n.at = i;
        if (minus) ++i;
        n.negative = minus;
        while (i < text.size() && is_digit(text[i])) n.digits += text[i++];
        if (i + 1 < text.size() && text[i] == '.' && is_digit(text[i + 1])) {
            ++i;
            while (i < text.size() && is_digit(text[i])) {
                n.digits += text[i++];
                ++n.decimals;
            }
        }
        n.text = text.substr(n.at, i - n.at);
        numbers.push_back(n);
        skeleton += '#';
    }
    return skeleton;
}

std::string shape(std::string_view text) {
    std::vector<Number> numbers;
    const std::string skeleton = split_numbers(text, numbers);
    std::string shaped;
    for (std::size_t i = 0; i < skeleton.size(); ++i) {
        shaped += skeleton[i];
        if (skeleton[i] != '#') continue;
        // "# # #": the blanks and numbers after a number, up to the last number.
        std::size_t next = i + 1;
        while (next < skeleton.size() && (skeleton[next] == ' ' || skeleton[next] == '\t')) ++next;
        while (next < skeleton.size() && skeleton[next] == '#') {
            i = next;
            ++next;
            while (next < skeleton.size() && (skeleton[next] == ' ' || skeleton[next] == '\t')) ++next;
        }
    }
    return shaped;
}

namespace {

// The distinct shapes of the lines of a text, in order of their text.
std::string line_shapes(std::string_view text) {
    std::set<std::string> shapes;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        shapes.insert(shape(text.substr(0, length)));
        text.remove_prefix(length);
    }
    std::string joined;
    for (const std::string &s : shapes) joined += s + "\x1e";
    return joined;
}

}  // namespace

std::string run_shape(const RunResult &run) {
    std::string ending = run.exited ? "exit " + std::to_string(run.status) : "signal " + std::to_string(run.signal);
    if (run.timed_out) ending = "time limit";
    if (run.out_capped) ending = "output cap";
    if (run.start_error != 0) ending = "not started";
    // Unit separators between the parts: no output holds one that matters.
    return line_shapes(run.out) + "\x1f" + line_shapes(run.err) + "\x1f" + ending;
}

std::string first_differing_line(std::string_view expected, std::string_view obtained) {
    const auto take_line = [](std::string_view &text) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        text.remove_prefix(line.size());
        return line;
    };
    while (!expected.empty()) {
        const std::string_view line = take_line(expected);
        if (line != take_line(obtained)) return shape(line.substr(0, line.size() - (line.ends_with('\n') ? 1 : 0)));
    }
    return "";
}

}  // namespace exocheck
