#include "run/run_program.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "run/collect.h"
#include "run/fd.h"
#include "run/launcher.h"
#include "run/now_ms.h"
#include "run/start.h"

namespace exocheck {

namespace {

[[noreturn]] void fail(const std::string &what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void record_end(int status, RunResult &result) {
    if (WIFEXITED(status)) {
        result.exited = true;
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

}  // namespace

RunResult run_program(const std::string &path, std::string_view input, const RunOptions &options) {
    Pipe in = make_pipe(true), out = make_pipe(false), err = make_pipe(false);
    Fd to_file;
    if (!options.stdout_path.empty()) {
        to_file = Fd(open(options.stdout_path.c_str(), O_WRONLY | O_CLOEXEC));
        if (!to_file.is_open()) fail("open " + options.stdout_path);
    }
    ProcessSetup setup;
    setup.command = launch_command(path, options.arguments);  // an emulator is found on PATH
    setup.descriptors = {in.theirs.get(), to_file.is_open() ? to_file.get() : out.theirs.get(), err.theirs.get()};
    const Started started = start_process(setup);
    if (!started) throw std::runtime_error("cannot start " + path + ": " + started.describe());
    in.theirs.reset();
    out.theirs.reset();
    err.theirs.reset();
    to_file.reset();

    RunResult result;
    ChildStreams streams{std::move(in.ours), std::move(out.ours), std::move(err.ours)};
    CollectLimits limits;
    limits.deadline_ms = now_ms() + options.timeout_ms;
    if (collect(started.pid, input, streams, limits, result.out, result.err) == Collected::timed_out) {
        kill(started.pid, SIGKILL);
        result.timed_out = true;
    }
    record_end(reap(started.pid), result);
    if (!result.timed_out) drain(streams, SIZE_MAX, result.out, result.err);
    if (!result.exited) drop_emulator_report(result.err);
    return result;
}

std::string describe_end(const RunResult &r) {
    if (r.start_error != 0) return std::string("not started (") + std::strerror(r.start_error) + ")";
    if (r.timed_out) return "timed out";
    if (r.out_capped) return "output too long";
    if (r.memory_capped) return "memory too large";
    if (r.exited) return "exit " + std::to_string(r.status);
    return "signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
}

bool exited_with(const RunResult &r, int status) {
    return !r.timed_out && !r.out_capped && !r.memory_capped && r.exited && r.status == status;
}

bool aborted(const RunResult &r) {
    return !r.timed_out && !r.out_capped && !r.memory_capped && !r.exited && r.signal == SIGABRT;
}

}  // namespace exocheck
