// Milliseconds on the monotonic clock, which no change of the date moves:
// what the deadlines of runs and waits are counted in.
#pragma once

#include <ctime>

namespace exocheck {

inline long now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

}  // namespace exocheck
