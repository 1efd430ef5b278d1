// A file descriptor owned: closed when reset or destroyed; -1 when none.
#pragma once

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace exocheck {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd &operator=(Fd &&other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// A descriptor that becomes readable when the child `pid` ends (always
// close-on-exec), or -1 on a kernel without them (before Linux 5.3).
inline int process_fd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

}  // namespace exocheck
