// Inputs generated from the shapes of what a program reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cases/programs.h"

namespace exocheck {

// The slots of a shape or form (a program's .inputs file), each between
// braces:
//   hostile tokens, for the shapes:
//     {i} an integer-like token, {r} a real-like token, {l} a 64-bit
//     integer-like token, {t} junk that ends a number, {s} white space
//     (possibly none), {c} a colon or junk in its place, {n} a count 0..70,
//     {g} a grade-like real, {I} a run of integers, {R} a run of reals,
//     {F} bar-separated fields;
//   well-formed values, for the forms:
//     {lo..hi}  an integer in lo..hi, its ends more often than the rest
//               ({0..23}); with decimals, a real written with at most as
//               many decimals as the bounds have ({0.00..20.00} gives 12.5);
//     {a|b|c}   one of the alternatives, each a text or a range ({-1|0..20});
//     {#lo..hi} writes nothing: draws the count of the repetitions after it;
//     [text]    the text repeated that many times, its slots drawn anew
//               ({#2..12}[{0..20} ]x [{1..4} ]x gives as many grades as
//               coefficients);
//   \c, any byte c after a backslash, is that byte itself: \{ a brace,
//   \| a bar in an alternative, \\ a backslash.
// grammar_mistake() says what fill() would not read as its author meant.
class InputGenerator {
public:
    InputGenerator(const ProgramData &program, uint64_t seed);

    // The generated case `number` of `seed` for the program: the same input
    // for the same three, wherever it is made. Four in five are well-formed
    // (a filled form), the fifth malformed (hostile modes, or a form mutated
    // or cut short).
    static std::string generated_case(const ProgramData &program, uint64_t seed, uint64_t number);

    // A filled form (a shape when there is none, a boundary case when
    // there is neither).
    std::string well_formed();
    // Random bytes, a shape, a mutated shape or form, a form cut short
    // (without shapes: random bytes, a mutated form, a form cut short).
    std::string malformed();

    // Random bytes, filled shapes, and filled shapes with a few bytes
    // mutated, in turn (well-formed inputs in place of shapes without them).
    std::string next();
    // The large cases: a 1 MiB line, 100 000 numbers, and the like.
    std::vector<std::string> heavy_inputs();

    // Fills one shape or form (the slots above), for the tests.
    std::string fill(std::string_view shape);

private:
    uint64_t raw();              // 64 random bits
    uint64_t below(uint64_t n);  // 0 .. n-1, n > 0
    bool one_in(uint64_t n);     // true once in n times
    std::string pick(std::span<const std::string_view> tokens);
    const std::string &pick(const std::vector<std::string> &texts);
    std::string shaped();  // the next shape in turn, filled (a well-formed input without shapes)
    std::string slot(std::string_view text);
    std::string hostile_slot(char kind);
    std::string in_range(std::string_view text);
    std::string run_of(char kind, uint64_t longest);
    std::string bar_fields();
    std::string random_bytes();
    void mutate(std::string &input);

    const ProgramData &program_;  // read by the reader (exercise.h): its shapes and forms are checked
    uint64_t state_;
    uint64_t turns_ = 0, shapes_used_ = 0;
    uint64_t repetitions_ = 1;  // set by {#lo..hi}
};

// What is wrong with a shape or a form, in French ("accolade « { » non
// fermée", "la plage « 5..1 » : bornes inversées, ..."), or nothing: an
// unclosed or unopened brace or bracket, an empty slot, an unknown token,
// a slot that is neither a range nor alternatives, a range whose bounds are
// not numbers, are reversed or pass 64 bits or 18 decimals, a repetition
// [ ] without a count {#min..max} before it, a count without a repetition
// after it or past 1000000, a repetition inside another, or a text that
// could fill to more than 16 MiB.
std::optional<std::string> grammar_mistake(std::string_view shape);

}  // namespace exocheck
