// The limits of each run of a candidate that its runner applies.
#pragma once

#include <cstddef>

namespace exocheck {

struct RunLimits {
    int timeout_ms = 2000;             // wall clock, per run
    std::size_t output_cap = 1 << 20;  // bytes per stream: past it, out_capped
};

}  // namespace exocheck
