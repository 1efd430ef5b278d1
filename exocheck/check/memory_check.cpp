#include "check/memory_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>

#include "cases/cases.h"
#include "cases/shrink.h"
#include "check/in_parallel.h"
#include "report/ending.h"
#include "report/visible.h"

namespace exocheck {

namespace {

// The findings shrunk with MEMORY_SHRINK_MS each, the most frequent first;
// the others get SHORT_SHRINK_MS. A run under Valgrind costs about 0.65 s
// of processor time: 8 s is some dozen tries.
constexpr std::size_t SHRUNK_IN_FULL = 3;
constexpr int MEMORY_SHRINK_MS = 8000;
constexpr int SHORT_SHRINK_MS = 2000;

// The most findings of a candidate, errors and warnings together: each
// costs its shrinking, and no program of a few hundred lines has as many
// places. Past them, its memory check says it stopped.
constexpr std::size_t MOST_FINDINGS = 100;

enum class Checker { sanitizers, valgrind };

std::string checker_name(Checker c) { return c == Checker::valgrind ? "valgrind" : "sanitizers"; }

// One pass of a candidate: a checker on its cases.
struct Pass {
    std::size_t candidate = 0;
    Checker checker = Checker::valgrind;
    std::size_t cases = 0;              // the first `cases` of the memory check's cases
    bool uninitialised_only = false;    // Valgrind beside the sanitizers
    std::atomic<bool> stopped{false};   // a run past a limit, or too many findings: the pass ends there
    std::string why_stopped;
};

// What one run under a checker showed.
struct Outcome {
    bool ran = false;
    std::vector<MemoryError> errors;
};

// A kind of error at one place, as the cases come.
struct Group {
    Pass *pass = nullptr;
    MemoryError error;
    std::size_t cases = 0;
    std::size_t first_index = 0;
    std::vector<MemoryError> first_errors;  // everything the first case's run reported
};

std::string first_line(std::string_view text) {
    const std::size_t end = text.find('\n');
    return std::string(text.substr(0, end));
}

// Line `number` of the file at `path`, its indentation and end trimmed;
// empty when it cannot be read.
std::string source_line(const std::string &path, int number) {
    std::ifstream in(path);
    std::string line;
    for (int k = 1; k <= number && std::getline(in, line); ++k)
        if (k == number) {
            const std::size_t start = line.find_first_not_of(" \t");
            const std::size_t end = line.find_last_not_of(" \t\r");
            return start == std::string::npos ? "" : line.substr(start, end - start + 1);
        }
    return "";
}

std::string base_name(const std::string &path) { return path.substr(path.rfind('/') + 1); }

class MemoryChecking {
public:
    MemoryChecking(const ProgramData &program, const std::string &reference, const std::vector<Candidate> &candidates,
                const std::vector<std::optional<MemoryTarget>> &targets, const std::string &valgrind,
                const CheckSettings &settings, TimedRunner &runner, const MemoryRunner &memory_runner,
                CheckControl &control)
        : reference_(reference), candidates_(candidates), targets_(targets), valgrind_(valgrind),
          settings_(settings), runner_(runner), memory_runner_(memory_runner), control_(control),
          cases_(program, settings.seed, std::min(settings.generated, SANITIZER_GENERATED)),
          fixed_(fixed_cases(cases_)) {}

    void run(CheckReport &report) {
        plan(report);
        std::vector<std::pair<Pass *, std::size_t>> work;  // a pass and a case, the cases in order
        for (std::size_t index = 0; index < cases_.size(); ++index)
            for (Pass &p : passes_)
                if (index < p.cases) work.emplace_back(&p, index);
        outcomes_.resize(work.size());
        control_.done = 0;
        control_.total = work.size();
        std::atomic<std::size_t> next{0};
        on_every_job([&](int job) {
            for (std::size_t w = next++; w < work.size() && !control_.stop; w = next++) {
                Pass &p = *work[w].first;
                if (!p.stopped) outcomes_[w] = run_case(job, p, work[w].second);
                ++control_.done;
            }
        });
        std::map<std::size_t, std::vector<Group>> groups;  // by candidate
        std::map<std::size_t, std::size_t> case_runs;
        for (std::size_t w = 0; w < work.size(); ++w) {
            Pass &p = *work[w].first;
            if (!outcomes_[w].ran) continue;
            ++case_runs[p.candidate];
            for (const MemoryError &e : outcomes_[w].errors)
                if (!add(groups[p.candidate], p, e, work[w].second, outcomes_[w].errors))
                    stop(p, "plus de " + std::to_string(MOST_FINDINGS) +
                                " erreurs ou avertissements de mémoire en des lieux différents", work[w].second);
        }
        for (auto &[k, list] : groups) drop_echoes(list);
        for (std::size_t k = 0; k < candidates_.size(); ++k) {
            if (!targets_[k] || !report.candidates[k].cannot_run.empty()) continue;
            report.candidates[k].memory = summary(k, case_runs[k]);
        }
        shrink_all(groups, report);
    }

private:
    // How many of the cases are dialogues and boundary cases.
    static std::size_t fixed_cases(const Cases &cases) {
        std::size_t low = 0, high = cases.size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (cases.at(middle).origin < Case::Origin::generated) low = middle + 1;
            else high = middle;
        }
        return low;
    }

