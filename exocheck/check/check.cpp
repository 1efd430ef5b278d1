#include "check/check.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>

#include "cases/cases.h"
#include "cases/shrink.h"
#include "check/in_parallel.h"
#include "judge/assertion.h"
#include "judge/compare.h"
#include "judge/shape.h"
#include "report/cause.h"
#include "report/ending.h"
#include "run/now_ms.h"
#include "run/ptys.h"

namespace exocheck {

namespace {

constexpr std::size_t NONE = std::numeric_limits<std::size_t>::max();
// The mistakes shrunk with the whole of settings.shrink_ms, the most
// frequent first; the next get SHORT_SHRINK_MS each, the others none.
constexpr std::size_t SHRUNK_IN_FULL = 4, SHRUNK = 12;
constexpr int SHORT_SHRINK_MS = 1000;
// The distinct mistakes a candidate's report keeps at most: past them, a
// difference is counted, not told apart.
constexpr std::size_t MOST_MISTAKES = 50;
// What tells a condition written otherwise from a mistake's key.
constexpr std::string_view CONDITION = "condition\x1f";

}  // namespace

ReferenceRun run_reference(const std::string &reference, std::string_view input, const CheckSettings &settings,
                           TimedRunner &runner, int job) {
    const long start = now_ms();
    if (settings.reference_confined) {
        ReferenceRun r{runner.run(job, reference, input, false, runner.ceiling_ms()), 0};
        r.ms = now_ms() - start;
        if (r.run.start_error != 0)
            throw std::runtime_error("le programme de référence " + reference + " ne peut pas être lancé : " +
                                     start_error_in_french(r.run.start_error));
        if (r.run.timed_out)
            throw std::runtime_error("le programme de référence " + reference + " ne termine pas en " +
                                     seconds_in_french(runner.ceiling_ms()));
        return r;
    }
    RunOptions options;
    // Trusted and quick: only an emulator or a loaded machine makes it slow.
    options.timeout_ms = std::max(10000, 5 * settings.limits.timeout_ms);
    ReferenceRun r{run_program(reference, input, options), 0};
    r.ms = now_ms() - start;
    if (r.run.timed_out)
        throw std::runtime_error("le programme de référence " + reference + " ne termine pas en " +
                                 seconds_in_french(options.timeout_ms));
    return r;
}

namespace {

// A run stopped by a limit: one that would not end, silent or writing.
bool runaway(const RunResult &r) { return r.timed_out || r.out_capped; }

// A candidate's run on one input, judged against the reference's.
struct Judgement {
    Verdict verdict;
    RunResult obtained;
    bool at_terminal = false;
};

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

// A difference without a likely cause, as the key of a distinct mistake:
// which streams differ, and on which line of the reference's.
std::string unexplained_key(const Judgement &j, const RunResult &expected) {
    const Verdict &v = j.verdict;
    return std::string("?") + (v.stdout_differs ? "o" : "") + (v.stderr_differs ? "e" : "") +
           (v.ending_differs ? "x" : "") + "\x1f" + first_differing_line(expected.out, j.obtained.out) + "\x1f" +
           first_differing_line(expected.err, j.obtained.err);
}

// The kinds of difference a judgement shows, each as the key of a distinct
// mistake: the pattern of each likely cause and where it shows; without
// one, the unexplained key.
std::vector<std::string> mistake_keys(const Judgement &j, const RunResult &expected, std::string_view input,
                                      int timeout_ms) {
    std::vector<std::string> kinds;
    const std::vector<LikelyCause> causes = likely_causes(j.verdict, expected, j.obtained, timeout_ms, input);
    std::ranges::transform(causes, std::back_inserter(kinds), [](const LikelyCause &c) { return c.family + "\x1f" + c.place; });
    if (kinds.empty()) kinds.push_back(unexplained_key(j, expected));
    return kinds;
}

std::string condition_key(const ConditionPair &p) {
    return std::string(CONDITION) + p.function + "\x1f" + p.expected + "\x1f" + p.obtained;
}

// Both runs failed an assertion in the same function, under conditions
// written otherwise, whatever else differs.
std::optional<ConditionPair> assertion_pair(const RunResult &expected, const RunResult &obtained) {
    const auto e = find_assertion(expected.err), o = find_assertion(obtained.err);
    if (!e || !o || e->condition == o->condition || bare_function_name(e->function) != bare_function_name(o->function))
        return std::nullopt;
    return ConditionPair{std::string(bare_function_name(e->function)), std::string(e->condition),
                         std::string(o->condition)};
}

// The assertion diagnostic of a standard error, as the function's bare name
// and the condition.
std::optional<std::pair<std::string, std::string>> assertion_of(std::string_view err) {
    const auto a = find_assertion(err);
    if (!a) return std::nullopt;
    return std::pair{std::string(bare_function_name(a->function)), std::string(a->condition)};
}

// One candidate's case as the check keeps it until it is counted in order.
struct Outcome {
    enum class Kind { skipped, agree, differ, condition_only, follows_statement, not_started } kind = Kind::skipped;
    Case::Origin origin = Case::Origin::generated;
    std::optional<Finding> finding;  // for a difference or a case that follows the statement
    double seconds = 0;              // the candidate's run, judged
    std::vector<std::string> keys;   // differ: the mistakes it shows
    std::optional<ConditionPair> condition;  // condition_only, or a differ that shows one besides
};

// A distinct mistake as the cases come: how many show it, and the first.
struct Group {
    std::string key;
    std::size_t cases = 0;
    std::size_t first_index = 0;
    Finding first;
    std::optional<ConditionPair> condition;  // a condition written otherwise, or not
    // Condition: the cases where it is the only difference, by origin,
    // counted as differences at the end (the others already are).
    std::size_t alone[3] = {0, 0, 0};
    std::size_t by_origin[3] = {0, 0, 0};  // all its cases, by origin of the case
    bool clean = false;  // condition: the same behaviour on every case run
    bool apart = false;  // counted apart, not as a mistake

