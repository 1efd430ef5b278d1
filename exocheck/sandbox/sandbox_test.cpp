// The runner of untrusted candidates: how each misbehaving fixture's run
// ends, in both isolation modes; what the sandbox keeps from the machine;
// that nothing outlives a run or the runner; why a candidate cannot run.
// The fixtures (fixtures/confine_probe.c, started by the names below) are
// bounded whatever happens: an alarm ends each within 20 s.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "processes.h"
#include "run/launcher.h"
#include "run/proc.h"
#include "run/ptys.h"
#include "sandbox/cannot_run.h"
#include "sandbox/runner.h"
#include "sandbox/view.h"
#include "sandbox/worker.h"

namespace exocheck {

namespace {

const std::string built = CONFINE_BUILT;
const std::string sources = CONFINE_SOURCES;

// Every name the probe answers to, and the script.
const std::vector<std::string> fixture_names = {
    "confine-see", "confine-reach", "confine-killall", "confine-killparent", "confine-remember", "confine-fill",
    "confine-fill-tmp", "confine-files", "confine-fork-bomb", "confine-userns", "confine-hog", "confine-reserve",
    "confine-tty",
    "confine-loop",    "confine-flood-out", "confine-flood-err",    "confine-segv",       "confine-bytes",
    "confine-ttys",    "confine-line-abort", "confine-prompt-abort", "confine-child-holds-out",
    "confine-scatter", "confine-reads",     "confine-write",        "confine-connect",    "confine-env",
    "confine-memory",  "confine-linger",    "confine-kill-group",   "confine-litter",     "confine-burst",
    "confine-namespaces", "confine_leave_child.sh"};

// Short enough for a loop to cost little, long enough for a loaded machine.
constexpr int test_timeout_ms = 800;

const char *mode_name(Isolation isolation) { return isolation == Isolation::sandbox ? "sandbox" : "none"; }

// A folder of this test program's own under /tmp: copies of the fixtures
// (so that what a test finds alive is its own, whatever runs beside it; and
// the sandbox hides /tmp, so they are the candidates it must show), and the
// unconfined runs' directories (TMPDIR), which must end empty. The workers
// carry a mark in their environment.
std::vector<std::string> entries(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (const dirent *e = readdir(d))
            if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..") names.emplace_back(e->d_name);
        closedir(d);
    }
    return names;
}

// A test program that crashed could not remove its folder: the next one
// removes the folders of programs no longer alive.
void remove_stale_scratch() {
    for (const std::string &name : entries("/tmp")) {
        if (!name.starts_with("exocheck-sandbox-test-")) continue;
        const long pid = std::strtol(name.c_str() + std::string_view("exocheck-sandbox-test-").size(), nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            EXPECT_EQ(std::system(("rm -rf '/tmp/" + name + "'").c_str()), 0);
        }
    }
}

struct Scratch {
    Scratch() {
        remove_stale_scratch();
        std::string dir = "/tmp/exocheck-sandbox-test-" + std::to_string(getpid()) + "-XXXXXX";
        if (mkdtemp(dir.data()) == nullptr) throw std::runtime_error("mkdtemp");
        root = dir;
        tmp = root + "/tmp";
        bin = root + "/bin";
        mark = "EXOCHECK_SANDBOX_TEST=" + root;
        mkdir(tmp.c_str(), 0700);
        mkdir(bin.c_str(), 0700);
        setenv("TMPDIR", tmp.c_str(), 1);
        setenv("EXOCHECK_SANDBOX_TEST", root.c_str(), 1);
        const std::string copy = "cp " + built + "/confine_probe " + sources + "/confine_leave_child.sh " + bin;
        if (std::system(copy.c_str()) != 0) throw std::runtime_error(copy);
        for (const std::string &name : fixture_names)
            if (name.starts_with("confine-") && symlink("confine_probe", (bin + "/" + name).c_str()) != 0)
                throw std::runtime_error("symlink " + name);
        // The builds with the sanitizer, and claiming it, where there are.
        for (const char *variant : {"asan", "claim"}) {
            const std::string program = "confine_probe_" + std::string(variant);
            if (access((built + "/" + program).c_str(), X_OK) != 0) continue;
            if (std::system(("cp " + built + "/" + program + " " + bin).c_str()) != 0) throw std::runtime_error(program);
            for (const char *name : {"confine-hog.", "confine-reserve."})
                if (symlink(program.c_str(), (bin + "/" + name + variant).c_str()) != 0)
                    throw std::runtime_error("symlink " + program);
        }
    }
    ~Scratch() { EXPECT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0); }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
    std::string root, tmp, bin, mark;
};

Scratch &scratch() {
    static Scratch s;
    return s;
}

