// What each program reads, as shapes for generating hostile inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Grammar {
    const char *program;
    // Shapes of an input. Slots: {i} an integer-like token, {r} a real-like
    // token, {l} a 64-bit integer-like token, {t} junk that ends a number,
    // {s} white space (possibly none), {c} a colon or junk in its place, {n} a count 0..70,
    // {g} a grade-like real,
    // {I} a run of integers, {R} a run of reals, {F} bar-separated fields.
    std::vector<std::string> shapes;
    const char *read_error = nullptr;   // the program's own read-error message
    bool read_error_on_stdout = false;  // written on stdout rather than stderr
};

// The grammar of the named program, or nullptr.
const Grammar *grammar_for(const std::string &program);

class InputGenerator {
public:
    InputGenerator(const Grammar &grammar, uint64_t seed);
    // Random bytes, filled shapes, and filled shapes with a few bytes
    // mutated, in turn.
    std::string next();
    // The large cases: a 1 MiB line, 100 000 numbers, and the like.
    std::vector<std::string> heavy_inputs();

private:
    uint64_t below(uint64_t n);  // 0 .. n-1
    const std::string &pick(const std::vector<std::string> &tokens);
    std::string fill(const std::string &shape);
    std::string slot(char kind);
    std::string random_bytes();
    void mutate(std::string &input);

    const Grammar &grammar_;
    uint64_t state_;
    uint64_t turns_ = 0, shapes_used_ = 0;
};