    std::size_t alone_cases() const { return alone[0] + alone[1] + alone[2]; }
};

struct Entry {
    const Candidate *candidate = nullptr;
    CandidateReport report;
    std::atomic<std::size_t> earliest_difference{NONE};  // lowest seen, counted or not
    std::atomic<bool> unstartable{false};                // a run found it cannot start
    std::atomic<bool> past_ceiling{false};  // one of its differences ran past the ceiling
    bool stopped = false;
    std::vector<Group> groups;  // in the order they first showed
    // The assertions of the reference (function, condition) that the
    // candidate did not match by its own in the same function, and the
    // candidate's that the reference did not match: a condition written
    // otherwise then behaves otherwise.
    std::set<std::pair<std::string, std::string>> unmatched_expected, unmatched_obtained;
    std::mutex evidence_mutex;
    ValueEvidence evidence;

    void add_evidence(const RunResult &expected, const RunResult &obtained) {
        const std::lock_guard lock(evidence_mutex);
        evidence.add(expected.out, obtained.out);
    }
};

// The references' runs of one shrinking, by input, within a budget of bytes.
class ReferenceCache {
public:
    ReferenceCache(const std::string &reference, const CheckSettings &settings, TimedRunner &runner, int job)
        : reference_(reference), settings_(settings), runner_(runner), job_(job) {}
    const ReferenceRun &get(const std::string &input) {
        if (auto found = runs_.find(input); found != runs_.end()) return found->second;
        ReferenceRun r = run_reference(reference_, input, settings_, runner_, job_);
        bytes_ += input.size() + r.run.out.size() + r.run.err.size();
        if (bytes_ > BUDGET) {
            runs_.clear();
            bytes_ = 0;
        }
        return runs_.emplace(input, std::move(r)).first->second;
    }

private:
    static constexpr std::size_t BUDGET = 64 << 20;
    const std::string &reference_;
    const CheckSettings &settings_;
    TimedRunner &runner_;
    int job_;
    std::map<std::string, ReferenceRun> runs_;
    std::size_t bytes_ = 0;
};

// What judges and shrinks a candidate's runs: the reference (trusted, run
// here), the runner of the candidates, the settings, and the flag that stops
// every new run.
struct Referee {
    const std::string &reference;
    TimedRunner &runner;
    const CheckSettings &settings;
    const std::atomic<bool> &stop;