    // The passes of every candidate that could run.
    void plan(const CheckReport &report) {
        for (std::size_t k = 0; k < candidates_.size(); ++k) {
            const auto &t = targets_[k];
            if (!t || !report.candidates[k].cannot_run.empty()) continue;
            const bool both = !t->plain.empty() && !t->sanitized.empty();
            if (!t->sanitized.empty()) add_pass(k, Checker::sanitizers, cases_.size(), false);
            if (!t->plain.empty())
                add_pass(k, Checker::valgrind, both ? fixed_ : std::min(cases_.size(), fixed_ + VALGRIND_GENERATED), both);
        }
    }

    void add_pass(std::size_t k, Checker checker, std::size_t cases, bool uninitialised_only) {
        Pass &p = passes_.emplace_back();
        p.candidate = k;
        p.checker = checker;
        p.cases = cases;
        p.uninitialised_only = uninitialised_only;
    }

    // Runs `work(job)` on every job at once, and waits for all of them; the
    // others stop early when one fails.
    void on_every_job(const std::function<void(int)> &work) {
        in_parallel(settings_.jobs, work, [this] { control_.stop = true; });
    }

    // One run of a pass's program under its checker, and what it showed.
    std::vector<MemoryError> checked_run(int job, const Pass &p, const std::string &input, RunResult &run) const {
        const MemoryTarget &t = *targets_[p.candidate];
        MemoryRunRequest request;
        request.job = job;
        request.input = input;
        if (p.checker == Checker::valgrind) {
            request.program = t.plain;
            request.wrapper = valgrind_words(valgrind_, !p.uninitialised_only);
        } else {
            request.program = t.sanitized;
            request.environment = sanitizer_environment();
        }
        run = memory_runner_(request);
        if (run.start_error != 0)
            throw std::runtime_error((p.checker == Checker::valgrind ? valgrind_ : t.sanitized) +
                                     " ne peut pas être lancé : " + start_error_in_french(run.start_error));
        const OwnCode own{t.source};
        std::vector<MemoryError> errors =
            p.checker == Checker::valgrind ? read_memcheck_errors(run.err, own) : read_sanitizer_errors(run.err, own);
        if (p.uninitialised_only)
            std::erase_if(errors, [](const MemoryError &e) { return e.kind != MemoryKind::uninitialised; });
        // The source named as the user gave it, not as the compiler saw it.
        for (MemoryError &e : errors) {
            if (!t.source.empty() && base_name(e.file) == base_name(t.source)) e.file = t.source;
            while (e.what.ends_with(':')) e.what.pop_back();
        }
        return errors;
    }

    // Why a run under a checker tells nothing of the candidate, or empty.
    static std::string unchecked(const Pass &p, const RunResult &run, int timeout_ms) {
        if (run.timed_out)
            return "le candidat dépasse la limite de temps sous le vérificateur (" + seconds_in_french(timeout_ms) + ")";
        if (run.out_capped) return "le candidat écrit plus que la limite de sortie sous le vérificateur";
        if (run.memory_capped)
            return "le candidat dépasse la limite de mémoire sous le vérificateur (" + memory_cap_in_french() + ")";
        if (p.checker == Checker::valgrind && run.err.find("<protocolversion>") == std::string::npos)
            return "Valgrind n'a pas pu lancer le candidat : " + visible_line(first_line(run.err), false);
        if (run.err.find("Valgrind's memory management: out of memory") != std::string::npos ||
            run.err.find("ReserveShadowMemoryRange failed") != std::string::npos)
            return "mémoire insuffisante sous le vérificateur";
        return "";
    }

    Outcome run_case(int job, Pass &p, std::size_t index) {
        RunResult checked;
        Outcome o;
        o.errors = checked_run(job, p, cases_.at(index).input, checked);
        o.ran = true;
        if (const std::string why = unchecked(p, checked, memory_timeout_ms(settings_.limits.timeout_ms)); !why.empty())
            stop(p, why, index);
        return o;
    }

