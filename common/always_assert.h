// The one assertion facility of petits-calculs: always active, whatever the
// build type or NDEBUG. On failure it flushes standard output, so that what a
// program printed before the failure is not lost when the output is
// redirected, then hands over to the C library, which writes its standard
// diagnostic
//   prog: file:line: function: Assertion `condition' failed.
// and aborts. The function is named by its bare name (__func__), and the
// condition is the source text of the expression, exactly as written, and
// the file is the source's path in the repository, PETITS_SOURCE, which the
// build defines for every source.
#pragma once

#include <cstdio>

// The C library's own handler, whose diagnostic is the one to print.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void __assert_fail(const char *assertion, const char *file, unsigned int line,
                              const char *function) noexcept __attribute__((__noreturn__));

// Inline, so that every object module using it carries its own copy and can be
// linked into a program on its own.
[[noreturn]] inline void always_assert_failed(const char *condition, const char *file,
                                              unsigned int line, const char *function) {
    std::fflush(stdout);
    __assert_fail(condition, file, line, function);
}

#define ALWAYS_ASSERT(...)                                                                  \
    (static_cast<bool>(__VA_ARGS__)                                                         \
         ? static_cast<void>(0)                                                             \
         : always_assert_failed(#__VA_ARGS__, PETITS_SOURCE, __LINE__, __func__))