    // A run with the limit the reference's time gives. One that reaches a
    // limit below the ceiling runs again with the ceiling when `confirm`.
    RunResult timed_run(int job, const std::string &candidate, std::string_view input, bool terminal,
                        long reference_ms, bool confirm) const {
        const int limit = runner.limit_for(reference_ms);
        RunResult r = runner.run(job, candidate, input, terminal, limit);
        if (!r.timed_out || limit >= runner.ceiling_ms() || !confirm) return r;
        return runner.run(job, candidate, input, terminal, runner.ceiling_ms());
    }

    // The candidate judged on one input. `past_ceiling`, when given, says
    // whether one of its differences already ran past the ceiling (or the
    // output cap): its runs that reach a shorter limit then count as too slow
    // at once (a loop costs a short limit per case); else they run again with
    // the ceiling, and one that runs past it sets it. Without it (shrinking),
    // a shorter limit is final.
    Judgement judge(int job, const std::string &candidate, std::string_view input, const ReferenceRun &expected,
                    std::atomic<bool> *past_ceiling) const {
        const bool confirm = past_ceiling != nullptr && !*past_ceiling;
        Judgement j = judged(job, candidate, input, expected, confirm);
        if (confirm && j.verdict.kind == Verdict::Kind::differ && runaway(j.obtained)) *past_ceiling = true;
        return j;
    }

    Judgement judged(int job, const std::string &candidate, std::string_view input, const ReferenceRun &expected,
                     bool confirm) const {
        Judgement j;
        j.obtained = timed_run(job, candidate, input, false, expected.ms, confirm);
        if (j.obtained.start_error != 0) {
            j.verdict.kind = Verdict::Kind::differ;
            j.verdict.ending_differs = true;
            return j;
        }
        j.verdict = compare(input, expected.run, j.obtained, settings.mend);
        // A person at a terminal would see what a pipe may hide: judge that.
        if (j.verdict.kind == Verdict::Kind::differ && may_depend_on_stdin_buffering(expected.run, j.obtained) &&
            fits_terminal(input)) {
            RunResult at_terminal = timed_run(job, candidate, input, true, expected.ms, confirm);
            if (at_terminal.start_error == 0) {
                j.verdict = compare(input, expected.run, at_terminal, settings.mend);
                j.obtained = std::move(at_terminal);
                j.at_terminal = true;
            }
        }
        return j;
    }

    // The finding on the smallest input on which the reference behaves as
    // on `f`'s (the same shape) and the candidate shows the same mistake
    // (`key`; for a case that follows the statement, none), as far as
    // `budget_ms` allows. Every run feeds `e`'s evidence.
    Finding shrunk(int job, Entry &e, const Finding &f, const std::string &key, int budget_ms) const {
        ReferenceCache references(reference, settings, runner, job);
        const std::string wanted_shape = run_shape(f.expected);
        const bool alone = key.starts_with(CONDITION) && condition_pair(f.expected, f.obtained).has_value();
        std::optional<Finding> smallest;
        const auto still_fails = [&](const std::string &input) {
            if (stop) return false;
            const ReferenceRun &expected = references.get(input);
            if (run_shape(expected.run) != wanted_shape) return false;
            Judgement j = judge(job, e.candidate->path, input, expected, nullptr);
            e.add_evidence(expected.run, j.obtained);
            if (j.verdict.kind != f.verdict.kind || !shows(key, alone, j, expected.run, input)) return false;
            smallest = finding(f.origin, f.number, f.original_size, input, std::move(j), expected.run);
            return true;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budget_ms);
        const bool timeout = runaway(f.obtained);
        const ShrinkResult result = shrink(f.input, still_fails, deadline, timeout);
        // The last input that still failed is the one the shrinking kept.
        Finding kept = smallest && smallest->input == result.input ? std::move(*smallest) : Finding(f);
        kept.shrink_finished = result.finished;
        if (timeout) kept = past_the_ceiling(job, e, kept, f);
        return kept;
    }