    // Stops pass `p` for `why` on case `index`, unless it stopped already.
    void stop(Pass &p, const std::string &why, std::size_t index) {
        const std::lock_guard lock(mutex_);
        const Case c = cases_.at(index);
        if (!p.stopped) p.why_stopped = why + ", sur le " + case_name(c.origin, c.number, settings_.seed);
        p.stopped = true;
    }

    // Counts `e` in its group, a new one unless MOST_FINDINGS are there:
    // false then.
    static bool add(std::vector<Group> &groups, Pass &p, const MemoryError &e, std::size_t index,
                    const std::vector<MemoryError> &with) {
        auto found = std::ranges::find_if(groups, [&](const Group &g) {
            return g.pass->checker == p.checker && g.error.kind == e.kind && g.error.same_place(e);
        });
        if (found == groups.end()) {
            if (groups.size() == MOST_FINDINGS) return false;
            groups.push_back(Group{&p, e, 0, index, with});
            found = groups.end() - 1;
        }
        ++found->cases;
        return true;
    }

    // Beside the sanitizers, Valgrind reads an array's overrun on the stack
    // as an uninitialised value (the bytes past it were never set): at a
    // place where the sanitizers found an error, it only echoes it.
    static void drop_echoes(std::vector<Group> &groups) {
        const auto kept = [&](const Group &g) {
            return !g.pass->uninitialised_only || std::ranges::none_of(groups, [&](const Group &other) {
                       return other.pass->checker == Checker::sanitizers && !is_warning(other.error.kind) &&
                              other.error.same_place(g.error);
                   });
        };
        // Copied apart, so that no group is looked at while others move.
        std::vector<Group> without;
        std::ranges::copy_if(groups, std::back_inserter(without), kept);
        groups = std::move(without);
    }

    MemoryCheck summary(std::size_t k, std::size_t runs) const {
        MemoryCheck m;
        bool valgrind = false, sanitizers = false;
        std::size_t cases = 0;
        for (const Pass &p : passes_) {
            if (p.candidate != k) continue;
            (p.checker == Checker::valgrind ? valgrind : sanitizers) = true;
            cases = std::max(cases, p.cases);
            if (p.stopped && m.stopped.empty()) m.stopped = p.why_stopped;
        }
        m.checkers = sanitizers && valgrind ? "AddressSanitizer et Valgrind" : sanitizers ? "AddressSanitizer" : "Valgrind";
        m.cases = cases;
        m.runs = runs;
        return m;
    }

    // The command that shows a finding under its checker.
    std::string reproduce(const Pass &p, const std::string &input) const {
        const MemoryTarget &t = *targets_[p.candidate];
        const bool valgrind = p.checker == Checker::valgrind;
        const std::string &build = valgrind ? t.plain_build : t.sanitized_build;
        const std::string &program = valgrind ? t.plain_program : t.sanitized_program;
        std::string command = reproduce_command(input, program);
        if (valgrind) {
            // Before the program's word, which ends the command or comes
            // before "< /dev/null".
            const std::string word = shell_word(program.find('/') == std::string::npos ? "./" + program : program);
            command.insert(command.rfind(word), "valgrind -q --leak-check=full --track-origins=yes ");
        }
        return build.empty() ? command : build + " && " + command;
    }

    // The finding of group `g`, its first case's input shrunk within
    // `budget_ms`.
    MemoryFinding shrunk(int job, const Group &g, int budget_ms) {
        const Pass &p = *g.pass;
        const Case c = cases_.at(g.first_index);
        const Candidate &candidate = candidates_[p.candidate];
        const ReferenceRun original = run_reference(reference_, c.input, settings_, runner_, job);
        const bool agrees =
            judge_input(candidate.path, c.input, original, settings_, runner_, job).kind != Verdict::Kind::differ;
        const auto reported_before = [&](const MemoryError &e) {
            return std::ranges::any_of(g.first_errors, [&](const MemoryError &b) { return b.kind == e.kind && b.same_place(e); });
        };
        const auto still_fails = [&](const std::string &input) {
            if (control_.stop) return false;
            const ReferenceRun expected = run_reference(reference_, input, settings_, runner_, job);
            if (expected.run.exited != original.run.exited || expected.run.status != original.run.status ||
                expected.run.signal != original.run.signal)
                return false;
            if (agrees && judge_input(candidate.path, input, expected, settings_, runner_, job).kind == Verdict::Kind::differ)
                return false;
            RunResult run;
            const std::vector<MemoryError> errors = checked_run(job, p, input, run);
            return std::ranges::all_of(errors, reported_before) &&
                   std::ranges::any_of(errors, [&](const MemoryError &e) { return e.kind == g.error.kind && e.same_place(g.error); });
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budget_ms);
        const ShrinkResult result = shrink(c.input, still_fails, deadline);
        MemoryFinding f;
        f.error = g.error;
        const MemoryTarget &t = *targets_[p.candidate];
        if (!t.source.empty() && g.error.line > 0 && base_name(g.error.file) == base_name(t.source))
            f.source_line = source_line(t.source, g.error.line);
        f.checker = checker_name(p.checker);
        f.cases = g.cases;
        f.origin = c.origin;
        f.number = c.number;
        f.original_size = c.input.size();
        f.input = result.input;
        f.shrink_finished = result.finished;
        f.output_agrees = agrees;
        f.reproduce = reproduce(p, f.input);
        return f;
    }

