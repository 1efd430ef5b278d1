// Starting a process: what each start asks for holds, and a step that
// fails comes back to the caller. Dialogues at a terminal, as a person sees
// them: the prompt is on the screen before anything is typed, the typed
// line is echoed, the answer follows it, and an assertion diagnostic comes
// after the lines printed before it.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "built_programs.h"
#include "run/run_program.h"
#include "run/start.h"
#include "run/terminal.h"

namespace exocheck {

namespace {

std::string read_text(const char *path) {
    std::string text;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    char buf[4096];
    for (ssize_t n = 0; fd >= 0 && (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    if (fd >= 0) close(fd);
    return text;
}

// A shell started with `setup` (its command after "sh -c"), its standard
// output read back from a file: what it printed, or the failed step.
std::string started_shell(ProcessSetup setup, const std::string &script) {
    char path[] = "/tmp/exocheck-start-test-XXXXXX";
    const int out = mkstemp(path);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    setup.command = {"sh", "-c", script};
    setup.descriptors.insert(setup.descriptors.begin(), {null, out, null});
    const Started started = start_process(setup);
    std::string shown = started ? "" : started.describe();
    if (started) {
        const int status = reap(started.pid);
        shown = WIFEXITED(status) ? "" : "signal " + std::to_string(WTERMSIG(status));
        shown += read_text(path);
    }
    close(out);
    close(null);
    unlink(path);
    return shown;
}

TEST(Start, EachParameterHoldsAndAFailedStepIsTold) {
    sigset_t blocked, saved;  // blocked and ignored here, default there
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &saved);
    const auto old_hup = signal(SIGHUP, SIG_IGN);
    const int extra = open("/dev/null", O_RDONLY);  // not close-on-exec, yet not given
    const int given = open("/dev/zero", O_RDONLY | O_CLOEXEC);
    struct Row {
        const char *what;
        std::function<void(ProcessSetup &)> ask;
        std::string script, shown;
    };
    const std::vector<Row> rows = {
        {"only the given descriptors, in order", [&](ProcessSetup &s) { s.descriptors = {given}; },
         "for f in $(seq 0 63); do [ -e /proc/$$/fd/$f ] && printf '%s ' $f; done; echo", "0 1 2 3 \n"},
        {"the descriptor at 3 is the one given", [&](ProcessSetup &s) { s.descriptors = {given}; },
         "head -c 2 <&3 | od -An -tx1", " 00 00\n"},
        {"the environment given", [](ProcessSetup &s) { s.environment = {"A=1"}; }, "env | grep -v '^PWD='", "A=1\n"},
        {"the directory given", [](ProcessSetup &s) { s.directory = "/proc"; }, "pwd", "/proc\n"},
        {"its own session", [](ProcessSetup &s) { s.new_session = true; }, "[ $(ps -o sid= $$) -eq $$ ] && echo leader",
         "leader\n"},
        {"its limits", [](ProcessSetup &s) { s.limits = {{RLIMIT_NOFILE, 17, 17}}; }, "ulimit -n", "17\n"},
        {"default signals, none blocked", [](ProcessSetup &) {},
         "grep -E '^Sig(Blk|Ign)' /proc/$$/status | tr '\\n' ' '",
         "SigBlk:\t0000000000000000 SigIgn:\t0000000000000000 "},
        {"a limit that cannot be applied", [](ProcessSetup &s) { s.limits = {{RLIMIT_CPU, 2, 1}}; }, "echo ran",
         "setrlimit: Invalid argument"},
        {"a directory that cannot be entered", [](ProcessSetup &s) { s.directory = "/nonexistent"; }, "echo ran",
         "chdir: No such file or directory"},
        {"a controlling terminal it does not have",
         [](ProcessSetup &s) {
             s.new_session = true;
             s.controlling_terminal = true;
         },
         "echo ran", "TIOCSCTTY: Inappropriate ioctl for device"},
    };
    for (const Row &row : rows) {
        ProcessSetup setup;
        row.ask(setup);
        EXPECT_EQ(started_shell(setup, row.script), row.shown) << row.what;
    }
    ProcessSetup missing_program;
    missing_program.command = {"/nonexistent/program"};
    missing_program.descriptors = {0, 1, 2};
    const Started missing = start_process(missing_program);
    EXPECT_EQ(missing.describe(), "exec: No such file or directory");
    close(extra);
    close(given);
    signal(SIGHUP, old_hup);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

// run_program's child that stops reading its input raises no SIGPIPE here,
// whatever this process does with it; a stream closed before the end does
// not end the run.
TEST(Start, AChildThatStopsReadingEndsItsRunOnly) {
    const auto old_pipe = signal(SIGPIPE, SIG_DFL);
    RunOptions options;
    options.arguments = {"-c", "exec 0<&- 1>&-; echo fin >&2"};
    const RunResult r = run_program("/bin/sh", std::string(1 << 20, 'x'), options);
    EXPECT_EQ(describe_end(r), "exit 0");
    EXPECT_EQ(r.err, "fin\n");
    signal(SIGPIPE, old_pipe);
}

TEST(Terminal, TickupPromptsThenAnswersTheTypedLine) {
    Terminal t(program_path("tickup"));
    const std::string prompt = "Veuillez entrer une heure sous la forme hh:mm:ss :\r\n";
    ASSERT_TRUE(t.wait_for(prompt)) << t.screen();
    EXPECT_EQ(t.screen(), prompt);  // nothing but the prompt before typing
    t.type("23:59:59\r");
    int status = t.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(t.screen(), prompt + "23:59:59\r\n\r\nL'heure après avoir ajouté une seconde est : 00:00:00\r\n");
}

TEST(Terminal, QuadrootsPromptWithoutNewlineIsVisibleBeforeInput) {
    Terminal t(program_path("quadroots"));
    const std::string prompt =
        "Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ";
    ASSERT_TRUE(t.wait_for(prompt)) << t.screen();
    t.type("1 -3 2\r");
    int status = t.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(t.screen(), prompt + "1 -3 2\r\n"
                          "L'equation admet deux solutions reelles distinctes : x1 = 1.00 et x2 = 2.00\r\n");
}

TEST(Terminal, GradebookShowsTheTablesBeforeTheDiagnostic) {
    Terminal t(program_path("gradebook"));
    t.type("12 8 x 2 1 x -2\r");
    int status = t.finish();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
    const std::string before = "12 8 x 2 1 x -2\r\n"
                               "Les notes saisies sont :\r\n12.00 8.00 \r\n"
                               "Les coefficients sont :\r\n2.00 1.00 \r\n"
                               "gradebook: gradebook/gradecalc.cpp:";
    ASSERT_EQ(t.screen().substr(0, before.size()), before);
    EXPECT_NE(t.screen().find(": modif_notes: Assertion `EF >= 0 || EF == DEF' failed.\r\n", before.size()),
              std::string::npos)
        << t.screen();
}

}  // namespace

}  // namespace exocheck