    // Whether judgement `j` shows the mistake of `key`: a condition written
    // otherwise (`alone`: as the only difference), a difference without a
    // likely cause on the same streams and line, whatever a smaller input
    // shows besides, or one of the likely causes; any, for no key (a case
    // that follows the statement).
    bool shows(const std::string &key, bool alone, const Judgement &j, const RunResult &expected,
               std::string_view input) const {
        if (key.empty()) return true;
        if (key.starts_with(CONDITION)) {
            const auto pair = alone ? condition_pair(expected, j.obtained) : assertion_pair(expected, j.obtained);
            return pair && condition_key(*pair) == key;
        }
        if (key.starts_with("?")) return unexplained_key(j, expected) == key;
        const std::vector<std::string> kinds = mistake_keys(j, expected, input, settings.limits.timeout_ms);
        return std::ranges::find(kinds, key) != kinds.end();
    }

    // A shrunk input judged by limits shorter than the ceiling: run again
    // with the ceiling, it still runs past it (or past the output cap), or
    // the original input is shown, as it ran with the ceiling.
    Finding past_the_ceiling(int job, Entry &e, const Finding &kept, const Finding &original) const {
        for (const Finding *f : std::array<const Finding *, 2>{&kept, &original}) {
            RunResult r = runner.run(job, e.candidate->path, f->input, f->at_terminal, runner.ceiling_ms());
            if (!runaway(r)) continue;
            Finding confirmed = *f;
            confirmed.obtained = std::move(r);
            confirmed.shrink_finished = kept.shrink_finished;
            return confirmed;
        }
        return original;
    }
};

// The cause shown for a group's example: a condition written otherwise, or
// among the likely causes the one of the group's kind (its code may depend
// on the evidence of other runs).
LikelyCause cause_of(const Group &g, const Finding &example, Entry &e, int timeout_ms, std::size_t cases_run) {
    if (g.condition && g.clean) return condition_written_otherwise(example.expected, example.obtained, cases_run);
    if (example.verdict.kind != Verdict::Kind::differ) return {};
    const std::lock_guard lock(e.evidence_mutex);
    std::vector<LikelyCause> causes =
        likely_causes(example.verdict, example.expected, example.obtained, timeout_ms, example.input, &e.evidence);
    const auto same = std::ranges::find_if(causes, [&](const LikelyCause &c) { return c.family + "\x1f" + c.place == g.key; });
    if (same != causes.end()) return *same;
    if (g.key.starts_with("?") || causes.empty()) return {};
    return causes.front();
}

class Check {
public:
    Check(const ProgramData &program, const std::string &reference, const std::vector<Candidate> &candidates,
          const CheckSettings &settings, TimedRunner &runner, CheckControl &control)
        : program_(program), reference_(reference), settings_(settings), runner_(runner), control_(control),
          cases_(program, settings.seed, settings.generated), entries_(candidates.size()),
          started_at_(std::time(nullptr)) {
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            entries_[k].candidate = &candidates[k];
            entries_[k].report.candidate = candidates[k].given;
            entries_[k].report.cannot_run = candidates[k].cannot_run;
            entries_[k].stopped = !candidates[k].cannot_run.empty();
        }
        control_.total = cases_.size();
    }

