// Linked into every program: a report that could not be written (full disk,
// closed pipe, /dev/full) must not end with exit status 0. At exit, standard
// output is flushed once; if that or any earlier write failed, one line goes
// to standard error and the status becomes 1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void check_stdout_at_exit() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: erreur d'écriture sur la sortie standard\n",
                     program_invocation_short_name);
        // exit() is already running: only _exit may end the process from here.
        _exit(1);
    }
}

__attribute__((constructor)) void install_stdout_check() {
    std::atexit(check_stdout_at_exit);
}

}  // namespace
