#include "check/timed_runner.h"

#include <algorithm>
#include <stdexcept>

namespace exocheck {

TimedRunner::TimedRunner(Isolation isolation, int jobs, std::vector<std::string> candidates, const RunLimits &limits,
                         std::vector<std::string> hidden)
    : isolation_(isolation), jobs_(jobs), candidates_(std::move(candidates)), hidden_(std::move(hidden)),
      limits_(limits) {
    constexpr int RUNG_FACTOR = 4;
    for (int limit = FLOOR_MS; limit < limits_.timeout_ms; limit *= RUNG_FACTOR) rungs_.emplace_back(limit);
    rungs_.emplace_back(limits_.timeout_ms);
    keeper_ = std::thread([this] { keep(); });
}

TimedRunner::~TimedRunner() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    keeper_.join();
}

int TimedRunner::limit_for(long reference_ms) const {
    const long wanted = std::max<long>(FLOOR_MS, MULTIPLE * reference_ms);
    const auto rung = std::ranges::find_if(rungs_, [&](const Rung &r) { return r.limit_ms >= wanted; });
    return rung == rungs_.end() ? limits_.timeout_ms : rung->limit_ms;
}

RunResult TimedRunner::run(int job, const std::string &candidate, std::string_view input, bool stdin_terminal,
                           int limit_ms) {
    return runner_of(limit_ms).run(job, candidate, input, stdin_terminal);
}

CandidateRunner &TimedRunner::runner_of(int limit_ms) {
    std::unique_lock lock(mutex_);
    const auto found = std::ranges::find_if(rungs_, [&](const Rung &r) { return r.limit_ms == limit_ms; });
    if (found == rungs_.end()) throw std::invalid_argument("TimedRunner : limite de temps inconnue");
    Rung &rung = *found;
    if (!rung.ready) {
        rung.wanted = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return rung.ready; });
    }
    if (rung.error) std::rethrow_exception(rung.error);
    return *rung.runner;
}

void TimedRunner::kill_all() noexcept {
    const std::lock_guard lock(mutex_);
    killed_ = true;
    for (Rung &rung : rungs_)
        if (rung.runner) rung.runner->kill_all();
}

void TimedRunner::keep() {
    std::unique_lock lock(mutex_);
    const auto waiting = [this] {
        return std::ranges::find_if(rungs_, [](const Rung &r) { return r.wanted && !r.ready; });
    };
    for (;;) {
        changed_.wait(lock, [&] { return ending_ || waiting() != rungs_.end(); });
        if (ending_) break;
        Rung &rung = *waiting();
        lock.unlock();
        std::unique_ptr<CandidateRunner> started;
        std::exception_ptr error;
        try {
            RunLimits limits = limits_;
            limits.timeout_ms = rung.limit_ms;
            started = std::make_unique<CandidateRunner>(isolation_, jobs_, candidates_, limits, hidden_);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (killed_ && started) started->kill_all();
        rung.runner = std::move(started);
        rung.error = error;
        rung.ready = true;
        changed_.notify_all();
    }
    // Ended here, by the thread that started them.
    std::vector<std::unique_ptr<CandidateRunner>> runners(rungs_.size());
    std::ranges::transform(rungs_, runners.begin(), [](Rung &rung) { return std::move(rung.runner); });
    lock.unlock();
    runners.clear();
}

}  // namespace exocheck
