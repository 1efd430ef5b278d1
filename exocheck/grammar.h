// Inputs generated from the shapes of what a program reads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "programs.h"

// The slots of a shape (a program's .inputs file): {i} an integer-like
// token, {r} a real-like token, {l} a 64-bit integer-like token, {t} junk
// that ends a number, {s} white space (possibly none), {c} a colon or junk in
// its place, {n} a count 0..70, {g} a grade-like real, {I} a run of integers,
// {R} a run of reals, {F} bar-separated fields.
class InputGenerator {
public:
    InputGenerator(const ProgramData &program, uint64_t seed);
    // Random bytes, filled shapes, and filled shapes with a few bytes
    // mutated, in turn.
    std::string next();
    // The large cases: a 1 MiB line, 100 000 numbers, and the like.
    std::vector<std::string> heavy_inputs();

private:
    uint64_t below(uint64_t n);  // 0 .. n-1
    bool one_in(uint64_t n);     // true once in n times
    std::string pick(std::span<const std::string_view> tokens);
    std::string fill(std::string_view shape);
    std::string slot(char kind);
    std::string run_of(char kind, uint64_t longest);
    std::string bar_fields();
    std::string random_bytes();
    void mutate(std::string &input);

    const ProgramData &program_;
    uint64_t state_;
    uint64_t turns_ = 0, shapes_used_ = 0;
};
