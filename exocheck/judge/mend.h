// A mend: where a reference program departs on purpose from its statement's
// letter, how the letter runs instead. A learner who follows the statement's
// letter there is not wrong, and compare() says so (compare.h). An exercise
// whose reference follows its statement everywhere has no mend.
// What each exercise mends lives in that exercise's folder (the grade
// report's in gradebook/, the quadratic solver's in quadroots/).
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "run/run_program.h"

namespace exocheck {

struct StatementRun {
    // The statement's standard output, when its run ends as the reference's
    // does (same standard error, same ending).
    std::optional<std::string> out;
    // When the statement's run does not end, or only past a million steps
    // of a search: the output before it. A run stopped by the time limit
    // after exactly this output follows the statement.
    std::optional<std::string> out_before_endless;
    std::string mend;  // the reference's mend and the statement's behaviour, in French
};

// How the statement's letter runs on `input`, given the reference's run
// `reference` on it; nothing where the mend makes no difference.
using Mend = std::optional<StatementRun> (*)(std::string_view input, const RunResult &reference);

// What a mend may use.

// The input in memory as a C stream, for a mend that reads it as its program
// reads standard input, with the C library's own conversions. stream() is
// null for an empty input, which reads as its end.
class MemoryInput {
public:
    explicit MemoryInput(std::string_view input);
    FILE *stream() const { return file_.get(); }

private:
    struct Closer {
        void operator()(FILE *file) const { std::fclose(file); }
    };
    std::string bytes_;
    std::unique_ptr<FILE, Closer> file_;
};

// The output with its last line that starts with `start` replaced by `line`
// (its newline included); nothing when the output has no such line.
std::optional<std::string> with_line(const std::string &out, std::string_view start, const std::string &line);

}  // namespace exocheck
