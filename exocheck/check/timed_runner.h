// The candidates' runs of a check, each with a time limit of its own: a
// run's limit comes from the reference's time on the same input, so that a
// candidate that loops costs a fraction of a second per case, not the
// check's whole limit.
//   limit = MULTIPLE times the reference's time, at least FLOOR_MS, rounded
//           up to a rung FLOOR_MS x 4^k, at most the check's limit (the
//           ceiling, --timeout).
// A run that reaches a limit below the ceiling is only a hint: the check runs
// it again with the ceiling before it counts it as too slow (check.cpp), so
// that a loaded machine never makes a correct candidate too slow.
// A CandidateRunner applies one limit to all its runs: this holds one per
// rung, each started the first time a run needs it, by a thread of this
// object's that outlives it (a runner's workers end with the thread that
// started them).
#pragma once

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sandbox/runner.h"

namespace exocheck {

class TimedRunner {
public:
    static constexpr int FLOOR_MS = 25;
    static constexpr int MULTIPLE = 10;

    // As CandidateRunner's constructor, `limits.timeout_ms` being the ceiling;
    // no runner starts before a run needs it.
    TimedRunner(Isolation isolation, int jobs, std::vector<std::string> candidates, const RunLimits &limits,
                std::vector<std::string> hidden = {});
    ~TimedRunner();  // every runner and every run gone
    TimedRunner(const TimedRunner &) = delete;
    TimedRunner &operator=(const TimedRunner &) = delete;
    TimedRunner(TimedRunner &&) = delete;
    TimedRunner &operator=(TimedRunner &&) = delete;

    int ceiling_ms() const { return limits_.timeout_ms; }
    // The limit of a run on an input the reference ran in `reference_ms`.
    int limit_for(long reference_ms) const;

    // One run as CandidateRunner::run, with `limit_ms`, one of limit_for's
    // values or the ceiling. Also throws std::runtime_error (French message)
    // when the runner of that limit cannot start.
    RunResult run(int job, const std::string &candidate, std::string_view input, bool stdin_terminal, int limit_ms);

    // As CandidateRunner::kill_all, for every runner, started or starting.
    void kill_all() noexcept;

private:
    struct Rung {
        explicit Rung(int limit) : limit_ms(limit) {}
        int limit_ms;
        bool wanted = false, ready = false;
        std::unique_ptr<CandidateRunner> runner;
        std::exception_ptr error;
    };

    CandidateRunner &runner_of(int limit_ms);
    void keep();  // the keeper thread: starts the runners wanted, then ends them all

    Isolation isolation_;
    int jobs_;
    std::vector<std::string> candidates_, hidden_;
    RunLimits limits_;
    std::vector<Rung> rungs_;  // by growing limit, the ceiling last
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ending_ = false, killed_ = false;
    std::thread keeper_;
};

}  // namespace exocheck
