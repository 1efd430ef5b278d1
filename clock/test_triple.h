// A clock triple as the clock module tests compare and print it.
#pragma once

#include <ostream>

struct Triple {
    int h, m, s;
    bool operator==(const Triple &) const = default;
};

inline void PrintTo(const Triple &t, std::ostream *os) { *os << t.h << ':' << t.m << ':' << t.s; }
