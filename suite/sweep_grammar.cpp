#include "sweep_grammar.h"

namespace {

using Tokens = std::vector<std::string>;

const Tokens INTS = {
    "0", "-0", "1", "-1", "2", "7", "12", "23", "24", "59", "60", "-61", "99", "125", "3600",
    "86399", "86400", "90000", "2147483647", "-2147483647", "-2147483648", "2147483648",
    "-2147483649", "4294967295", "4294967296", "99999999999999999999", "-99999999999999999999",
    "+5", "00012", "0x1F", "1e3", "-", "+", "--1", "13",
};
const Tokens REALS = {
    "0", "-0", "1", "-1", "-2", "2.5", ".5", "5.", "0.01", "10", "20", "12", "8", "15", "1e308",
    "-1e308", "1e309", "1e-320", "4.9e-324", "0x1p3", "0x1.8p-2", "-0x.8p1", "nan", "NAN", "-nan",
    "nan(123)", "inf", "-inf", "INFINITY", "infinit", "1e", "1e+", "-.", "+.", ".", "-", "+",
    "2147483648", "99999999999999999999", "1e-5000", "3",
};
const Tokens LONGS = {
    "0", "65", "-1", "7", "4702394921427289921", "9223372036854775807", "-9223372036854775808",
    "9223372036854775808", "-9223372036854775809", "18446744073709551616", "281474976710655",
    "71752852194561", "-", "x",
};
const Tokens JUNK = {
    "x", "/", ":", "|", "abc", "\t", "\r", "\n", std::string(1, '\0'), "-", "+", ".", "\xc3\xa9",
    "\xff", "i", "n", "e", "X", "%d", "::", "||", " ",
};
const Tokens SPACES = {" ", "", "\t", "\n", "\r\n", "  ", "\r", " \n "};

const std::vector<Grammar> GRAMMARS = {
    {"gradebook",
     {"{R}{s}{t}{s}{R}{s}{t}{s}{r}{s}", "{R}{t}{R}{t}{r}", "{R}{s}{t}{s}{R}{s}{r}", "{t}{t}{r}",
      "{r} {r} x {r} {r} x {r}\n", "{r} {r} {r} / 1 1 1 / {r}\n", "{g} {g} x {g} {g} x {g}\n",
      "{g} {g} {g} x {g} {g} {g} x {g}\n", "{g}{s}{g}{s}{g}{s}{g}/{g}{s}{g}{s}{g}{s}{g}/-1"}},
    {"tickup", {"{s}{i}:{s}{i}:{s}{i}{s}", "{i}{c}{i}{c}{i}", "{i}:{i}:{i}\n", "{t}{I}", "{n}:{n}:{n}\n",
                  "{n}:{n}:{n}", "{s}{n}:{n}:{n}{s}{t}"}},
    {"tickdown", {"{s}{i}:{s}{i}:{s}{i}{s}", "{i}{c}{i}{c}{i}", "{i}:{i}:{i}\n", "{t}{I}", "{n}:{n}:{n}\n",
                  "{n}:{n}:{n}", "{s}{n}:{n}:{n}{s}{t}"}},
    {"dialtotal", {"{s}{i}:{s}{i}:{s}{i}{s}", "{i}{c}{i}{c}{i}", "{i}:{i}:{i}\n", "{t}{I}", "{n}:{n}:{n}\n",
                  "{n}:{n}:{n}", "{s}{n}:{n}:{n}{s}{t}"}},
    {"dialsum", {"{s}{i}:{s}{i}:{s}{i}{s}", "{i}{c}{i}{c}{i}", "{i}:{i}:{i}\n", "{t}{I}", "{n}:{n}:{n}\n",
                  "{n}:{n}:{n}", "{s}{n}:{n}:{n}{s}{t}"}},
    {"dialshow", {"{s}{i}{s}", "{i}{t}{i}", "{i}\n", "{t}{I}"}},
    {"dialsplit", {"{s}{i}{s}", "{i}{t}{i}", "{i}\n", "{t}{I}"}},
    {"quadroots", {"{r}{s}{r}{s}{r}{s}", "{r} {r}", "{r} {r} {r}\n", "{R}{t}"}},
    {"digittally", {"{I}", "{I}{t}{I}", "{I}\n", "{t}"}},
    {"barmax", {"{F}", "{F}{t}", "{F}\n", "{t}{F}", "|{F}"}, "Erreur: aucun entier valide lu\n"},
    {"pairrule", {"{i}{s}{i}{s}", "{i}", "{i} {i}\n", "{t}{i}"},
     "Erreur : \xc3\xa9" "chec lors de la lecture des deux entiers\n", true},
    {"ratioscale", {"{i} {i} {r} {r}", "{i}{s}{i}{s}{r}{s}{r}{s}", "{i} {i} {r} {r}\n", "{i}{t}{R}"}},
    {"bytepeek", {"{i}{s}{l}{s}", "{i}{s}{t}", "{i} {l}\n", "{l}{s}{l}"}},
    {"greetjoin", {"{t}{I}", "{R}"}},
    {"decaydemo", {"{t}{I}", "{R}"}},
};

}  // namespace

const Grammar *grammar_for(const std::string &program) {
    for (const Grammar &g : GRAMMARS)
        if (program == g.program) return &g;
    return nullptr;
}

InputGenerator::InputGenerator(const Grammar &grammar, uint64_t seed)
    : grammar_(grammar), state_(seed ^ 0x9e3779b97f4a7c15ULL) {}

// splitmix64: the same sequence on every machine and standard library.
uint64_t InputGenerator::below(uint64_t n) {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return (z ^ (z >> 31)) % n;
}

const std::string &InputGenerator::pick(const std::vector<std::string> &tokens) {
    return tokens[below(tokens.size())];
}

std::string InputGenerator::slot(char kind) {
    switch (kind) {
    case 'i': return below(4) ? pick(INTS) : std::to_string(static_cast<int32_t>(below(1ULL << 32)));
    case 'r': return pick(REALS);
    case 'n': return std::to_string(below(71));
    case 'g': return below(8) ? std::to_string(static_cast<double>(below(2001)) / 100.0) : pick(REALS);
    case 'l': return pick(LONGS);
    case 't': return pick(JUNK);
    case 's': return pick(SPACES);
    case 'c': return below(4) ? ":" : pick(JUNK);
    case 'I':
    case 'R': {
        std::string run;
        for (uint64_t n = below(kind == 'I' ? 40 : 15); n > 0; --n) {
            run += slot(kind == 'I' ? 'i' : 'r');
            run += below(5) ? " " : pick(SPACES);
        }
        return run;
    }
    case 'F': {
        std::string fields;
        for (uint64_t n = below(20); n > 0; --n) {
            fields += pick(SPACES) + slot('i');
            if (below(3) == 0) fields += pick(JUNK) + slot('i');
            if (n > 1) fields += '|';
        }
        return fields;
    }
    }
    return "";
}

std::string InputGenerator::fill(const std::string &shape) {
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
    for (char &c : bytes) c = static_cast<char>(below(256));
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
    std::string input = fill(grammar_.shapes[shapes_used_++ % grammar_.shapes.size()]);
    if (turn % 5 == 1) mutate(input);
    return input;
}

std::vector<std::string> InputGenerator::heavy_inputs() {
    const size_t MiB = 1 << 20;
    std::string filled;  // one line of the program's own shapes, 1 MiB long
    while (filled.size() < MiB) {
        std::string piece = fill(pick(grammar_.shapes));
        for (char &c : piece)
            if (c == '\n') c = ' ';
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