std::string fixture(const std::string &name) { return scratch().bin + "/" + name; }

std::string self_exe() { return process_exe(getpid()); }


std::string read_file(const std::string &path) {
    std::string content;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char buf[65536];
    for (ssize_t n = 0; fd >= 0 && (n = read(fd, buf, sizeof buf)) > 0;) content.append(buf, static_cast<std::size_t>(n));
    if (fd >= 0) close(fd);
    return content;
}

// The processes still alive that this program's fixtures started: the probe
// (itself, or through an emulator), whatever name it was started by; the
// runner's own are left out (bwrap names them in its command line).
std::vector<std::string> fixture_processes() {
    std::vector<std::string> found;
    // In the sandbox a run knows its candidate as /candidat/<name>: this
    // program's own are below it (another test program may run beside).
    const std::vector<pid_t> below = descendants(getpid());
    for (const LiveProcess &p : live_processes([&](const LiveProcess &p) {
             return p.cmdline.find(internal_worker_option) == std::string::npos &&
                    (p.exe == fixture("confine_probe") || p.cmdline.find(scratch().bin + "/confine") != std::string::npos ||
                     (p.cmdline.find(std::string(run_candidate_root) + "/confine") != std::string::npos &&
                      std::find(below.begin(), below.end(), p.pid) != below.end()));
         }))
        found.push_back(p.shown());
    return found;
}

// Two limits of qemu-user, which runs this program in a cross build: it
// ignores a guest's RLIMIT_AS (its own memory would not fit in it), and it
// refuses PR_SET_CHILD_SUBREAPER, so that a process that made a session of
// its own escapes a run. An arm64 or s390x machine has neither limit.
bool escapes_emulated(const std::string &candidate) {
    return emulated() && (candidate == "confine-memory" || candidate == "confine-scatter");
}

