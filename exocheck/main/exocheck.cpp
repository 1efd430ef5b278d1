// exocheck: checks programs written from the statement of one of the
// exercises, or of a teacher's own (an exercise file and its reference),
// the candidates, against the reference program, and explains the first
// difference on a minimal input. See exocheck.1 and exocheck-exercice.5.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "check/check.h"
#include "check/memory_check.h"
#include "main/interrupt.h"
#include "main/mends.h"
#include "main/options.h"
#include "main/progress.h"
#include "main/reference.h"
#include "main/sources.h"
#include "main/submissions.h"
#include "report/formats.h"
#include "report/groups.h"
#include "report/report.h"
#include "report/score.h"
#include "run/launcher.h"
#include "sandbox/cannot_run.h"
#include "sandbox/runner.h"
#include "sandbox/view.h"
#include "sandbox/worker.h"

namespace exocheck {

namespace {

constexpr int USAGE = 2;  // also: a reference that cannot be found or run, a report not written

void say(const std::string &text) { std::fputs(("exocheck: " + text + "\n").c_str(), stderr); }

bool write_out(const std::string &text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

// Valgrind, which --memoire needs, or empty after saying what to install.
std::string valgrind_for(const Options &options) {
    if (!options.memory) return "";
    if (emulated()) {
        say("--memoire ne fonctionne pas sous un émulateur (PETITS_EMULATOR)");
        return "";
    }
    std::string valgrind = find_on_path("valgrind");
    if (valgrind.empty())
        say("--memoire demande Valgrind, absent de cette machine : installez-le (sudo apt-get install valgrind)");
    return valgrind;
}

// The submissions of the command line or of the class; false (and said) when
// the class cannot be read.
bool submissions_of(const Options &options, std::vector<Submission> &submissions) {
    const std::string file = options.file.empty() ? std::string(options.program->name) : options.file;
    if (options.class_folder.empty()) {
        submissions = given_submissions(options.candidates, file);
        return true;
    }
    std::vector<std::string> unlisted;
    if (const std::string wrong = class_submissions(options.class_folder, file, options.learners_file, submissions, unlisted);
        !wrong.empty()) {
        say(wrong);
        return false;
    }
    if (!unlisted.empty()) {
        std::string names;
        for (const std::string &u : unlisted) names += (names.empty() ? "" : ", ") + u;
        say("dossiers de la classe absents de la liste, non vérifiés : " + names);
    }
    return true;
}

// The check's report with every submission in its place, named, those not
// handed in among them; then scored and grouped.
void complete(CheckReport &report, const std::vector<Submission> &submissions, const Options &options) {
    std::vector<CandidateReport> checked = std::move(report.candidates);
    report.candidates.clear();
    std::size_t next = 0;
    for (const Submission &s : submissions) {
        CandidateReport c;
        if (s.not_handed_in.empty()) c = std::move(checked[next++]);
        c.candidate = s.path;
        c.name = s.name;
        c.not_handed_in = s.not_handed_in;
        report.candidates.push_back(std::move(c));
    }
    report.class_folder = options.class_folder;
    report.weights = options.weights;
    grade(report);
    group_mistakes(report);
}

// Unconfined only when asked (--no-sandbox), or for one candidate, one's
// own program, where no sandbox starts: a check of several candidates then
// stops, since a teacher must not run others' programs unconfined by
// accident.
Isolation isolation_of(const Options &options, std::size_t candidates) {
    if (!options.sandbox) return Isolation::none;
    const std::string why = sandbox_unavailable();
    if (why.empty()) return Isolation::sandbox;
    if (candidates > 1)
        throw std::runtime_error(why + " : plusieurs candidats ne s'exécutent pas sans isolement "
                                       "(--no-sandbox les exécute sans bac à sable).");
    if (find_on_path("bwrap").empty())
        say("bubblewrap (bwrap) est absent ou ne peut pas isoler les programmes ici : "
            "les candidats s'exécutent sans isolement.");
    else
        say(why + " : le candidat s'exécute sans isolement.");
    return Isolation::none;
}

// What a run must never see: every program's reference and the modules of
// the exercises, wherever exocheck finds them or installs put them.
std::vector<std::string> hidden_from_runs(const std::string &reference) {
    std::vector<std::string> hidden = {reference};
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path &lib : {dir.parent_path() / "lib", std::filesystem::path("/usr/lib"),
                                             std::filesystem::path("/usr/local/lib")})
        hidden.push_back((lib / "petits-calculs").string());  // cppcheck-suppress useStlAlgorithm
    for (const ProgramData &program : all_programs()) {
        const std::string name(program.name);
        for (const std::filesystem::path &place :
             {dir / name, dir.parent_path() / program.folder / name, std::filesystem::path("/usr/bin") / name,
              std::filesystem::path("/usr/local/bin") / name})
            hidden.push_back(place.lexically_normal().string());  // cppcheck-suppress useStlAlgorithm
    }
    return hidden;
}

// The reference: ours, found beside exocheck, or the one given with
// --reference, which runs confined like the candidates; empty when it
// cannot run.
std::string reference_of(const Options &options) {
    if (!options.reference.empty()) {
        if (const std::string why = cannot_run(options.reference); !why.empty()) {
            say("le programme de référence ne peut pas être lancé : " + why);
            return "";
        }
        return std::filesystem::absolute(options.reference).lexically_normal().string();
    }
    std::string tried;
    std::string reference = find_reference(*options.program, tried);
    if (reference.empty())
        say("programme de référence " + std::string(options.program->name) + " introuvable (cherché en " + tried + ")");
    return reference;
}

std::vector<std::string> handed_in_of(const std::vector<Submission> &submissions) {
    std::vector<std::string> handed_in;
    for (const Submission &s : submissions)
        if (s.not_handed_in.empty()) handed_in.push_back(s.path);
    return handed_in;
}

CheckSettings settings_of(const Options &options) {
    const ProgramData &program = *options.program;
    CheckSettings settings;
    settings.seed = options.seed;
    settings.generated = options.cases.value_or(program.cases.value_or(1000));
    // A score needs every case: a class, and the formats that grade, run them all.
    settings.all = options.all || !options.class_folder.empty() || grades(options.format);
    settings.conditions_apart = options.conditions_apart;
    settings.jobs = options.jobs > 0 ? options.jobs : processors();
    settings.limits.timeout_ms = options.timeout_ms.value_or(program.timeout_ms.value_or(2000));
    settings.reference_confined = !options.reference.empty();
    // The mends are exocheck's knowledge of the fifteen: a teacher's
    // exercise has none, whatever its name.
    if (is_one_of_ours(program)) settings.mend = mend_of(program.name);
    return settings;
}

// What the check's runner runs: the candidates that can run (those that
// cannot said), and a teacher's reference, confined like them.
std::vector<std::string> runnable_of(const BuiltCandidates &built, const std::string &reference,
                                     const CheckSettings &settings) {
    std::vector<std::string> runnable;
    for (const Candidate &c : built.candidates()) {
        if (c.cannot_run.empty()) runnable.push_back(c.path);
        else say(c.cannot_run);
    }
    if (settings.reference_confined) runnable.push_back(reference);
    return runnable;
}

// Valgrind runs in the sandbox, which shows the system's programs only.
void require_shown(const std::string &valgrind) {
    if (!shown_in_view(valgrind))
        throw std::runtime_error("--memoire : Valgrind (" + valgrind +
                                 ") est hors de /usr, que le bac à sable ne montre pas : installez celui du "
                                 "système (sudo apt-get install valgrind)");
}

// The end of a check that ran: the candidates that could not be started
// said, the report completed and written; the exit status.
int finish(CheckReport &report, const std::vector<Candidate> &candidates, const std::vector<Submission> &submissions,
           const Options &options) {
    for (std::size_t k = 0; k < candidates.size(); ++k)
        if (candidates[k].cannot_run.empty() && !report.candidates[k].cannot_run.empty())
            say(report.candidates[k].cannot_run);
    complete(report, submissions, options);
    if (!write_out(write_report(report, options.format, {options.csv_separator}))) {
        say("erreur d'écriture sur la sortie standard");
        return USAGE;
    }
    return exit_status(report);
}

int check(Options options) {
    if (!options.weights_file.empty())
        if (const std::string wrong = read_weights(options.weights, options.weights_file); !wrong.empty()) {
            say(wrong);
            return USAGE;
        }
    const ProgramData &program = *options.program;
    const std::string reference = reference_of(options);
    if (reference.empty()) return USAGE;
    std::vector<Submission> submissions;
    if (!submissions_of(options, submissions)) return USAGE;
    const std::vector<std::string> handed_in = handed_in_of(submissions);
    const std::string valgrind = valgrind_for(options);
    if (options.memory && valgrind.empty()) return USAGE;
    const CheckSettings settings = settings_of(options);

    // The runner and the progress line outlive the watch, whose thread may
    // kill the runs and erase the line; the watch comes before the line's
    // thread, which must not take the signals it watches.
    std::optional<TimedRunner> runner;
    std::atomic<TimedRunner *> runner_in_use{nullptr};
    CheckControl control;
    std::optional<ProgressLine> progress_line;
    std::atomic<ProgressLine *> progress_in_use{nullptr};
    std::optional<BuiltCandidates> built;
    std::atomic<BuiltCandidates *> built_in_use{nullptr};
    std::optional<CandidateRunner> memory_runner;
    std::atomic<CandidateRunner *> memory_runner_in_use{nullptr};
    // Once interrupted, nothing more is said: what the killed runs left would
    // read as the candidates' doing ("ne compile pas"). The watch ends the
    // process when its clean-up is done, at the latest when it is destroyed.
    std::atomic<bool> interrupted{false};
    const InterruptWatch interrupt([&] {
        interrupted = true;
        control.stop = true;
        if (TimedRunner *r = runner_in_use.load()) r->kill_all();
        if (CandidateRunner *r = memory_runner_in_use.load()) r->kill_all();
        if (BuiltCandidates *b = built_in_use.load()) b->remove_now();
        // A thread may have been starting a run during the first look.
        kill_children();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        kill_children();
        if (ProgressLine *p = progress_in_use.load()) p->erase();
    });
    progress_in_use = &progress_line.emplace(program.name, control);
    CheckReport report;
    const auto start = std::chrono::steady_clock::now();
    try {
        const Isolation isolation = isolation_of(options, handed_in.size());
        if (isolation == Isolation::sandbox && options.memory) require_shown(valgrind);
        const std::vector<std::string> hidden = hidden_from_runs(reference);
        // Sources are compiled first, confined like the candidates.
        built_in_use = &built.emplace(handed_in);
        built->build(options.memory, settings.jobs, isolation, hidden);
        if (interrupted) return USAGE;
        runner.emplace(isolation, settings.jobs, runnable_of(*built, reference, settings), settings.limits, hidden);
        runner_in_use = &*runner;
        report = run_check(program, reference, built->candidates(), settings, *runner, control);
        built->add_builds(report);
        if (options.memory) {
            // The runs under a checker: confined like any, with their own limit.
            RunLimits limits = settings.limits;
            limits.timeout_ms = memory_timeout_ms(settings.limits.timeout_ms);
            memory_runner.emplace(isolation, settings.jobs, built->memory_programs(), limits, hidden);
            memory_runner_in_use = &*memory_runner;
            run_memory_check(program, reference, built->candidates(), built->memory_targets(), valgrind, settings,
                             *runner,
                             [&](const MemoryRunRequest &r) {
                                 return memory_runner->run_wrapped(r.job, r.program, r.input, r.wrapper, r.environment);
                             },
                             control, report);
        }
    } catch (const std::runtime_error &error) {
        if (interrupted) return USAGE;
        progress_line->erase();
        say(error.what());
        return USAGE;
    }
    if (interrupted) return USAGE;
    progress_line->erase();
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return finish(report, built->candidates(), submissions, options);
}

int exocheck_main(int argc, char **argv) {
    // The candidates' workers are exocheck again, started by CandidateRunner.
    if (const std::optional<int> status = internal_worker(argc, argv)) return *status;
    const CommandLine command_line = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    switch (command_line.action) {
    case CommandLine::Action::help: return write_out(help_text()) ? 0 : USAGE;
    case CommandLine::Action::version: return write_out(version_text()) ? 0 : USAGE;
    case CommandLine::Action::refuse: std::fputs(command_line.message.c_str(), stderr); return USAGE;
    case CommandLine::Action::check: break;
    }
    return check(command_line.options);
}

}  // namespace

}  // namespace exocheck

int main(int argc, char **argv) { return exocheck::exocheck_main(argc, argv); }
