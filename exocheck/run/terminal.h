// A program run on a pseudo-terminal, driven as a person types at it.
#pragma once

#include <string>
#include <sys/types.h>

namespace exocheck {

class Terminal {
public:
    // Starts `path` (through PETITS_EMULATOR when set, as every start).
    explicit Terminal(const std::string &path);
    ~Terminal();
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    // Reads the screen until it holds `text` or timeout_ms pass; true if found.
    bool wait_for(const std::string &text, int timeout_ms = 3000);
    // Types keys; a line is ended by "\r", as the Enter key sends.
    void type(const std::string &keys) const;
    // Reads until the program closes the terminal, then reaps it; returns
    // the wait status.
    int finish(int timeout_ms = 3000);
    // Everything the terminal has shown so far, typed echo included.
    const std::string &screen() const { return screen_; }

private:
    bool read_some(int timeout_ms);  // false at end or on timeout

    int master_ = -1;
    pid_t pid_ = -1;
    std::string screen_;
};

}  // namespace exocheck
