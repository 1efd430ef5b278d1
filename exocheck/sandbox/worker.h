// exocheck run again as the workers of a CandidateRunner (runner.h).
#pragma once

#include <optional>
#include <string_view>

namespace exocheck {

// The option that makes exocheck one of the workers of a CandidateRunner;
// never typed by a person.
constexpr std::string_view internal_worker_option = "--exocheck-internal-worker";

// exocheck's main calls this first: when argv[1] is internal_worker_option,
// it serves as the workers and returns their exit status; otherwise it
// returns nothing and exocheck goes on as itself.
std::optional<int> internal_worker(int argc, char **argv);

}  // namespace exocheck
