#include "judge/mend.h"

namespace exocheck {

MemoryInput::MemoryInput(std::string_view input) : bytes_(input) {
    // fmemopen may refuse an empty buffer: the input then reads as its end.
    if (!bytes_.empty()) file_.reset(fmemopen(bytes_.data(), bytes_.size(), "r"));
}

std::optional<std::string> with_line(const std::string &out, std::string_view start, const std::string &line) {
    const size_t at = out.rfind(start);
    if (at == std::string::npos || (at > 0 && out[at - 1] != '\n')) return std::nullopt;
    const size_t end = out.find('\n', at);
    std::string replaced = out.substr(0, at) + line;
    if (end != std::string::npos) replaced += out.substr(end + 1);
    return replaced;
}

}  // namespace exocheck
