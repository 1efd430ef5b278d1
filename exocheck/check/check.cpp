#include "check/check.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "cases/cases.h"
#include "judge/compare.h"
#include "report/ending.h"
#include "cases/shrink.h"
#include "run/ptys.h"

namespace exocheck {

namespace {

constexpr std::size_t NONE = std::numeric_limits<std::size_t>::max();

// A candidate's run on one input, judged against the reference's.
struct Judgement {
    Verdict verdict;
    RunResult obtained;
    bool at_terminal = false;
};

Judgement judge(Mend mend, CandidateRunner &runner, int job, const std::string &candidate, std::string_view input,
                const RunResult &reference) {
    Judgement j;
    j.obtained = runner.run(job, candidate, input);
    if (j.obtained.start_error != 0) {
        j.verdict.kind = Verdict::Kind::differ;
        j.verdict.ending_differs = true;
        return j;
    }
    j.verdict = compare(input, reference, j.obtained, mend);
    // A person at a terminal would see what a pipe may hide: judge that.
    if (j.verdict.kind == Verdict::Kind::differ && may_depend_on_stdin_buffering(reference, j.obtained) &&
        fits_terminal(input)) {
        RunResult at_terminal = runner.run(job, candidate, input, true);
        if (at_terminal.start_error == 0) {
            j.verdict = compare(input, reference, at_terminal, mend);
            j.obtained = std::move(at_terminal);
            j.at_terminal = true;
        }
    }
    return j;
}

// What judgement `j` on `input` shows, the reference's run there being
// `expected`, as a finding of case `number` of `origin`, whose input had
// `original_size` bytes before any shrinking (none yet: it is finished).
Finding finding(Case::Origin origin, std::size_t number, std::size_t original_size, std::string input, Judgement j,
                RunResult expected) {
    Finding f;
    f.origin = origin;
    f.number = number;
    f.original_size = original_size;
    f.input = std::move(input);
    f.verdict = std::move(j.verdict);
    f.expected = std::move(expected);
    f.obtained = std::move(j.obtained);
    f.at_terminal = j.at_terminal;
    return f;
}

RunResult run_reference(const std::string &reference, std::string_view input, const RunLimits &limits) {
    RunOptions options;
    // Trusted and quick: only an emulator or a loaded machine makes it slow.
    options.timeout_ms = std::max(10000, 5 * limits.timeout_ms);
    RunResult r = run_program(reference, input, options);
    if (r.timed_out)
        throw std::runtime_error("le programme de référence " + reference + " ne termine pas en " +
                                 seconds_in_french(options.timeout_ms));
    return r;
}

// One candidate's case as the check keeps it until it is counted in order.
struct Outcome {
    enum class Kind { skipped, agree, differ, follows_statement, not_started } kind = Kind::skipped;
    Case::Origin origin = Case::Origin::generated;
    std::optional<Finding> finding;  // for a difference or a case that follows the statement
};

struct Entry {
    const Candidate *candidate;
    CandidateReport report;
    std::atomic<std::size_t> earliest_difference{NONE};  // lowest seen, counted or not
    std::atomic<bool> unstartable{false};                // a run found it cannot start
    bool stopped = false;
};

// The references' runs of one shrinking, by input, within a budget of bytes.
class ReferenceCache {
public:
    ReferenceCache(const std::string &reference, const RunLimits &limits) : reference_(reference), limits_(limits) {}
    const RunResult &get(const std::string &input) {
        if (auto found = runs_.find(input); found != runs_.end()) return found->second;
        RunResult r = run_reference(reference_, input, limits_);
        bytes_ += input.size() + r.out.size() + r.err.size();
        if (bytes_ > BUDGET) {
            runs_.clear();
            bytes_ = 0;
        }
        return runs_.emplace(input, std::move(r)).first->second;
    }

private:
    static constexpr std::size_t BUDGET = 64 << 20;
    const std::string &reference_;
    const RunLimits &limits_;
    std::map<std::string, RunResult> runs_;
    std::size_t bytes_ = 0;
};

// What judges and shrinks a candidate's runs: the reference (trusted, run
// here), the runner of the candidates, the settings, and the flag that stops
// every new run.
struct Referee {
    const std::string &reference;
    CandidateRunner &runner;
    const CheckSettings &settings;
    const std::atomic<bool> &stop;