// Ends what escaped (the process that made its own session, which may be
// born a little after the run), so that nothing this program started
// outlives it.
void kill_escaped() {
    for (int tries = 0; tries < 300 && fixture_processes().empty(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (int round = 0; round < 3; ++round) {
        for (const std::string &found : fixture_processes()) kill(static_cast<pid_t>(std::stol(found)), SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::vector<std::string> all_candidates() {
    std::vector<std::string> all;
    for (const std::string &name : fixture_names) all.push_back(fixture(name));  // cppcheck-suppress useStlAlgorithm
    return all;
}

// One runner per isolation mode for the whole program: a sandbox is started
// once per check, as exocheck does.
CandidateRunner &runner(Isolation isolation) {
    scratch();
    static CandidateRunner none(Isolation::none, 2, all_candidates(), {test_timeout_ms, 1 << 20});
    if (isolation == Isolation::none) return none;
    static CandidateRunner sandbox(Isolation::sandbox, 2, all_candidates(), {test_timeout_ms, 1 << 20});
    return sandbox;
}

// Whether bwrap itself makes a sandbox here (user namespaces allowed), asked
// without the code under test: where it does, every sandbox row must pass.
bool bwrap_runs() {
    static const bool runs = std::system("bwrap --ro-bind / / --unshare-all --die-with-parent true >/dev/null 2>&1") == 0;
    return runs;
}

std::vector<Isolation> modes() {
    if (bwrap_runs()) return {Isolation::none, Isolation::sandbox};
    std::cerr << "bwrap cannot start a sandbox here: the sandbox rows are skipped\n";
    return {Isolation::none};
}

std::string all_bytes() {
    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    return bytes;
}

// A long output as its size and its ends, for messages.
std::string shorten(const std::string &text) {
    if (text.size() <= 300) return text;
    return std::to_string(text.size()) + " bytes: " + text.substr(0, 20) + "..." + text.substr(text.size() - 20);
}

// How a run ends, and what it wrote when that matters.
struct Row {
    std::string candidate;
    std::string input;
    bool terminal;  // standard input a terminal
    std::string ending;
    std::optional<std::string> out;
    std::optional<std::string> err = std::nullopt;
};

TEST(CandidateRun, EachFixtureEndsAsExpectedInEveryMode) {
    const std::string long_line(terminal_line_max, 'x');
    const std::vector<Row> rows = {
        // Standard output: a terminal in raw mode, no byte translated.
        {"confine-bytes", "", false, "exit 0", all_bytes()},
        {"confine-ttys", "", false, "exit 0", "in=0 out=1 err=0\n"},
        {"confine-ttys", "", true, "exit 0", "in=1 out=1 err=0\n"},
        // Line-buffered as at a terminal: a whole line shows before an abort.
        {"confine-line-abort", "", false, "signal 6 (Aborted)", "ligne\n"},
        // At a terminal each read takes one line, and the C library shows the
        // prompt before it reads: a pipe gives the whole input at once.
        {"confine-prompt-abort", "4\n5\n", false, "signal 6 (Aborted)", ""},
        {"confine-prompt-abort", "4\n5\n", true, "signal 6 (Aborted)", "a? b? "},
        {"confine-reads", "1 2\n3\n", false, "exit 0", "[6:1 2\\n3\\n][end 0]\n"},
        {"confine-reads", "1 2\n3\n", true, "exit 0", "[4:1 2\\n][2:3\\n][end 0]\n"},
        {"confine-reads", "", true, "exit 0", "[end 0]\n"},
        // A partial last line is pushed by one Ctrl-D, the end by another.
        {"confine-reads", "1\nabc", true, "exit 0", "[2:1\\n][3:abc][end 0]\n"},
        // Bytes a terminal would take as keys come through as they are.
        {"confine-reads", std::string("a\x04" "b\x16" "c\0\x7f\x03\x15\x17\x12\x13\x11\r\n", 15), true, "exit 0",
         "[15:a\\x04b\\x16c\\x00\\x7f\\x03\\x15\\x17\\x12\\x13\\x11\\x0d\\n][end 0]\n"},
        {"confine-reads", long_line + "\n" + long_line, true, "exit 0", "[4096][4095][end 0]\n"},
        // The limits.
        {"confine-loop", "", false, "timed out", ""},
        {"confine-flood-out", "", false, "output too long", std::string(1 << 20, 'y')},
        {"confine-flood-err", "", false, "output too long", "", std::string(1 << 20, 'y')},
        {"confine-memory", "", false, "exit 1", ""},
        {"confine-segv", "", false, "signal 11 (Segmentation fault)", ""},
        // A signal to its whole group reaches its own group only.
        {"confine-kill-group", "", false, "signal 15 (Terminated)", ""},
        // What is still in the streams when it ends is read too.
        {"confine-burst", "", false, "exit 0", std::string(300000, 'z'), std::string(300000, 'w')},
        // What it leaves behind does not hold the run past its own end.
        {"confine-child-holds-out", "", false, "exit 0", "parent\n"},
        {"confine-scatter", "", false, "exit 0", "dispersé\n"},
        {"confine_leave_child.sh", "", false, "exit 0", "parti\n"},
        // Where it runs: an empty directory of its own, a reduced
        // environment, no descriptor but the three streams, no core file, a
        // CPU limit a second above the wall clock's.
        // A run's leftovers in its directory are gone before the next run.
        {"confine-litter", "", false, "exit 0", ""},
        {"confine-env", "", false, "exit 0",
         "empty=1 home=1 tmpdir=1 lang=C.UTF-8 path=1 vars=" + std::to_string(emulated() ? 5 : 4) +
             " fds=0,1,2, core=0/0 cpu=2/3\n"},
    };
    for (const Isolation isolation : modes()) {
        for (const Row &row : rows) {
            if (row.candidate == "confine-memory" && escapes_emulated(row.candidate)) continue;
            const auto start = std::chrono::steady_clock::now();
            const RunResult r = runner(isolation).run(0, fixture(row.candidate), row.input, row.terminal);
            // What a run leaves sleeps 20 s: a run that waits for it, instead
            // of killing it, takes that long.
            const auto took = std::chrono::steady_clock::now() - start;
            if (escapes_emulated(row.candidate)) kill_escaped();
            const std::string shown = std::string(mode_name(isolation)) + " " + row.candidate +
                                      (row.terminal ? " at a terminal" : "") + " on " + testing::PrintToString(row.input);
            EXPECT_EQ(describe_end(r), row.ending) << shown;
            EXPECT_EQ(r.start_error, 0) << shown;
            EXPECT_EQ(shorten(r.out), shorten(row.out.value_or(r.out))) << shown;
            EXPECT_EQ(shorten(r.err), shorten(row.err.value_or(r.err))) << shown;
            EXPECT_EQ(fixture_processes(), std::vector<std::string>{}) << shown << ": left behind";
            EXPECT_LT(took, std::chrono::seconds(10)) << shown;
        }
    }
}

// A loopback port that accepts connections while it lives.
struct Listener {
    Listener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&a), size) != 0 || listen(fd, 8) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) != 0)
            throw std::runtime_error("cannot listen on loopback");
        port = ntohs(a.sin_port);
    }
    ~Listener() { close(fd); }
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;
};

