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

// The number with `decimals` decimals as a whole number (12.5 with 2 is
// 1250); nothing past 64 bits.
std::optional<int64_t> scaled(std::string_view number, int decimals) {
    std::string digits(number);
    const size_t point = digits.find('.');
    if (point != std::string::npos) digits.erase(point, 1);
    digits.append(static_cast<size_t>(decimals - decimals_of(number)), '0');
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// At most 18 decimals: 10^18 still fits in 64 bits.
constexpr int MOST_DECIMALS = 18;

std::optional<Range> parse_range(std::string_view text) {
    const size_t dots = text.find("..");
    if (dots == std::string_view::npos) return std::nullopt;
    const std::string_view low = text.substr(0, dots), high = text.substr(dots + 2);
    if (!is_number(low) || !is_number(high)) return std::nullopt;
    Range range;
    range.decimals = std::max(decimals_of(low), decimals_of(high));
    if (range.decimals > MOST_DECIMALS) return std::nullopt;
    const std::optional<int64_t> low_value = scaled(low, range.decimals), high_value = scaled(high, range.decimals);
    if (!low_value || !high_value || *low_value > *high_value) return std::nullopt;
    range.low = *low_value;
    range.high = *high_value;
    return range;
}

// What is wrong with a range "lo..hi" that parse_range refuses.
std::string range_mistake(std::string_view text) {
    const size_t dots = text.find("..");
    const std::string_view low = text.substr(0, dots), high = text.substr(dots + 2);
    const std::string shown = "la plage « " + std::string(text) + " »";
    if (!is_number(low) || !is_number(high))
        return shown + " : ses bornes sont des nombres, comme 0..20, -5..5 ou 0.0..20.0";
    const int decimals = std::max(decimals_of(low), decimals_of(high));
    if (decimals > MOST_DECIMALS) return shown + " : au plus 18 décimales";
    if (!scaled(low, decimals) || !scaled(high, decimals)) return shown + " : une borne dépasse les entiers de 64 bits";
    return shown + " : bornes inversées, la première doit être la plus petite";
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

// The position of the `close` that ends the slot or repetition opened at
// `open`, escaped bytes skipped; npos when there is none.
size_t closing(std::string_view text, size_t open, char close) {
    for (size_t at = open + 1; at < text.size(); ++at) {
        if (text[at] == '\\') ++at;
        else if (text[at] == close) return at;
    }
    return std::string_view::npos;
}

// The alternatives of a slot, split at its bars that are not escaped.
std::vector<std::string_view> alternatives(std::string_view text) {
    std::vector<std::string_view> choices;
    size_t from = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\') ++at;
        else if (text[at] == '|') {
            choices.push_back(text.substr(from, at - from));
            from = at + 1;
        }
    }
    choices.push_back(text.substr(std::min(from, text.size())));
    return choices;
}

// Literal text of a slot, its escapes undone.
std::string unescaped(std::string_view text) {
    std::string out;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 1 < text.size()) ++at;
        out += text[at];
    }
    return out;
}

constexpr std::string_view HOSTILE_KINDS = "irltscngIRF";

// An upper bound of the bytes that fill() gives for one slot: a hostile
// run is at most about a thousand bytes.
uint64_t most_slot_bytes(std::string_view inside) {
    if (inside.size() == 1) return 4096;
    uint64_t most = 0;
    for (const std::string_view choice : alternatives(inside))
        most = std::max<uint64_t>(most, parse_range(choice) ? 48 : choice.size());
    return most;
}

// The mistake in a slot's inside, whatever it is: a brace or a bracket
// that is not escaped.
std::optional<std::string> unescaped_syntax(std::string_view inside, const std::string &slot) {
    for (size_t k = 0; k < inside.size(); ++k) {
        if (inside[k] == '\\') ++k;
        else if (inside[k] == '{' || inside[k] == '[' || inside[k] == ']')
            return std::string("« ") + inside[k] + " » dans " + slot + " ; écrivez \\" + inside[k] +
                   " pour le caractère lui-même";
    }
    return std::nullopt;
}

// A slot that fills to a value: a hostile token, a range or alternatives.
std::optional<std::string> value_slot_mistake(std::string_view inside, const std::string &slot) {
    if (inside.size() == 1)
        return HOSTILE_KINDS.find(inside[0]) == std::string_view::npos
                   ? std::optional("jeton inconnu " + slot + " ; les jetons sont {i} {r} {l} {t} {s} {c} {n} {g} {I} {R} {F}")
                   : std::nullopt;
    const std::vector<std::string_view> choices = alternatives(inside);
    for (const std::string_view choice : choices) {
        const bool range_like = choice.find("..") != std::string_view::npos;
        if (range_like && !parse_range(choice)) return range_mistake(choice);
        if (choices.size() == 1 && !range_like)
            return slot + " n'est ni une plage min..max, ni des choix a|b, ni un jeton comme {i}";
    }
    return std::nullopt;
}

// Checks a shape, or the inside of a repetition (`repeated`), adding to
// `bytes` an upper bound of what it fills to.
class ShapeCheck {
public:
    ShapeCheck(std::string_view text, bool repeated) : text_(text), repeated_(repeated) {}