    CheckReport run() {
        on_every_job([this](int job) { run_cases(job); });
        for (Entry &e : entries_) settle_conditions(e);
        shrink_all();
        for (Entry &e : entries_) list_mistakes(e);
        return report();
    }

private:
    Referee referee() { return Referee{reference_, runner_, settings_, control_.stop}; }

    // Runs `work(job)` on every job at once, and waits for all of them; the
    // others stop early when one fails.
    void on_every_job(const std::function<void(int)> &work) {
        in_parallel(settings_.jobs, work, [this] { failed_ = true; });
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
            const ReferenceRun reference = run_reference(reference_, c.input, settings_, runner_, job);
            std::vector<Outcome> outcomes(entries_.size());
            for (std::size_t k = 0; k < entries_.size() && !control_.stop; ++k)
                if (needed(index, entries_[k])) outcomes[k] = run_case(job, entries_[k], c, index, reference);
            commit(index, std::move(outcomes));
        }
    }

    Outcome run_case(int job, Entry &e, const Case &c, std::size_t index, const ReferenceRun &reference) {
        const auto start = std::chrono::steady_clock::now();
        Judgement j = referee().judge(job, e.candidate->path, c.input, reference, &e.past_ceiling);
        Outcome o;
        o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        o.origin = c.origin;
        if (j.obtained.start_error != 0) {
            o.kind = Outcome::Kind::not_started;
            e.unstartable = true;
        } else if (j.verdict.kind == Verdict::Kind::differ) {
            o.condition = condition_pair(reference.run, j.obtained);
            o.kind = o.condition ? Outcome::Kind::condition_only : Outcome::Kind::differ;
        } else if (j.verdict.kind == Verdict::Kind::follows_statement) {
            o.kind = Outcome::Kind::follows_statement;
        } else {
            o.kind = Outcome::Kind::agree;
        }
        if (o.kind != Outcome::Kind::not_started) e.add_evidence(reference.run, j.obtained);
        if (o.kind == Outcome::Kind::agree) return o;
        if (o.kind == Outcome::Kind::differ) {
            o.keys = mistake_keys(j, reference.run, c.input, settings_.limits.timeout_ms);
            // A condition written otherwise besides other differences: the
            // same mistake as where it is the only one.
            for (std::string &key : o.keys)
                if (key.starts_with("assertion-text\x1f"))
                    if ((o.condition = assertion_pair(reference.run, j.obtained))) key = condition_key(*o.condition);
        }
        o.finding = finding(c.origin, c.number, c.input.size(), c.input, std::move(j), reference.run);
        // A condition written otherwise is a difference of its own kind: the
        // check goes on, to see whether it behaves the same on every case.
        if (o.kind == Outcome::Kind::differ) {
            std::size_t seen = e.earliest_difference;
            while (index < seen && !e.earliest_difference.compare_exchange_weak(seen, index)) {
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
            for (std::size_t k = 0; k < entries_.size(); ++k) count(entries_[k], pending_.begin()->second[k], committed_);
            pending_.erase(pending_.begin());
            ++committed_;
        }
        control_.done = committed_;
    }

    static OriginTally &tally_of(CandidateReport &r, Case::Origin origin) {
        switch (origin) {
        case Case::Origin::dialogue: return r.dialogues;
        case Case::Origin::boundary: return r.boundaries;
        case Case::Origin::generated: break;
        }
        return r.generated;
    }

    // Adds case `index` to the group of `key`, made when it is the first;
    // nothing past MOST_MISTAKES groups.
    static Group *add_to_group(Entry &e, const std::string &key, std::size_t index, const Finding &f) {
        auto found = std::ranges::find(e.groups, key, &Group::key);
        if (found == e.groups.end()) {
            if (e.groups.size() >= MOST_MISTAKES) return nullptr;
            Group g;
            g.key = key;
            g.first_index = index;
            g.first = f;
            e.groups.push_back(std::move(g));
            found = e.groups.end() - 1;
        }
        ++found->cases;
        ++found->by_origin[static_cast<std::size_t>(f.origin)];
        return &*found;
    }

    // The assertions of a difference that the other run does not match in
    // the same function.
    static void note_unmatched(Entry &e, const Finding &f) {
        const auto expected = assertion_of(f.expected.err), obtained = assertion_of(f.obtained.err);
        const bool same_function = expected && obtained && expected->first == obtained->first;
        if (expected && !same_function) e.unmatched_expected.insert(*expected);
        if (obtained && !same_function) e.unmatched_obtained.insert(*obtained);
    }

    void count(Entry &e, Outcome &o, std::size_t index) {
        if (e.stopped || o.kind == Outcome::Kind::skipped) return;
        CandidateReport &r = e.report;
        OriginTally &tally = tally_of(r, o.origin);
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
            note_unmatched(e, *o.finding);
            // Without --all, the first difference is the one mistake.
            for (const std::string &key : o.keys) {
                Group *g = add_to_group(e, key, index, *o.finding);
                if (g != nullptr && key.starts_with(CONDITION)) g->condition = o.condition;
                if (!settings_.all) break;
            }
            e.stopped = !settings_.all;
            break;
        case Outcome::Kind::condition_only: {
            ++control_.differences;
            if (Group *g = add_to_group(e, condition_key(*o.condition), index, *o.finding)) {
                g->condition = o.condition;
                ++g->alone[static_cast<std::size_t>(o.origin)];
            } else {
                ++r.differences;
                ++tally.differ;
            }
            break;
        }
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
        tally.seconds += o.seconds;
    }

    // A condition written otherwise behaves the same on every case run when
    // neither of its assertions ever failed alone: it is then a difference
    // of its own kind, counted apart with conditions_apart; else a
    // difference like any.
    void settle_conditions(Entry &e) const {
        CandidateReport &r = e.report;
        for (Group &g : e.groups) {
            if (!g.condition) continue;
            g.clean = !e.unmatched_expected.contains({g.condition->function, g.condition->expected}) &&
                      !e.unmatched_obtained.contains({g.condition->function, g.condition->obtained});
            g.apart = g.clean && settings_.conditions_apart && g.alone_cases() == g.cases;
            if (g.clean) r.conditions_otherwise += g.alone_cases();
            if (g.clean && settings_.conditions_apart) continue;
            r.differences += g.alone_cases();
            for (const Case::Origin origin : {Case::Origin::dialogue, Case::Origin::boundary, Case::Origin::generated})
                tally_of(r, origin).differ += g.alone[static_cast<std::size_t>(origin)];
        }
    }

    // Shrinks every mistake's first case, and the first case that follows
    // the statement, the work shared among the jobs.
    void shrink_all() {
        struct Work {
            Entry *entry;
            Group *group;  // or the statement's finding
            int budget_ms;
        };
        std::vector<Work> work;
        for (Entry &e : entries_) {
            std::vector<Group *> by_count(e.groups.size());
            std::ranges::transform(e.groups, by_count.begin(), [](Group &g) { return &g; });
            std::ranges::stable_sort(by_count, std::greater<>(), &Group::cases);
            for (std::size_t i = 0; i < by_count.size(); ++i)
                work.push_back({&e, by_count[i],
                                i < SHRUNK_IN_FULL ? settings_.shrink_ms : i < SHRUNK ? SHORT_SHRINK_MS : 0});
            if (e.report.statement) work.push_back({&e, nullptr, settings_.shrink_ms});
        }
        std::atomic<std::size_t> next{0};
        on_every_job([&](int job) {
            const Referee referee{reference_, runner_, settings_, control_.stop};
            for (std::size_t w = next++; w < work.size(); w = next++) {
                Entry &e = *work[w].entry;
                if (work[w].group == nullptr) {
                    e.report.statement = referee.shrunk(job, e, *e.report.statement, "", work[w].budget_ms);
                    continue;
                }
                Group &g = *work[w].group;
                g.first = referee.shrunk(job, e, g.first, g.key, work[w].budget_ms);
                g.first.cause = cause_of(g, g.first, e, settings_.limits.timeout_ms, e.report.cases_run);
            }
        });
    }

    // The candidate's mistakes, the most frequent first; its first
    // difference, the example of the mistake seen first.
    static void list_mistakes(Entry &e) {
        CandidateReport &r = e.report;
        std::vector<const Group *> shown;
        for (const Group &g : e.groups) {
            if (g.apart) {
                if (!r.condition_apart) r.condition_apart = g.first;
                continue;
            }
            shown.push_back(&g);
        }
        if (shown.empty()) return;
        const auto first = std::ranges::min_element(shown, {}, &Group::first_index);
        r.difference = (*first)->first;
        std::ranges::stable_sort(shown, [](const Group *a, const Group *b) {
            return a->cases != b->cases ? a->cases > b->cases : a->first_index < b->first_index;
        });
        for (const Group *g : shown)
            r.mistakes.push_back(Mistake{g->first.cause.code, g->cases, g->first, g->by_origin[0], g->by_origin[1]});
    }

    CheckReport report() {
        CheckReport r;
        r.program = std::string(program_.name);
        r.seed = settings_.seed;
        r.all = settings_.all;
        r.conditions_apart = settings_.conditions_apart;
        r.timeout_ms = settings_.limits.timeout_ms;
        r.checked_at = static_cast<std::int64_t>(started_at_);
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
    TimedRunner &runner_;
    CheckControl &control_;
    const Cases cases_;
    std::vector<Entry> entries_;
    std::time_t started_at_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> failed_{false};
    std::mutex mutex_;
    std::size_t committed_ = 0;
    std::map<std::size_t, std::vector<Outcome>> pending_;
};

}  // namespace

CheckReport run_check(const ProgramData &program, const std::string &reference,
                      const std::vector<Candidate> &candidates, const CheckSettings &settings,
                      TimedRunner &runner, CheckControl &control) {
    return Check(program, reference, candidates, settings, runner, control).run();
}

std::optional<Finding> shrink_input(const std::string &reference, const Candidate &candidate,
                                    const std::string &input, const CheckSettings &settings, TimedRunner &runner) {
    const std::atomic<bool> never{false};
    const Referee referee{reference, runner, settings, never};
    const ReferenceRun expected = run_reference(reference, input, settings, runner, 0);
    Entry e;
    e.candidate = &candidate;
    Judgement j = referee.judge(0, candidate.path, input, expected, &e.past_ceiling);
    if (j.verdict.kind == Verdict::Kind::agree) return std::nullopt;
    const std::vector<std::string> kinds = j.verdict.kind == Verdict::Kind::differ
                                               ? mistake_keys(j, expected.run, input, settings.limits.timeout_ms)
                                               : std::vector<std::string>{""};
    const Finding found = finding(Case::Origin::generated, 0, input.size(), input, std::move(j), expected.run);
    Group g;
    g.key = kinds.front();
    g.first = referee.shrunk(0, e, found, g.key, settings.shrink_ms);
    g.first.cause = cause_of(g, g.first, e, settings.limits.timeout_ms, 1);
    return g.first;
}

Verdict judge_input(const std::string &candidate, const std::string &input, const ReferenceRun &expected,
                    const CheckSettings &settings, TimedRunner &runner, int job) {
    const std::atomic<bool> never{false};
    const std::string unused;  // judging runs the candidate only
    const Referee referee{unused, runner, settings, never};
    // As a case is first judged: a run that reaches a short limit runs again
    // with the ceiling before it counts as too slow.
    std::atomic<bool> past_ceiling{false};
    return referee.judge(job, candidate, input, expected, &past_ceiling).verdict;
}

}  // namespace exocheck