// What a hostile candidate tries, and what must hold: unconfined, it
// succeeds (which shows the fixture works), unless it would harm the
// machine or the test (no unconfined ending then); in the sandbox, it
// reaches nothing of the machine, of exocheck or of another run.
struct Escape {
    std::string what;
    std::string candidate;
    std::string input;
    std::string file;  // the file it writes, if any: on the machine afterwards unconfined only
    std::string ending_unconfined, ending_sandboxed;
    std::string out_sandboxed = "";  // its output in the sandbox, when that matters
};

// What this program shares with the machine, as confine-namespaces prints it.
std::vector<std::string> own_namespaces() {
    std::vector<std::string> mine;
    for (const char *kind : {"pid", "ipc", "mnt", "net", "uts"}) {
        char link[128] = "";
        const ssize_t n = readlink((std::string("/proc/self/ns/") + kind).c_str(), link, sizeof link - 1);
        mine.emplace_back(n > 0 ? link : "?");
    }
    for (const char *dir : {"/dev", "/proc", "/tmp"}) {
        struct stat st {};
        mine.push_back(std::string(dir) + ":" + std::to_string(stat(dir, &st) == 0 ? st.st_dev : 0));
    }
    return mine;
}

std::vector<std::string> words(const std::string &line) {
    std::vector<std::string> w;
    std::istringstream in(line);
    for (std::string word; in >> word;) w.push_back(word);
    return w;
}

// A run under Valgrind (--memoire) is confined alike: Valgrind, a program
// of /usr, starts in the run's own namespaces and sees what the run sees.
TEST(CandidateRun, TheSandboxHasItsOwnNamespacesDevProcAndTmp) {
    if (!bwrap_runs()) GTEST_SKIP() << "bwrap cannot start a sandbox here";
    const std::vector<std::string> mine = own_namespaces();
    struct Way {
        const char *name;
        Isolation isolation;
        std::vector<std::string> wrapper;
    };
    std::vector<Way> ways = {{"none", Isolation::none, {}}, {"sandbox", Isolation::sandbox, {}}};
#ifdef VALGRIND
    ways.push_back({"sandbox, under Valgrind", Isolation::sandbox, {VALGRIND, "-q", "--tool=none"}});
#endif
    // Under qemu-user, which makes no namespace, the runs share the
    // sandbox's /tmp, where the candidates wait.
    const std::string hidden = "/home\n/root\n" + self_exe() + "\n" + (emulated() ? "" : std::string(candidates_root) + "\n") +
                               fixture("confine-ttys") + "\n";
    std::string absent;
    for (const std::string &path : words(hidden)) absent += path + " absent\n";
    for (const Way &way : ways) {
        // Valgrind takes about a second to start on a loaded machine.
        CandidateRunner r(way.isolation, 1, {fixture("confine-namespaces"), fixture("confine-see")}, {20000, 1 << 20});
        const RunResult run = r.run_wrapped(0, fixture("confine-namespaces"), "", way.wrapper, {});
        const std::vector<std::string> theirs = words(run.out);
        ASSERT_EQ(theirs.size(), mine.size()) << way.name << ": " << describe_end(run) << "\n" << run.err;
        for (std::size_t i = 0; i < mine.size(); ++i)
            EXPECT_EQ(theirs[i] == mine[i], way.isolation == Isolation::none) << way.name << ": " << mine[i];
        if (way.isolation == Isolation::none) continue;
        const RunResult seen = r.run_wrapped(0, fixture("confine-see"), hidden, way.wrapper, {});
        EXPECT_EQ(describe_end(seen), "exit 0") << way.name << "\n" << seen.err;
        EXPECT_EQ(seen.out, absent) << way.name;
    }
}

TEST(CandidateRun, WhyTheSandboxDidNotStartIsToldInFrench) {
    // A bwrap that cannot start a sandbox, as where namespaces are not
    // allowed: its reason comes in the message.
    const std::string fake = scratch().root + "/fake-bwrap";
    mkdir(fake.c_str(), 0755);
    chmod(scratch().root.c_str(), 0755);  // root starts bwrap as nobody
    std::ofstream(fake + "/bwrap") << "#!/bin/sh\necho 'bwrap: No permissions to create new namespace' >&2\nexit 1\n";
    chmod((fake + "/bwrap").c_str(), 0755);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fake + ":" + path).c_str(), 1);
    try {
        const CandidateRunner r(Isolation::sandbox, 1, {fixture("confine-ttys")}, {});
        ADD_FAILURE() << "started";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(std::string(e.what()),
                  "bac à sable bubblewrap indisponible : bwrap: No permissions to create new namespace");
    }
    setenv("PATH", path.c_str(), 1);
}

