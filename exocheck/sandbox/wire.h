// The messages between exocheck and its workers, over a stream socket: a run
// request one way, its result the other. Both ends are the same program on
// the same machine: numbers go in the machine's own order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sandbox/confined_run.h"
#include "run/run_program.h"

namespace exocheck {

// Each returns false (or nothing) when the other end is gone.
bool send_request(int socket, std::string_view candidate, std::string_view input, bool stdin_terminal,
                  const std::vector<std::string> &wrapper = {}, const std::vector<std::string> &environment = {});
std::optional<RunRequest> receive_request(int socket);
// A run's result, or why it could not be confined (`failure`, not empty).
bool send_result(int socket, const RunResult &result, std::string_view failure);
struct ReceivedResult {
    RunResult result;
    std::string failure;
};
std::optional<ReceivedResult> receive_result(int socket);

// The one byte a worker sends when it is ready.
bool send_ready(int socket);
bool receive_ready(int socket);

}  // namespace exocheck