    // The finding on the smallest input on which the same streams differ
    // (or which follows the statement the same way), as far as time allows.
    Finding shrunk(int job, const Candidate &candidate, const Finding &f) const {
        ReferenceCache references(reference, settings.limits);
        const Verdict wanted = f.verdict;
        std::optional<Finding> smallest;
        const auto still_fails = [&](const std::string &input) {
            if (stop) return false;
            const RunResult &expected = references.get(input);
            Judgement j = judge(settings.mend, runner, job, candidate.path, input, expected);
            const Verdict &v = j.verdict;
            if (v.kind != wanted.kind || v.stdout_differs != wanted.stdout_differs ||
                v.stderr_differs != wanted.stderr_differs || v.ending_differs != wanted.ending_differs)
                return false;
            smallest = finding(f.origin, f.number, f.original_size, input, std::move(j), expected);
            return true;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(settings.shrink_ms);
        const ShrinkResult result = shrink(f.input, still_fails, deadline);
        // The last input that still failed is the one the shrinking kept.
        Finding kept = smallest && smallest->input == result.input ? std::move(*smallest) : Finding(f);
        kept.shrink_finished = result.finished;
        return kept;
    }
};

class Check {
public:
    Check(const ProgramData &program, const std::string &reference, const std::vector<Candidate> &candidates,
          const CheckSettings &settings, CandidateRunner &runner, CheckControl &control)
        : program_(program), reference_(reference), settings_(settings), runner_(runner), control_(control),
          cases_(program, settings.seed, settings.generated), entries_(candidates.size()) {
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            entries_[k].candidate = &candidates[k];
            entries_[k].report.candidate = candidates[k].given;
            entries_[k].report.cannot_run = candidates[k].cannot_run;
            entries_[k].stopped = !candidates[k].cannot_run.empty();
        }
        control_.total = cases_.size();
    }

    CheckReport run() {
        in_parallel([this](int job) { run_cases(job); });
        if (error_) std::rethrow_exception(error_);
        shrink_all();
        return report();
    }

private:
    // Runs `work(job)` on every job at once, and waits for all of them.
    void in_parallel(const std::function<void(int)> &work) {
        std::vector<std::thread> threads;
        threads.reserve(static_cast<std::size_t>(settings_.jobs));
        for (int job = 0; job < settings_.jobs; ++job)
            threads.emplace_back([this, &work, job] {
                try {
                    work(job);
                } catch (...) {
                    const std::lock_guard lock(mutex_);
                    if (!error_) error_ = std::current_exception();
                    failed_ = true;
                }
            });
        for (std::thread &t : threads) t.join();
    }

    // Whether a candidate still needs case `index`: cases past its first
    // difference are not run, unless every case is, nor any case once it
    // could not start.
    bool needed(std::size_t index, const Entry &e) const {
        return e.candidate->cannot_run.empty() && !e.unstartable &&
               (settings_.all || index < e.earliest_difference);
    }

    void run_cases(int job) {
        while (!failed_ && !control_.stop) {
            const std::size_t index = next_++;
            if (index >= cases_.size() ||
                std::none_of(entries_.begin(), entries_.end(), [&](const Entry &e) { return needed(index, e); }))
                return;
            const Case c = cases_.at(index);
            const RunResult reference = run_reference(reference_, c.input, settings_.limits);
            std::vector<Outcome> outcomes(entries_.size());
            for (std::size_t k = 0; k < entries_.size() && !control_.stop; ++k)
                if (needed(index, entries_[k])) outcomes[k] = run_case(job, entries_[k], c, index, reference);
            commit(index, std::move(outcomes));
        }
    }

    Outcome run_case(int job, Entry &e, const Case &c, std::size_t index, const RunResult &reference) {
        Judgement j = judge(settings_.mend, runner_, job, e.candidate->path, c.input, reference);
        Outcome o;
        o.origin = c.origin;
        if (j.obtained.start_error != 0) {
            o.kind = Outcome::Kind::not_started;
            e.unstartable = true;
        }
        else if (j.verdict.kind == Verdict::Kind::differ) o.kind = Outcome::Kind::differ;
        else if (j.verdict.kind == Verdict::Kind::follows_statement) o.kind = Outcome::Kind::follows_statement;
        else o.kind = Outcome::Kind::agree;
        if (o.kind != Outcome::Kind::agree) {
            o.finding = finding(c.origin, c.number, c.input.size(), c.input, std::move(j), reference);
            if (o.kind != Outcome::Kind::follows_statement) {
                std::size_t seen = e.earliest_difference;
                while (index < seen && !e.earliest_difference.compare_exchange_weak(seen, index)) {
                }
            }
        }
        return o;
    }

