#include "sandbox/wire.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/socket.h>

namespace exocheck {

namespace {

struct RequestHead {
    std::uint64_t candidate_size, input_size, wrapper_size, environment_size;
    std::uint32_t stdin_terminal;
};

struct ResultHead {
    std::uint64_t out_size, err_size, failure_size;
    std::int32_t exited, status, signal, timed_out, out_capped, memory_capped, start_error;
};

// The largest message part accepted: a run's input or output is far smaller
// (the output cap, an input shrunk from a few MiB).
constexpr std::uint64_t largest = std::uint64_t{1} << 30;

bool send_all(int socket, const std::string &bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t k = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        sent += static_cast<std::size_t>(k);
    }
    return true;
}

bool receive_all(int socket, char *into, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t k = recv(socket, into + got, size - got, MSG_WAITALL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        got += static_cast<std::size_t>(k);
    }
    return true;
}

template <typename Head>
void append(std::string &bytes, const Head &head) {
    char raw[sizeof head];
    std::memcpy(raw, &head, sizeof head);
    bytes.append(raw, sizeof head);
}

template <typename Head>
bool receive_head(int socket, Head &head) {
    char raw[sizeof head];
    if (!receive_all(socket, raw, sizeof raw)) return false;
    std::memcpy(&head, raw, sizeof head);
    return true;
}

bool receive_string(int socket, std::uint64_t size, std::string &into) {
    if (size > largest) return false;
    into.resize(static_cast<std::size_t>(size));
    return receive_all(socket, into.data(), into.size());
}

// Words, each ended by a NUL byte (none holds one: they come from a
// command line and an environment).
std::string joined(const std::vector<std::string> &words) {
    std::string bytes;
    for (const std::string &w : words) bytes.append(w).push_back('\0');
    return bytes;
}

std::vector<std::string> split(const std::string &bytes) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = bytes.find('\0', at);
        if (end == std::string::npos) break;
        words.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

}  // namespace

bool send_request(int socket, std::string_view candidate, std::string_view input, bool stdin_terminal,
                  const std::vector<std::string> &wrapper, const std::vector<std::string> &environment) {
    const std::string words = joined(wrapper), entries = joined(environment);
    std::string bytes;
    bytes.reserve(sizeof(RequestHead) + candidate.size() + input.size() + words.size() + entries.size());
    append(bytes, RequestHead{candidate.size(), input.size(), words.size(), entries.size(), stdin_terminal ? 1U : 0U});
    bytes += candidate;
    bytes += input;
    bytes += words;
    bytes += entries;
    return send_all(socket, bytes);
}

std::optional<RunRequest> receive_request(int socket) {
    RequestHead head{};
    RunRequest request;
    std::string words, entries;
    if (!receive_head(socket, head) || !receive_string(socket, head.candidate_size, request.candidate) ||
        !receive_string(socket, head.input_size, request.input) ||
        !receive_string(socket, head.wrapper_size, words) || !receive_string(socket, head.environment_size, entries))
        return std::nullopt;
    request.stdin_terminal = head.stdin_terminal != 0;
    request.wrapper = split(words);
    request.environment = split(entries);
    return request;
}

bool send_result(int socket, const RunResult &r, std::string_view failure) {
    std::string bytes;
    bytes.reserve(sizeof(ResultHead) + r.out.size() + r.err.size() + failure.size());
    append(bytes, ResultHead{r.out.size(), r.err.size(), failure.size(), r.exited ? 1 : 0, r.status, r.signal,
                             r.timed_out ? 1 : 0, r.out_capped ? 1 : 0, r.memory_capped ? 1 : 0, r.start_error});
    bytes += r.out;
    bytes += r.err;
    bytes += failure;
    return send_all(socket, bytes);
}

std::optional<ReceivedResult> receive_result(int socket) {
    ResultHead head{};
    ReceivedResult received;
    RunResult &r = received.result;
    if (!receive_head(socket, head) || !receive_string(socket, head.out_size, r.out) ||
        !receive_string(socket, head.err_size, r.err) || !receive_string(socket, head.failure_size, received.failure))
        return std::nullopt;
    r.exited = head.exited != 0;
    r.status = head.status;
    r.signal = head.signal;
    r.timed_out = head.timed_out != 0;
    r.out_capped = head.out_capped != 0;
    r.memory_capped = head.memory_capped != 0;
    r.start_error = head.start_error;
    return received;
}

bool send_ready(int socket) { return send_all(socket, "R"); }

bool receive_ready(int socket) {
    char byte = 0;
    return receive_all(socket, &byte, 1) && byte == 'R';
}

}  // namespace exocheck