TEST(CandidateRun, TheSandboxKeepsTheMachineOutOfReach) {
    if (!bwrap_runs()) GTEST_SKIP() << "bwrap cannot start a sandbox here";
    // qemu-user makes no namespace: the emulated runs share the sandbox.
    if (emulated()) GTEST_SKIP() << "no namespace of a run's own under qemu-user";
    const Listener listener;
    const std::string outside = "/var/tmp/exocheck-sandbox-test-written-" + std::to_string(getpid());
    const std::string in_tmp = "/tmp/exocheck-sandbox-test-written-" + std::to_string(getpid());
    // A file of the user's outside /tmp: a home's, a build tree's.
    const std::string secret = built + "/secret-" + std::to_string(getpid());
    std::ofstream(secret) << "secret\n";
    const std::string hidden = "/root\n/home\n/srv\n/var\n/opt\n/mnt\n/media\n/run\n" + secret + "\n" +
                               fixture("confine-bytes") + "\n" + candidates_root + "\n" + self_exe() + "\n";
    std::string absent;
    for (const std::string &path : words(hidden)) absent += path + " absent\n";
    const std::vector<Escape> rows = {
        {"a file in /var/tmp", "confine-write", outside + "\n", outside, "exit 0", "exit 1"},
        // /tmp is the run's own: the write succeeds there, unseen here.
        {"a file in /tmp", "confine-write", in_tmp + "\n", in_tmp, "exit 0", "exit 0"},
        {"a loopback connection", "confine-connect", std::to_string(listener.port) + "\n", "", "exit 0", "exit 1"},
        // Homes, the system's data, the user's files, another candidate,
        // the workers' copies of the candidates, exocheck's own program.
        {"what a program does not need", "confine-see", hidden, "", "exit 1", "exit 0", absent},
        // No process of exocheck is in sight: its parent is the run's own.
        {"its parent's environment, memory, descriptors (to forge a result), tracing", "confine-reach", "", "", "exit 1", "exit 0",
         "others=0 environ=0 mem=0 getfd=0 ptrace=0 fds=0\n"},
        {"killing every process it may", "confine-killall", "", "", "", "exit 0", "survécu\n"},
        {"killing its parent", "confine-killparent", "", "", "", "exit 0", "survécu\n"},
        // What a run leaves, the next one does not find.
        {"leaving a trace", "confine-remember", "", "", "", "exit 0", "fresh\n"},
        {"finding a trace", "confine-remember", "", "", "", "exit 0", "fresh\n"},
        {"filling its directory", "confine-fill", "", "", "exit 0", "exit 0", "32 MiB: No space left on device\n"},
        {"making files without end", "confine-files", "", "", "", "exit 0",
         "4095 files: No space left on device\n"},
        // 20 MiB each time: two runs would not fit together in 32 MiB.
        {"leaving 20 MiB in /tmp", "confine-fill-tmp", "", "", "exit 0", "exit 0", "20 MiB\n"},
        {"leaving 20 MiB in /tmp again", "confine-fill-tmp", "", "", "exit 0", "exit 0", "20 MiB\n"},
        {"a fork bomb", "confine-fork-bomb", "", "", "", "exit 0", "63 forks: Resource temporarily unavailable\n"},
        {"a user namespace of its own", "confine-userns", "", "", "exit 0", "exit 0", "No space left on device\n"},
        // Unconfined it would type into the terminal this test runs at.
        {"the terminal", "confine-tty", "", "", "", "exit 0", "tty=No such device or address sti0=0 sti1=0 sti2=0 parent=No such file or directory\n"},
    };
    for (const Escape &row : rows) {
        for (const Isolation isolation : {Isolation::none, Isolation::sandbox}) {
            const bool confined = isolation == Isolation::sandbox;
            if (!confined && row.ending_unconfined.empty()) continue;
            unlink(row.file.c_str());
            const RunResult r = runner(isolation).run(1, fixture(row.candidate), row.input);
            EXPECT_EQ(describe_end(r), confined ? row.ending_sandboxed : row.ending_unconfined)
                << mode_name(isolation) << ": " << row.what << r.err;
            if (confined && !row.out_sandboxed.empty()) {
                EXPECT_EQ(r.out, row.out_sandboxed) << row.what;
            }
            if (!row.file.empty()) {
                EXPECT_EQ(access(row.file.c_str(), F_OK) == 0, !confined) << mode_name(isolation) << ": " << row.what;
            }
            unlink(row.file.c_str());
        }
    }
    unlink(secret.c_str());
    // Every run above left the runner as it was: the next runs as ever.
    EXPECT_EQ(runner(Isolation::sandbox).run(1, fixture("confine-ttys"), "").out, "in=0 out=1 err=0\n");
    EXPECT_EQ(fixture_processes(), std::vector<std::string>{});
}

