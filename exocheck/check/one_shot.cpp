#include "check/one_shot.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "run/collect.h"
#include "run/fd.h"
#include "run/now_ms.h"
#include "run/start.h"

namespace exocheck {

namespace {

constexpr std::size_t OUTPUT_CAP = 1 << 20;

void record_end(int status, RunResult &r) {
    if (WIFEXITED(status)) {
        r.exited = true;
        r.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
    }
}

}  // namespace

RunResult run_one_shot(const OneShot &shot, Isolation) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
    const Fd out_read(out[0]);
    Fd out_write(out[1]);
    if (pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
    const Fd err_read(err[0]);
    Fd err_write(err[1]);
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("impossible de créer un tube");
    Fd null(in[0]);
    Fd in_write(in[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    fcntl(err[0], F_SETFL, O_NONBLOCK);
    StartSpec spec;
    spec.command = shot.command;
    spec.descriptors = {null.get(), out_write.get(), err_write.get()};
    const char *path = std::getenv("PATH");
    spec.environment = std::vector<std::string>{std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin"),
                                                "HOME=" + shot.output_dir, "TMPDIR=" + shot.output_dir, "LANG=C.UTF-8"};
    const std::filesystem::path folder = std::filesystem::path(shot.source).parent_path();
    spec.directory = shot.source.empty() ? shot.output_dir : folder.empty() ? std::string(".") : folder.string();
    spec.environment->insert(spec.environment->end(), shot.environment.begin(), shot.environment.end());
    spec.new_session = true;
    spec.parent_death_signal = SIGKILL;
    const auto cpu = static_cast<rlim_t>(shot.timeout_ms / 1000 + 1);
    spec.limits = {{RLIMIT_CORE, 0, 0}, {RLIMIT_CPU, cpu, cpu + 1}, {RLIMIT_FSIZE, rlim_t{256} << 20, rlim_t{256} << 20}};
    const Started started = start_process(spec);
    if (!started) {
        RunResult r;
        r.start_error = started.error;
        return r;
    }
    out_write.reset();
    err_write.reset();
    null.reset();
    RunResult result;
    ChildStreams streams{std::move(in_write), Fd(dup(out_read.get())), Fd(dup(err_read.get()))};
    const CollectLimits limits{now_ms() + shot.timeout_ms, OUTPUT_CAP};
    const Collected stop = collect(started.pid, shot.input, streams, limits, result.out, result.err);
    kill(-started.pid, SIGKILL);
    record_end(reap(started.pid), result);
    result.timed_out = stop == Collected::timed_out;
    result.out_capped = stop == Collected::capped || !drain(streams, OUTPUT_CAP, result.out, result.err);
    return result;
}

}  // namespace exocheck
