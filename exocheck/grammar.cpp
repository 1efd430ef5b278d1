#include "grammar.h"

#include <algorithm>

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

}  // namespace

InputGenerator::InputGenerator(const ProgramData &program, uint64_t seed)
    : program_(program), state_(seed ^ 0x9e3779b97f4a7c15ULL) {}

// splitmix64: the same sequence on every machine and standard library.
uint64_t InputGenerator::below(uint64_t n) {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return (z ^ (z >> 31)) % n;
}

std::string InputGenerator::pick(std::span<const std::string_view> tokens) {
    return std::string(tokens[below(tokens.size())]);
}

bool InputGenerator::one_in(uint64_t n) { return below(n) == 0; }

std::string InputGenerator::slot(char kind) {
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

// Up to longest - 1 tokens of one kind, mostly separated by one space.
std::string InputGenerator::run_of(char kind, uint64_t longest) {
    std::string run;
    for (uint64_t n = below(longest); n > 0; --n) {
        run += slot(kind);
        run += one_in(5) ? pick(SPACES) : " ";
    }
    return run;
}

// Up to 19 fields separated by bars, each an integer, some with junk and
// another integer after it.
std::string InputGenerator::bar_fields() {
    std::string fields;
    for (uint64_t n = below(20); n > 0; --n) {
        fields += pick(SPACES) + slot('i');
        if (one_in(3)) fields += pick(JUNK) + slot('i');
        if (n > 1) fields += '|';
    }
    return fields;
}

std::string InputGenerator::fill(std::string_view shape) {
    std::string out;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '{' && i + 2 < shape.size() && shape[i + 2] == '}') {
            out += slot(shape[i + 1]);
            i += 2;
        } else {
            out += shape[i];
        }
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
