// Work shared among threads, as the check, the memory check and the
// compiles of sources share theirs among the jobs.
#pragma once

#include <functional>

namespace exocheck {

// Runs `work(job)` for every job from 0 to jobs - 1, each in a thread of its
// own, and waits for them all. When one throws, `on_error` is called at once
// (so that the others may stop early); the first exception is thrown again
// here once every thread has ended, never from a thread (which would end the
// process).
void in_parallel(int jobs, const std::function<void(int)> &work, const std::function<void()> &on_error = {});

}  // namespace exocheck