    std::optional<std::string> run(uint64_t &bytes) {
        for (size_t at = 0; at < text_.size(); ++at) {
            const char c = text_[at];
            std::optional<std::string> wrong;
            if (c == '\\') {
                ++at;
                add(1);
            } else if (c == '}' || c == ']') {
                wrong = std::string("« ") + c + " » sans « " + (c == '}' ? '{' : '[') + " » avant ; écrivez \\" + c +
                        " pour le caractère lui-même";
            } else if (c == '[') {
                wrong = repetition(at);
            } else if (c == '{') {
                wrong = slot(at);
            } else {
                add(1);
            }
            if (wrong) return wrong;
        }
        if (!count_used_) return "un nombre de répétitions {#min..max} sans répétition [ ] après lui";
        bytes = std::min<uint64_t>(bytes + bytes_, UINT64_MAX / 2);
        return std::nullopt;
    }

private:
    void add(uint64_t more) { bytes_ = std::min<uint64_t>(bytes_ + more, UINT64_MAX / 2); }

    // The repetition [ ] opened at `at`, which moves to its end.
    std::optional<std::string> repetition(size_t &at) {
        if (repeated_) return "une répétition [ ] dans une répétition";
        const size_t close = closing(text_, at, ']');
        if (close == std::string_view::npos) return "crochet « [ » non fermé";
        if (!counted_) return "une répétition [ ] sans nombre de répétitions {#min..max} avant elle";
        uint64_t inside = 0;
        if (auto wrong = ShapeCheck(text_.substr(at + 1, close - at - 1), true).run(inside)) return wrong;
        add(count_ > 0 && inside > UINT64_MAX / 2 / count_ ? UINT64_MAX / 2 : count_ * inside);
        count_used_ = true;
        at = close;
        return std::nullopt;
    }

    // The slot { } opened at `at`, which moves to its end.
    std::optional<std::string> slot(size_t &at) {
        const size_t close = closing(text_, at, '}');
        if (close == std::string_view::npos) return "accolade « { » non fermée";
        const std::string_view inside = text_.substr(at + 1, close - at - 1);
        const std::string shown = "« {" + std::string(inside) + "} »";
        at = close;
        if (inside.empty()) return "accolades vides « {} »";
        if (auto wrong = unescaped_syntax(inside, shown)) return wrong;
        if (inside.starts_with('#')) return count(inside.substr(1), shown);
        add(most_slot_bytes(inside));
        return value_slot_mistake(inside, shown);
    }

    // A count {#lo..hi} of the repetitions after it.
    std::optional<std::string> count(std::string_view range_text, const std::string &shown) {
        if (repeated_) return "un nombre de répétitions " + shown + " dans une répétition";
        if (!count_used_) return "le nombre de répétitions avant " + shown + " ne sert à aucune répétition [ ]";
        const std::optional<Range> range = parse_range(range_text);
        if (!range)
            return range_text.find("..") == std::string_view::npos
                       ? shown + " : un nombre de répétitions s'écrit {#min..max}, comme {#1..10}"
                       : range_mistake(range_text);
        if (range->decimals > 0 || range->low < 0 || range->high > 1000000)
            return shown + " : des répétitions en nombre entier, de 0 à 1000000";
        counted_ = true;
        count_used_ = false;
        count_ = static_cast<uint64_t>(range->high);
        return std::nullopt;
    }

    std::string_view text_;
    bool repeated_;
    bool counted_ = false, count_used_ = true;
    uint64_t count_ = 1, bytes_ = 0;
};

uint64_t splitmix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

std::optional<std::string> grammar_mistake(std::string_view shape) {
    constexpr uint64_t MOST_BYTES = 16 << 20;
    uint64_t bytes = 0;
    if (auto wrong = ShapeCheck(shape, false).run(bytes)) return wrong;
    if (bytes > MOST_BYTES) return "peut donner " + std::to_string(bytes) + " octets, plus que 16 Mio";
    return std::nullopt;
}

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

const std::string &InputGenerator::pick(const std::vector<std::string> &texts) { return texts[below(texts.size())]; }

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
    const std::vector<std::string_view> choices = alternatives(text);
    const std::string_view choice = choices.size() == 1 ? choices[0] : choices[below(choices.size())];
    return parse_range(choice) ? in_range(choice) : unescaped(choice);
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
        if (open == '\\' && at + 1 < shape.size()) {
            out += shape[at + 1];
            at += 2;
            continue;
        }
        const size_t close = open == '{' ? closing(shape, at, '}') : open == '[' ? closing(shape, at, ']')
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
    if (!program_.forms.empty()) return fill(pick(program_.forms));
    if (!program_.shapes.empty()) return fill(pick(program_.shapes));
    return program_.boundary.empty() ? "" : pick(program_.boundary);
}

std::string InputGenerator::shaped() {
    if (program_.shapes.empty()) return well_formed();
    repetitions_ = 1;
    return fill(program_.shapes[shapes_used_++ % program_.shapes.size()]);
}

std::string InputGenerator::malformed() {
    // Without shapes, from the forms alone: random bytes, a form mutated,
    // a form cut short.
    const uint64_t kind = program_.shapes.empty() ? 2 + below(3) : below(5);
    switch (kind) {
    case 0: return random_bytes();
    case 1: return fill(pick(program_.shapes));
    case 2: {
        std::string input = program_.shapes.empty() ? random_bytes() : fill(pick(program_.shapes));
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
    std::string input = shaped();
    if (turn % 5 == 1) mutate(input);
    return input;
}

std::vector<std::string> InputGenerator::heavy_inputs() {
    const size_t MiB = 1 << 20;
    std::string filled;  // one line of the program's own shapes, 1 MiB long
    for (int empty = 0; filled.size() < MiB && empty < 100;) {
        std::string piece = program_.shapes.empty() ? well_formed() : fill(pick(program_.shapes));
        std::replace(piece.begin(), piece.end(), '\n', ' ');
        empty = piece.empty() ? empty + 1 : 0;
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