// The memory of a run's processes together is capped, whatever the program
// says it is: with AddressSanitizer (which no address-space limit admits),
// or claiming it in its bytes. The cap is lowered here for a quick test.
TEST(CandidateRun, MemoryIsCappedWhateverTheProgramClaims) {
    if (!bwrap_runs()) GTEST_SKIP() << "bwrap cannot start a sandbox here";
    if (access(fixture("confine-hog.claim").c_str(), X_OK) != 0) GTEST_SKIP() << "no sanitizer build here";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"confine-hog", "memory too large"},
        {"confine-hog.claim", "memory too large"},
        {"confine-hog.asan", "memory too large"},
        // Memory reserved, never used: its data limit, the sanitizer says so.
        {"confine-reserve.asan", "exit 1"},
    };
    RunLimits limits{5000, 1 << 20};
    limits.memory_cap = std::size_t{64} << 20;
    std::vector<std::string> candidates;
    for (const auto &row : rows) candidates.push_back(fixture(row.first));  // cppcheck-suppress useStlAlgorithm
    CandidateRunner r(Isolation::sandbox, 1, candidates, limits);
    for (const auto &[candidate, ending] : rows) {
        const RunResult result = r.run(0, fixture(candidate), "");
        EXPECT_EQ(describe_end(result), ending) << candidate << "\n" << result.out << result.err.substr(0, 300);
        if (candidate == "confine-reserve.asan") {
            EXPECT_NE(result.err.find("AddressSanitizer"), std::string::npos) << result.err;
        }
    }
}

// A candidate reached through a link from a place the sandbox shows (a
// learner's ~/bin) to one it hides (/tmp) runs there as it does here.
TEST(CandidateRun, ALinkToAHiddenFileStillRuns) {
    if (!bwrap_runs()) GTEST_SKIP() << "bwrap cannot start a sandbox here";
    const std::string dir = built + "/link-" + std::to_string(getpid());
    const std::string link = dir + "/confine-ttys";  // the probe acts by its name
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(symlink(fixture("confine_probe").c_str(), link.c_str()), 0);
    {
        CandidateRunner r(Isolation::sandbox, 1, {link}, {test_timeout_ms, 1 << 20});
        const RunResult result = r.run(0, link, "");
        EXPECT_EQ(result.start_error, 0);
        EXPECT_EQ(result.out, "in=0 out=1 err=0\n");
    }
    unlink(link.c_str());
    rmdir(dir.c_str());
}

// The worker processes of this test program still alive (bwrap's included):
// they have its mark in their environment.
std::vector<std::string> worker_processes() {
    std::vector<std::string> found;
    for (const LiveProcess &p : live_processes([](const LiveProcess &p) {
             return p.cmdline.find(internal_worker_option) != std::string::npos &&
                    process_file(p.pid, "environ").find(scratch().mark + '\0') != std::string::npos;
         }))
        found.push_back(p.shown());
    return found;
}

TEST(CandidateRun, NothingOutlivesTheRunnerNorARunItStops) {
    const std::string own_tmp = scratch().root + "/own-tmp";
    mkdir(own_tmp.c_str(), 0700);
    setenv("TMPDIR", own_tmp.c_str(), 1);
    for (const Isolation isolation : modes()) {
        const std::vector<std::string> workers_before = worker_processes();
        {
            CandidateRunner own(isolation, 2, all_candidates(), {20000, 1 << 20});
            EXPECT_EQ(describe_end(own.run(0, fixture("confine-scatter"), "")), "exit 0");
            if (escapes_emulated("confine-scatter")) kill_escaped();
            // A run in progress when everything is stopped, as at Ctrl-C: it
            // throws at once, its candidate killed.
            std::thread looping([&] { EXPECT_THROW(own.run(1, fixture("confine-loop"), ""), std::runtime_error); });
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const auto before = std::chrono::steady_clock::now();
            own.kill_all();
            looping.join();
            EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3)) << mode_name(isolation);
            EXPECT_EQ(fixture_processes(), std::vector<std::string>{}) << mode_name(isolation);
            EXPECT_EQ(worker_processes(), workers_before) << mode_name(isolation);
            EXPECT_EQ(entries(own_tmp), std::vector<std::string>{}) << mode_name(isolation);
            EXPECT_THROW(own.run(0, fixture("confine-ttys"), ""), std::runtime_error);
        }
        CandidateRunner other(isolation, 1, {fixture("confine_leave_child.sh")}, {test_timeout_ms, 1 << 20});
        EXPECT_EQ(other.run(0, fixture("confine_leave_child.sh"), "").out, "parti\n");
    }
    setenv("TMPDIR", scratch().tmp.c_str(), 1);
}

