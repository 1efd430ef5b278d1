// TEMPORARY STAND-IN, replaced at merge by the runner's own sandbox.h: the interface only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "run_program.h"

enum class Isolation { sandbox, none };
struct RunLimits {
    int timeout_ms = 2000;
    std::size_t output_cap = 1 << 20;
};
bool sandbox_available();
std::string cannot_run(const std::string &candidate);
class CandidateRunner {
public:
    CandidateRunner(Isolation isolation, int jobs, const std::vector<std::string> &candidates,
                    RunLimits limits);
    ~CandidateRunner();
    CandidateRunner(const CandidateRunner &) = delete;
    CandidateRunner &operator=(const CandidateRunner &) = delete;
    RunResult run(int job, const std::string &candidate, std::string_view input,
                  bool stdin_terminal = false);
    void kill_all() noexcept;

private:
    RunLimits limits_;
};
