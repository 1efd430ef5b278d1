#include "cases/grammar.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>

namespace exocheck {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view INTS[] = {
    "0", "-0", "1", "-1", "2", "7", "12", "23", "24", "59", "60", "-61", "99", "125", "3600",
    "86399", "86400", "90000", "2147483647", "-2147483647", "-2147483648", "2147483648",
    "-2147483649", "4294967295", "4294967296", "99999999999999999999", "-99999999999999999999",
    "+5", "00012", "0x1F", "1e3", "-", "+", "--1", "13",
};
constexpr std::string_view REALS[] = {
    "0", "-0", "1", "-1", "-2", "2.5", ".5", "5.", "0.01", "10", "20", "12", "8", "15", "1e308",
    "-1e308", "1e309", "1e-320", "4.9e-324", "0x1p3", "0x1.8p-2", "-0x.8p1", "nan", "NAN", "-nan",
    "nan(123)", "inf", "-inf", "INFINITY", "infinit", "1e", "1e+", "-.", "+.", ".", "-", "+",
    "2147483648", "99999999999999999999", "1e-5000", "3",
};
constexpr std::string_view LONGS[] = {
    "0", "65", "-1", "7", "4702394921427289921", "9223372036854775807", "-9223372036854775808",
    "9223372036854775808", "-9223372036854775809", "18446744073709551616", "281474976710655",
    "71752852194561", "-", "x",
};
constexpr std::string_view JUNK[] = {
    "x", "/", ":", "|", "abc", "\t", "\r", "\n", "\0"sv, "-", "+", ".", "\xc3\xa9",
    "\xff", "i", "n", "e", "X", "%d", "::", "||", " ",
};
constexpr std::string_view SPACES[] = {" ", "", "\t", "\n", "\r\n", "  ", "\r", " \n "};

// A range "lo..hi" of a form, both bounds scaled to the same number of
// decimals: {0.5..20.00} is 50..2000 with 2 decimals.
struct Range {
    int64_t low = 0, high = 0;
    int decimals = 0;
};

bool is_number(std::string_view text) {
    if (text.starts_with('-')) text.remove_prefix(1);
    const size_t point = text.find('.');
    const auto digits = [](std::string_view s) {
        return !s.empty() && std::ranges::all_of(s, [](char c) { return c >= '0' && c <= '9'; });
    };
    return point == std::string_view::npos ? digits(text)
                                           : digits(text.substr(0, point)) && digits(text.substr(point + 1));
}

int decimals_of(std::string_view number) {
    const size_t point = number.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

int64_t scaled(std::string_view number, int decimals) {
    std::string digits(number);
    const size_t point = digits.find('.');
    if (point != std::string::npos) digits.erase(point, 1);
    digits.append(static_cast<size_t>(decimals - decimals_of(number)), '0');
    int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

std::optional<Range> parse_range(std::string_view text) {
    const size_t dots = text.find("..");
    if (dots == std::string_view::npos) return std::nullopt;
    const std::string_view low = text.substr(0, dots), high = text.substr(dots + 2);
    if (!is_number(low) || !is_number(high)) return std::nullopt;
    Range range;
    range.decimals = std::max(decimals_of(low), decimals_of(high));
    range.low = scaled(low, range.decimals);
    range.high = scaled(high, range.decimals);
    if (range.low > range.high) return std::nullopt;
    return range;
}

// The value written as a person would type it: "12.5" for 1250 with 2
// decimals, "12" for 1200.
std::string written(int64_t value, int decimals) {
    if (decimals == 0) return std::to_string(value);
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    uint64_t unit = 1;
    for (int d = 0; d < decimals; ++d) unit *= 10;
    std::string fraction = std::to_string(magnitude % unit);
    fraction.insert(0, static_cast<size_t>(decimals) - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string text;
    if (negative) text += '-';
    text += std::to_string(magnitude / unit);
    if (!fraction.empty()) text.append(1, '.').append(fraction);
    return text;
}

uint64_t splitmix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

InputGenerator::InputGenerator(const ProgramData &program, uint64_t seed)
    : program_(program), state_(seed ^ 0x9e3779b97f4a7c15ULL) {}

std::string InputGenerator::generated_case(const ProgramData &program, uint64_t seed, uint64_t number) {
    InputGenerator generator(program, splitmix(seed) ^ splitmix(number + 0x2545f4914f6cdd1dULL));
    return number % 5 == 0 ? generator.malformed() : generator.well_formed();
}

// splitmix64: the same sequence on every machine and standard library.
uint64_t InputGenerator::raw() { return splitmix(state_ += 0x9e3779b97f4a7c15ULL); }

uint64_t InputGenerator::below(uint64_t n) { return raw() % n; }

std::string InputGenerator::pick(std::span<const std::string_view> tokens) {
    return std::string(tokens[below(tokens.size())]);
}

bool InputGenerator::one_in(uint64_t n) { return below(n) == 0; }

std::string InputGenerator::hostile_slot(char kind) {
    switch (kind) {
    case 'i': return one_in(4) ? std::to_string(static_cast<int32_t>(below(1ULL << 32))) : pick(INTS);
    case 'r': return pick(REALS);
    case 'n': return std::to_string(below(71));
    case 'g': return one_in(8) ? pick(REALS) : std::to_string(static_cast<double>(below(2001)) / 100.0);
    case 'l': return pick(LONGS);
    case 't': return pick(JUNK);
    case 's': return pick(SPACES);
    case 'c': return one_in(4) ? pick(JUNK) : ":";
    case 'I': return run_of('i', 40);
    case 'R': return run_of('r', 15);
    case 'F': return bar_fields();
    default: return "";
    }
}

// A value of lo..hi, one of its ends a quarter of the time: that is where
// programs go wrong.
std::string InputGenerator::in_range(std::string_view text) {
    const std::optional<Range> range = parse_range(text);
    if (!range) return std::string(text);
    const uint64_t span = static_cast<uint64_t>(range->high) - static_cast<uint64_t>(range->low);
    int64_t value = range->low;
    switch (below(8)) {
    case 0: break;
    case 1: value = range->high; break;
    default:
        value = static_cast<int64_t>(static_cast<uint64_t>(range->low) +
                                     (span == UINT64_MAX ? raw() : below(span + 1)));
    }
    return written(value, range->decimals);
}

std::string InputGenerator::slot(std::string_view text) {
    if (text.size() == 1) return hostile_slot(text[0]);
    if (text.find('|') == std::string_view::npos) return in_range(text);
    std::vector<std::string_view> choices;
    for (size_t from = 0;;) {
        const size_t bar = text.find('|', from);
        choices.push_back(text.substr(from, bar - from));
        if (bar == std::string_view::npos) break;
        from = bar + 1;
    }
    return in_range(choices[below(choices.size())]);
}

// Up to longest - 1 tokens of one kind, mostly separated by one space.
std::string InputGenerator::run_of(char kind, uint64_t longest) {
    std::string run;
    for (uint64_t n = below(longest); n > 0; --n) {
        run += hostile_slot(kind);
        run += one_in(5) ? pick(SPACES) : " ";
    }
    return run;
}

// Up to 19 fields separated by bars, each an integer, some with junk and
// another integer after it. One draw per statement: the operands of + are
// evaluated in an order each compiler chooses, and the cases must be the
// same whatever the compiler.
std::string InputGenerator::bar_fields() {
    std::string fields;
    for (uint64_t n = below(20); n > 0; --n) {
        fields += pick(SPACES);
        fields += hostile_slot('i');
        if (one_in(3)) {
            fields += pick(JUNK);
            fields += hostile_slot('i');
        }
        if (n > 1) fields += '|';
    }
    return fields;
}

std::string InputGenerator::fill(std::string_view shape) {
    std::string out;
    size_t at = 0;
    while (at < shape.size()) {
        const char open = shape[at];
        const size_t close = open == '{' ? shape.find('}', at) : open == '[' ? shape.find(']', at)
                                                                            : std::string_view::npos;
        if (close == std::string_view::npos) {
            out += open;
            ++at;
            continue;
        }
        const std::string_view inside = shape.substr(at + 1, close - at - 1);
        if (open == '[') {
            for (uint64_t n = 0; n < repetitions_; ++n) out += fill(inside);
        } else if (inside.starts_with('#')) {
            const std::string count = in_range(inside.substr(1));
            repetitions_ = std::strtoull(count.c_str(), nullptr, 10);
        } else {
            out += slot(inside);
        }
        at = close + 1;
    }
    return out;
}

std::string InputGenerator::random_bytes() {
    std::string bytes(below(200), '\0');
    std::generate(bytes.begin(), bytes.end(), [this] { return static_cast<char>(below(256)); });
    return bytes;
}

void InputGenerator::mutate(std::string &input) {
    for (uint64_t n = 1 + below(3); n > 0; --n) {
        size_t at = input.empty() ? 0 : below(input.size() + 1);
        char byte = static_cast<char>(below(256));
        switch (below(3)) {
        case 0: input.insert(at, 1, byte); break;
        case 1: if (at < input.size()) input.erase(at, 1); break;
        default: if (at < input.size()) input[at] = byte; break;
        }
    }
}

std::string InputGenerator::well_formed() {
    repetitions_ = 1;
    const auto forms = program_.forms.empty() ? program_.shapes : program_.forms;
    return fill(forms[below(forms.size())]);
}

std::string InputGenerator::malformed() {
    switch (below(5)) {
    case 0: return random_bytes();
    case 1: return fill(pick(program_.shapes));
    case 2: {
        std::string input = fill(pick(program_.shapes));
        mutate(input);
        return input;
    }
    case 3: {
        std::string input = well_formed();
        mutate(input);
        return input;
    }
    default: {
        std::string input = well_formed();
        input.resize(below(input.size() + 1));
        return input;
    }
    }
}

// In turn, so that a short sweep still has every family and every shape:
// random bytes, a mutated shape, then three filled shapes.
std::string InputGenerator::next() {
    const uint64_t turn = turns_++;
    if (turn % 5 == 0) return random_bytes();
    std::string input = fill(program_.shapes[shapes_used_++ % program_.shapes.size()]);
    if (turn % 5 == 1) mutate(input);
    return input;
}

std::vector<std::string> InputGenerator::heavy_inputs() {
    const size_t MiB = 1 << 20;
    std::string filled;  // one line of the program's own shapes, 1 MiB long
    while (filled.size() < MiB) {
        std::string piece = fill(pick(program_.shapes));
        std::replace(piece.begin(), piece.end(), '\n', ' ');
        filled += piece;
    }
    std::string numbers, bars;
    for (int i = 0; i < 100000; ++i) {
        numbers += std::to_string(i % 997) + " ";
        bars += std::to_string(i % 997) + "|";
    }
    return {std::string(MiB, '1'), std::string(MiB, ' ') + "5\n", filled + "\n", numbers, bars,
            "", std::string(1, '\0')};
}

}  // namespace exocheck