TEST(CandidateRun, JobsRunAtOnceFromTheirOwnThreadsEachGetTheirOwnResults) {
    for (const Isolation isolation : modes()) {
        runner(isolation);  // made here: its workers die with the thread that makes it
        auto runs = [&](int job) {
            for (int i = 0; i < 20; ++i) {
                const std::string input = std::to_string(job) + " " + std::to_string(i) + "\n";
                const RunResult r = runner(isolation).run(job, fixture("confine-reads"), input);
                EXPECT_EQ(r.out, "[" + std::to_string(input.size()) + ":" + input.substr(0, input.size() - 1) +
                                     "\\n][end 0]\n")
                    << mode_name(isolation) << " job " << job;
            }
        };
        std::thread other(runs, 1);
        runs(0);
        other.join();
    }
}

TEST(CandidateRun, TheSandboxIsAvailableWhereBwrapRuns) { EXPECT_EQ(sandbox_available(), bwrap_runs()); }

TEST(CandidateRun, ArgumentsOutsideTheContractAreRefused) {
    CandidateRunner &r = runner(Isolation::none);
    EXPECT_THROW(r.run(2, fixture("confine-ttys"), ""), std::invalid_argument);
    EXPECT_THROW(r.run(-1, fixture("confine-ttys"), ""), std::invalid_argument);
    EXPECT_THROW(r.run(0, built + "/confine_probe", ""), std::invalid_argument);  // not one of its candidates
    EXPECT_THROW(r.run(0, fixture("confine-reads"), std::string(terminal_line_max + 1, 'x'), true),
                 std::invalid_argument);
    EXPECT_THROW(CandidateRunner(Isolation::none, 1, {"confine-ttys"}, {}), std::invalid_argument);
}

TEST(CandidateRun, LinesATerminalCanTake) {
    const std::string longest(terminal_line_max, 'x');
    const std::vector<std::pair<std::string, bool>> rows = {
        {"", true},
        {longest, true},
        {longest + "\n" + longest + "\n", true},
        {longest + "x", false},
        {"a\n" + longest + "x\nb\n", false},
        {"a\n" + longest + "x", false},
    };
    for (const auto &[input, fits] : rows) EXPECT_EQ(fits_terminal(input), fits) << input.size() << " bytes";
}

// Writes `value` in `size` bytes at `at`, little-endian.
void put(std::string &bytes, std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xffU);
}

// A minimal ELF header (64 bytes, little-endian, 64-bit) of type `type` for
// machine `machine`, with one program header naming `loader` if not empty.
std::string elf(unsigned type, unsigned machine, const std::string &loader = "") {
    std::string h(64, '\0');
    h.replace(0, 4, "\x7f" "ELF");
    h[4] = 2;  // 64-bit
    h[5] = 1;  // little-endian
    h[6] = 1;
    put(h, 16, type, 2);
    put(h, 18, machine, 2);
    if (loader.empty()) return h;
    put(h, 32, 64, 8);  // e_phoff
    put(h, 54, 56, 2);  // e_phentsize
    put(h, 56, 1, 2);   // e_phnum
    std::string ph(56, '\0');
    put(ph, 0, 3, 4);                     // PT_INTERP
    put(ph, 8, 64 + 56, 8);               // p_offset
    put(ph, 32, loader.size() + 1, 8);    // p_filesz
    return h + ph + loader + '\0';
}

// This test program's own machine, as its ELF header says.
unsigned own_machine() {
    const std::string h = read_file("/proc/self/exe");
    return static_cast<unsigned char>(h[18]) | (static_cast<unsigned>(static_cast<unsigned char>(h[19])) << 8U);
}

std::string make_file(const std::string &name, const std::string &content, mode_t mode) {
    const std::string path = scratch().bin + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    chmod(path.c_str(), mode);
    return path;
}

