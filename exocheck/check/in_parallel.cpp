#include "check/in_parallel.h"

#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace exocheck {

void in_parallel(int jobs, const std::function<void(int)> &work, const std::function<void()> &on_error) {
    std::exception_ptr error;
    std::mutex mutex;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(jobs));
    for (int job = 0; job < jobs; ++job)
        threads.emplace_back([&, job] {
            try {
                work(job);
            } catch (...) {
                const std::lock_guard lock(mutex);
                if (!error) error = std::current_exception();
                if (on_error) on_error();
            }
        });
    for (std::thread &t : threads) t.join();
    if (error) std::rethrow_exception(error);
}

}  // namespace exocheck
