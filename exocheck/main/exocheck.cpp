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
#include "check/one_shot.h"
#include "main/interrupt.h"
#include "main/mends.h"
#include "main/options.h"
#include "main/progress.h"
#include "main/reference.h"
#include "main/sources.h"
#include "report/json_report.h"
#include "report/report.h"
#include "report/text_report.h"
#include "run/launcher.h"
#include "sandbox/cannot_run.h"
#include "sandbox/leftovers.h"
#include "sandbox/runner.h"
#include "sandbox/worker.h"

namespace exocheck {

namespace {

constexpr int USAGE = 2;  // also: a candidate or a reference that cannot run

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

// A run under a memory checker, unconfined.
RunResult memory_run(const MemoryRunRequest &request, int timeout_ms) {
    const char *tmpdir = std::getenv("TMPDIR");
    std::string directory = std::string(tmpdir != nullptr && *tmpdir == '/' ? tmpdir : "/tmp") + "/exocheck-XXXXXX";
    if (mkdtemp(directory.data()) == nullptr) throw std::runtime_error("impossible de créer un répertoire temporaire");
    OneShot shot{request.wrapper, "", directory, timeout_ms, request.input, request.environment};
    shot.command.push_back(request.program);
    try {
        RunResult r = run_one_shot(shot, Isolation::none);
        remove_tree(directory);
        return r;
    } catch (...) {
        remove_tree(directory);
        throw;
    }
}

Isolation isolation_of(const Options &options) {
    if (!options.sandbox) return Isolation::none;
    if (sandbox_available()) return Isolation::sandbox;
    say("bubblewrap (bwrap) est absent ou ne peut pas isoler les programmes ici : "
        "les candidats s'exécutent sans isolement.");
    return Isolation::none;
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

int check(const Options &options) {
    const ProgramData &program = *options.program;
    const std::string reference = reference_of(options);
    if (reference.empty()) return USAGE;
    const std::string valgrind = valgrind_for(options);
    if (options.memory && valgrind.empty()) return USAGE;

    CheckSettings settings;
    settings.seed = options.seed;
    settings.generated = options.cases.value_or(program.cases.value_or(1000));
    settings.all = options.all;
    settings.conditions_apart = options.conditions_apart;
    settings.jobs = options.jobs > 0 ? options.jobs : processors();
    settings.limits.timeout_ms = options.timeout_ms.value_or(program.timeout_ms.value_or(2000));
    settings.reference_confined = !options.reference.empty();
    // The mends are exocheck's knowledge of the fifteen: a teacher's
    // exercise has none, whatever its name.
    if (is_one_of_ours(program)) settings.mend = mend_of(program.name);

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
    const InterruptWatch interrupt([&] {
        control.stop = true;
        if (TimedRunner *r = runner_in_use.load()) r->kill_all();
        if (BuiltCandidates *b = built_in_use.load()) b->remove_now();
        // A thread may have been starting a run during the first look.
        kill_children();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        kill_children();
        if (ProgressLine *p = progress_in_use.load()) p->erase();
    });
    progress_in_use = &progress_line.emplace(program.name, control);
    CheckReport report;
    try {
        const Isolation isolation = isolation_of(options);
        // Sources are compiled first, confined like the candidates.
        built.emplace(options.candidates, options.memory, settings.jobs, isolation);
        built_in_use = &*built;
        const std::vector<Candidate> &candidates = built->candidates();
        std::vector<std::string> runnable;
        for (const Candidate &c : candidates) {
            if (c.cannot_run.empty()) runnable.push_back(c.path);
            else say(c.cannot_run);
        }
        if (settings.reference_confined) runnable.push_back(reference);
        runner.emplace(isolation, settings.jobs, runnable, settings.limits);
        runner_in_use = &*runner;
        report = run_check(program, reference, candidates, settings, *runner, control);
        built->add_builds(report);
        if (options.memory) {
            const int memory_ms = memory_timeout_ms(settings.limits.timeout_ms);
            run_memory_check(program, reference, candidates, built->memory_targets(), valgrind, settings, *runner,
                             [&](const MemoryRunRequest &request) { return memory_run(request, memory_ms); },
                             control, report);
        }
    } catch (const std::runtime_error &error) {
        progress_line->erase();
        say(error.what());
        return USAGE;
    }
    progress_line->erase();
    for (std::size_t k = 0; k < built->candidates().size(); ++k)
        if (built->candidates()[k].cannot_run.empty() && !report.candidates[k].cannot_run.empty())
            say(report.candidates[k].cannot_run);
    if (!write_out(options.json ? json_report(report) : text_report(report))) {
        say("erreur d'écriture sur la sortie standard");
        return USAGE;
    }
    return exit_status(report);
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
