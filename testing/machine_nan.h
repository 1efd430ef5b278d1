// The NaN an invalid operation (0/0, 0 × inf, inf − inf) makes is the
// processor's own, and so is its sign: x86-64 sets it, arm64 and s390x do
// not. A NaN read from the input keeps its own sign instead.
#pragma once

#include <string>

// How "%.2lf" shows that NaN on this machine: "-nan" on x86-64, "nan" on
// arm64 and s390x.
std::string invalid_operation_nan();
