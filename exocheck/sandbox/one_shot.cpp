#include "sandbox/one_shot.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "run/collect.h"
#include "run/fd.h"
#include "run/launcher.h"
#include "run/now_ms.h"
#include "run/start.h"
#include "sandbox/view.h"

namespace exocheck {

namespace {

constexpr std::size_t OUTPUT_CAP = 1 << 20;
// A compiler's memory and the largest file it may write: enough for a
// learner's program, with its debugging information.
constexpr std::size_t MEMORY_CAP = std::size_t{1} << 30;
constexpr rlim_t FILE_SIZE_LIMIT = rlim_t{256} << 20;
// Inside the sandbox: where the source is, where the output is made, and
// the descriptors after the standard streams.
constexpr const char *SOURCE_DIR = "/src";
constexpr const char *OUTPUT_DIR = "/tmp/sortie";
enum : int { OUTPUT_FD = 3, SOURCE_FD, PASSWD_FD, GROUP_FD };

void record_end(int status, RunResult &r) {
    if (WIFEXITED(status)) {
        r.exited = true;
        r.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
}

Fd opened(const std::string &path, int flags, mode_t mode = 0) {
    Fd fd(open(path.c_str(), flags | O_CLOEXEC, mode));
    if (!fd.is_open()) throw std::runtime_error("impossible d'ouvrir " + path);
    return fd;
}

// The command inside the sandbox: the shot's, its output made in the
// sandbox's own /tmp (the output's directory may lie where the view shows
// nothing, or only read-only), then copied to the descriptor exocheck
// opened for it.
std::vector<std::string> sandboxed_command(const OneShot &shot, const std::string &bwrap, const std::string &name) {
    const std::string inside = std::string(OUTPUT_DIR) + "/" + std::filesystem::path(shot.output).filename().string();
    ViewFiles files;
    files.passwd = PASSWD_FD;
    files.group = GROUP_FD;
    files.hidden = shot.hidden;
    std::vector<std::string> command = {bwrap};
    const std::vector<std::string> own = {"--perms", "0755", "--dir", SOURCE_DIR,
                                          "--perms", "0444", "--file", std::to_string(SOURCE_FD),
                                          std::string(SOURCE_DIR) + "/" + name, "--perms", "0700", "--dir", OUTPUT_DIR};
    const std::vector<std::string> view = system_view_words(files, own);
    command.insert(command.end(), view.begin(), view.end());
    command.insert(command.end(), {"--chdir", SOURCE_DIR, "--", "/bin/sh", "-c",
                                   "\"$@\" && exec cat -- \"$0\" >&" + std::to_string(OUTPUT_FD), inside});
    const std::size_t shot_start = command.size();
    command.insert(command.end(), shot.command.begin(), shot.command.end());
    std::replace(command.begin() + static_cast<std::ptrdiff_t>(shot_start), command.end(), shot.output, inside);
    return command;
}

}  // namespace

RunResult run_one_shot(const OneShot &shot, Isolation isolation) {
    Pipe in = make_pipe(true), out = make_pipe(false), err = make_pipe(false);
    ChildStreams streams{std::move(in.ours), std::move(out.ours), std::move(err.ours)};
    Fd theirs[3] = {std::move(in.theirs), std::move(out.theirs), std::move(err.theirs)};
    ProcessSetup setup;
    setup.descriptors = {theirs[0].get(), theirs[1].get(), theirs[2].get()};
    const std::string name = std::filesystem::path(shot.source).filename().string();
    Fd output, source, passwd, group;
    const bool sandboxed = isolation == Isolation::sandbox;
    if (sandboxed) {
        const std::string bwrap = find_on_path("bwrap");
        if (bwrap.empty()) throw std::runtime_error("bwrap est introuvable (paquet bubblewrap)");
        setup.command = sandboxed_command(shot, bwrap, name);
        output = opened(shot.output, O_WRONLY | O_CREAT | O_TRUNC, 0755);
        source = opened(shot.source, O_RDONLY | O_NONBLOCK);
        // Root runs the sandbox as nobody, as the candidates' runner does.
        const uid_t uid = geteuid() == 0 ? 65534 : geteuid();
        const gid_t gid = geteuid() == 0 ? 65534 : getegid();
        if (geteuid() == 0) setup.uid = setup.gid = 65534;
        passwd = text_file("candidat:x:" + std::to_string(uid) + ":" + std::to_string(gid) + "::/tmp:/bin/sh\n");
        group = text_file("candidat:x:" + std::to_string(gid) + ":\n");
        setup.descriptors.insert(setup.descriptors.end(), {output.get(), source.get(), passwd.get(), group.get()});
        setup.environment = std::vector<std::string>{"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=/tmp", "TMPDIR=/tmp",
                                                    "LANG=C.UTF-8"};
    } else {
        setup.command = shot.command;
        const char *path = std::getenv("PATH");
        const std::string output_dir = std::filesystem::path(shot.output).parent_path().string();
        setup.environment = std::vector<std::string>{std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin"),
                                                    "HOME=" + output_dir, "TMPDIR=" + output_dir, "LANG=C.UTF-8"};
        const std::filesystem::path folder = std::filesystem::path(shot.source).parent_path();
        setup.directory = folder.empty() ? std::string(".") : folder.string();
    }
    setup.new_session = true;
    setup.parent_death_signal = SIGKILL;
    const rlim_t cpu = static_cast<rlim_t>(shot.timeout_ms) / 1000 + 1;
    setup.limits = {{RLIMIT_CORE, 0, 0}, {RLIMIT_CPU, cpu, cpu + 1}, {RLIMIT_FSIZE, FILE_SIZE_LIMIT, FILE_SIZE_LIMIT}};
    const Started started = start_process(setup);
    for (Fd &fd : theirs) fd.reset();
    output.reset();
    if (!started)
        throw std::runtime_error("impossible de lancer " + setup.command[0] + " (" + started.describe() + ")");
    RunResult result;
    const CollectLimits limits{now_ms() + shot.timeout_ms, OUTPUT_CAP, MEMORY_CAP};
    const Collected stop = collect(started.pid, "", streams, limits, result.out, result.err);
    kill(-started.pid, SIGKILL);
    record_end(reap(started.pid), result);
    result.timed_out = stop == Collected::timed_out;
    result.memory_capped = stop == Collected::memory;
    result.out_capped = stop == Collected::capped || !drain(streams, OUTPUT_CAP, result.out, result.err);
    return result;
}

}  // namespace exocheck