    void shrink_all(std::map<std::size_t, std::vector<Group>> &groups, CheckReport &report) {
        struct Work {
            std::size_t candidate;
            const Group *group;
            int budget_ms;
        };
        std::vector<Work> work;
        for (auto &[k, list] : groups) {
            std::ranges::stable_sort(list, [](const Group &a, const Group &b) {
                return a.cases != b.cases ? a.cases > b.cases : a.first_index < b.first_index;
            });
            for (std::size_t i = 0; i < list.size(); ++i)
                work.push_back({k, &list[i], i < SHRUNK_IN_FULL ? MEMORY_SHRINK_MS : SHORT_SHRINK_MS});
        }
        std::vector<MemoryFinding> findings(work.size());
        std::atomic<std::size_t> next{0};
        on_every_job([&](int job) {
            for (std::size_t w = next++; w < work.size(); w = next++) findings[w] = shrunk(job, *work[w].group, work[w].budget_ms);
        });
        for (std::size_t w = 0; w < work.size(); ++w) {
            MemoryCheck &m = report.candidates[work[w].candidate].memory.value();
            (is_warning(findings[w].error.kind) ? m.warnings : m.errors).push_back(std::move(findings[w]));
        }
    }

    const std::string &reference_;
    const std::vector<Candidate> &candidates_;
    const std::vector<std::optional<MemoryTarget>> &targets_;
    const std::string &valgrind_;
    const CheckSettings &settings_;
    TimedRunner &runner_;
    const MemoryRunner &memory_runner_;
    CheckControl &control_;
    const Cases cases_;
    const std::size_t fixed_;
    std::deque<Pass> passes_;
    std::vector<Outcome> outcomes_;
    std::mutex mutex_;
};

}  // namespace

int memory_timeout_ms(int timeout_ms) { return 10 * timeout_ms + 1000; }

std::vector<std::string> valgrind_words(const std::string &valgrind, bool leaks) {
    std::vector<std::string> words = {valgrind, "--tool=memcheck", "-q", "--xml=yes", "--xml-fd=2", "--vgdb=no",
                                      "--num-callers=12", "--read-inline-info=no", "--run-libc-freeres=no",
                                      "--run-cxx-freeres=no", "--child-silent-after-fork=yes"};
    if (leaks)
        words.insert(words.end(), {"--leak-check=full", "--show-leak-kinds=definite,possible",
                                   "--errors-for-leak-kinds=definite,possible"});
    else
        words.emplace_back("--leak-check=no");
    return words;
}

std::vector<std::string> sanitizer_environment() {
    return {"ASAN_OPTIONS=exitcode=86:detect_leaks=1:halt_on_error=1:abort_on_error=0:symbolize=1:color=never:"
            "allocator_may_return_null=1:print_summary=1:handle_segv=1:detect_stack_use_after_return=0",
            "LSAN_OPTIONS=exitcode=86:leak_check_at_exit=1:report_objects=0:color=never",
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=0:report_error_type=1:color=never:print_summary=0"};
}

void run_memory_check(const ProgramData &program, const std::string &reference,
                      const std::vector<Candidate> &candidates, const std::vector<std::optional<MemoryTarget>> &targets,
                      const std::string &valgrind, const CheckSettings &settings, TimedRunner &runner,
                      const MemoryRunner &memory_runner, CheckControl &control, CheckReport &report) {
    MemoryChecking(program, reference, candidates, targets, valgrind, settings, runner, memory_runner, control).run(report);
    report.memory = true;
}

}  // namespace exocheck