    // Counts the outcomes of the cases in their order, whatever order
    // they end in, so that the first difference is the lowest-numbered.
    void commit(std::size_t index, std::vector<Outcome> outcomes) {
        const std::lock_guard lock(mutex_);
        pending_.emplace(index, std::move(outcomes));
        while (!pending_.empty() && pending_.begin()->first == committed_) {
            for (std::size_t k = 0; k < entries_.size(); ++k) count(entries_[k], pending_.begin()->second[k]);
            pending_.erase(pending_.begin());
            ++committed_;
        }
        control_.done = committed_;
    }

    void count(Entry &e, Outcome &o) {
        if (e.stopped || o.kind == Outcome::Kind::skipped) return;
        CandidateReport &r = e.report;
        OriginTally &tally = o.origin == Case::Origin::dialogue   ? r.dialogues
                             : o.origin == Case::Origin::boundary ? r.boundaries
                                                                  : r.generated;
        switch (o.kind) {
        case Outcome::Kind::not_started:
            r.cannot_run = "« " + e.candidate->given + " » ne peut pas être lancé : " +
                           start_error_in_french(o.finding->obtained.start_error);
            e.stopped = true;
            return;
        case Outcome::Kind::differ:
            ++r.differences;
            ++tally.differ;
            ++control_.differences;
            if (!r.difference) r.difference = std::move(o.finding);
            e.stopped = !settings_.all;
            break;
        case Outcome::Kind::follows_statement:
            ++r.follows_statement;
            ++tally.follows_statement;
            if (!r.statement) r.statement = std::move(o.finding);
            break;
        case Outcome::Kind::agree:
        case Outcome::Kind::skipped: break;
        }
        ++r.cases_run;
        ++tally.run;
    }

    // Shrinks each candidate's first difference, or else its first case
    // that follows the statement, candidates shared among the jobs.
    void shrink_all() {
        std::atomic<std::size_t> next{0};
        in_parallel([&](int job) {
            for (std::size_t k = next++; k < entries_.size(); k = next++) {
                CandidateReport &r = entries_[k].report;
                const Referee referee{reference_, runner_, settings_, control_.stop};
                if (r.difference) r.difference = referee.shrunk(job, *entries_[k].candidate, *r.difference);
                else if (r.statement) r.statement = referee.shrunk(job, *entries_[k].candidate, *r.statement);
            }
        });
        if (error_) std::rethrow_exception(error_);
    }

    CheckReport report() {
        CheckReport r;
        r.program = std::string(program_.name);
        r.seed = settings_.seed;
        r.all = settings_.all;
        r.timeout_ms = settings_.limits.timeout_ms;
        count_origins(r);
        for (Entry &e : entries_) r.candidates.push_back(std::move(e.report));
        return r;
    }

    // The cases come in order of origin: the first of each is found by
    // bisection, so that the count costs a few cases, not all of them.
    void count_origins(CheckReport &r) const {
        const auto first_from = [this](Case::Origin origin) {
            std::size_t low = 0, high = cases_.size();
            while (low < high) {
                const std::size_t middle = low + (high - low) / 2;
                if (cases_.at(middle).origin < origin) low = middle + 1;
                else high = middle;
            }
            return low;
        };
        const std::size_t boundaries = first_from(Case::Origin::boundary);
        const std::size_t generated = first_from(Case::Origin::generated);
        r.dialogues = boundaries;
        r.boundaries = generated - boundaries;
        r.generated = cases_.size() - generated;
    }

    const ProgramData &program_;
    const std::string &reference_;
    const CheckSettings &settings_;
    CandidateRunner &runner_;
    CheckControl &control_;
    const Cases cases_;
    std::vector<Entry> entries_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> failed_{false};
    std::mutex mutex_;
    std::exception_ptr error_;
    std::size_t committed_ = 0;
    std::map<std::size_t, std::vector<Outcome>> pending_;
};

}  // namespace

CheckReport run_check(const ProgramData &program, const std::string &reference,
                      const std::vector<Candidate> &candidates, const CheckSettings &settings,
                      CandidateRunner &runner, CheckControl &control) {
    return Check(program, reference, candidates, settings, runner, control).run();
}

std::optional<Finding> shrink_input(const std::string &reference, const Candidate &candidate,
                                    const std::string &input, const CheckSettings &settings, CandidateRunner &runner) {
    const std::atomic<bool> never{false};
    const RunResult expected = run_reference(reference, input, settings.limits);
    Judgement j = judge(settings.mend, runner, 0, candidate.path, input, expected);
    if (j.verdict.kind == Verdict::Kind::agree) return std::nullopt;
    const Finding found = finding(Case::Origin::generated, 0, input.size(), input, std::move(j), expected);
    return Referee{reference, runner, settings, never}.shrunk(0, candidate, found);
}

}  // namespace exocheck
