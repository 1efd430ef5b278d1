// The limits of each run of a candidate that its runner applies.
#pragma once

#include <cstddef>

namespace exocheck {

struct RunLimits {
    int timeout_ms = 2000;             // wall clock, per run
    std::size_t output_cap = 1 << 20;  // bytes per stream: past it, out_capped
    // Bytes of memory in use by a run's processes together, looked at every
    // few milliseconds: past it, memory_capped. Above each process's own
    // limit (512 MiB), so that one process meets that one first.
    std::size_t memory_cap = std::size_t{640} << 20;
};

}  // namespace exocheck