TEST(CannotRun, EachReasonIsNamedBeforeAnyRun) {
    const std::string dir = scratch().bin + "/a-directory";
    mkdir(dir.c_str(), 0755);
    const std::string fifo = scratch().bin + "/a-fifo";
    mkfifo(fifo.c_str(), 0755);
    const std::string dangling = scratch().bin + "/dangling";
    ASSERT_EQ(symlink("/nonexistent/exocheck-test", dangling.c_str()), 0);
    const unsigned aarch64 = 183, x86_64 = 62;
    const unsigned foreign = own_machine() == aarch64 ? x86_64 : aarch64;
    std::vector<std::pair<std::string, std::string>> rows = {
        {fixture("confine_probe"), ""},
        {fixture("confine_leave_child.sh"), ""},
        {make_file("env-split.sh", "#!/usr/bin/env -S sh -e\n", 0755), ""},
        {scratch().bin + "/missing", "« " + scratch().bin + "/missing » n'existe pas."},
        {dangling, "est un lien symbolique vers un fichier qui n'existe pas"},
        {dir, "« " + dir + " » est un répertoire, pas un programme."},
        {fifo, "n'est pas un fichier ordinaire"},
        {make_file("not-executable.sh", "#!/bin/sh\necho x\n", 0644), "n'est pas exécutable"},
        {make_file("empty", "", 0755), "est vide"},
        {make_file("no-shebang", "echo x\n", 0755), "ni un programme compilé (ELF) ni un script commençant par #!"},
        {make_file("lost-interpreter.sh", "#!/nonexistent/exocheck-shell -x\n", 0755),
         "l'interpréteur « /nonexistent/exocheck-shell » de"},
        {make_file("windows.sh", "#!/bin/sh\r\necho x\r\n", 0755), "fins de ligne Windows (CR LF) : son interpréteur « /bin/sh\\r »"},
        {make_file("no-interpreter.sh", "#!   \n", 0755), "sans nommer d'interpréteur"},
        {make_file("text-interpreter.sh", "#!" + make_file("plain-text", "x\n", 0644) + "\n", 0755),
         "l'interpréteur « " + scratch().bin + "/plain-text » de « " + scratch().bin + "/text-interpreter.sh » n'est pas exécutable."},
        {make_file("env-missing.sh", "#!/usr/bin/env exocheck-no-such-program\n", 0755),
         "« exocheck-no-such-program », que"},
        // The kernel gives env "sh -e" as one word: no program has that name.
        {make_file("env-one-word.sh", "#!/usr/bin/env sh -e\n", 0755), "« sh -e », que"},
        {make_file("foreign", elf(2, foreign), 0755), std::string("un exécutable pour ") + (foreign == aarch64 ? "aarch64" : "x86-64")},
        {make_file("object.o", elf(1, own_machine()), 0755), "fichier objet"},
        {make_file("core", elf(4, own_machine()), 0755), "» est un fichier ELF qui n'est pas un exécutable."},
    };
    // Under an emulator the loader is looked for under its prefix, by it.
    if (!emulated())
        rows.emplace_back(make_file("lost-loader", elf(2, own_machine(), "/nonexistent/ld-exocheck.so.1"), 0755),
                          "le chargeur « /nonexistent/ld-exocheck.so.1 »");
    for (const auto &[path, reason] : rows) {
        const std::string said = cannot_run(path);
        if (reason.empty())
            EXPECT_EQ(said, "") << path;
        else
            EXPECT_NE(said.find(reason), std::string::npos) << path << ": " << said;
    }
}

TEST(CannotRun, WhatOnlyStartingTellsComesBackAsTheStartError) {
    // Through an emulator it is the emulator that starts: it says so itself.
    if (emulated()) GTEST_SKIP() << "started through PETITS_EMULATOR";
    // An executable being written cannot start (ETXTBSY); a loader missing
    // makes exec fail as if the program were (ENOENT).
    const std::string busy = make_file("busy", read_file(fixture("confine_probe")), 0755);
    const std::string lost = make_file("lost-loader-run", elf(2, own_machine(), "/nonexistent/ld-exocheck.so.1"), 0755);
    const int writing = open(busy.c_str(), O_WRONLY | O_CLOEXEC);
    const std::vector<std::pair<std::string, int>> rows = {{busy, ETXTBSY}, {lost, ENOENT}};
    for (const Isolation isolation : modes()) {
        std::vector<std::string> paths;
        for (const auto &row : rows) paths.push_back(row.first);  // cppcheck-suppress useStlAlgorithm
        CandidateRunner r(isolation, 1, paths, {test_timeout_ms, 1 << 20});
        for (const auto &[path, error] : rows) {
            const RunResult result = r.run(0, path, "");
            EXPECT_EQ(result.start_error, error) << mode_name(isolation) << " " << path << ": " << describe_end(result) << "\n" << result.err;
            EXPECT_FALSE(result.exited);
            EXPECT_NE(cannot_start(path, result.start_error).find("« " + path + " » n'a pas pu être lancé"),
                      std::string::npos);
        }
    }
    close(writing);
    EXPECT_EQ(cannot_start(busy, ETXTBSY),
              "« " + busy + " » n'a pas pu être lancé : il est en cours d'écriture (la compilation est-elle finie ?).");
}

}  // namespace

}  // namespace exocheck

// The runner starts this program again as its workers.
int main(int argc, char **argv) {
    if (const std::optional<int> status = exocheck::internal_worker(argc, argv)) return *status;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
