// The candidates of a check as the check runs them: a candidate given as a
// C or C++ source (check/compile.h) is built first, each in a directory of
// its own under a temporary directory removed with this object; and, with
// --memoire, how each one's memory is checked (check/memory_check.h).
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/compile.h"
#include "check/memory_check.h"

namespace exocheck {

class BuiltCandidates {
public:
    // Takes the candidates `given`: a program as it is, a source to be built
    // by build(), in a temporary directory made now. Throws
    // std::runtime_error (French message) when that directory cannot be made.
    explicit BuiltCandidates(const std::vector<std::string> &given);
    ~BuiltCandidates();  // the temporary directory removed
    BuiltCandidates(const BuiltCandidates &) = delete;
    BuiltCandidates &operator=(const BuiltCandidates &) = delete;

    // Builds every source (with the sanitizers too for `memory`), up to
    // `jobs` at once, the compiler never seeing the files `hidden`; none
    // starts once remove_now() was called. Throws std::runtime_error (French
    // message) when a compiler cannot be started, once the others ended.
    void build(bool memory, int jobs, Isolation isolation, const std::vector<std::string> &hidden);
    // The check's candidates: a source as the program built from it, one
    // that does not compile as one that cannot run.
    const std::vector<Candidate> &candidates() const { return candidates_; }
    // Whether some source was given: the candidates then include builds.
    bool any_source() const { return !directory_.empty(); }
    // Each source's build put into its candidate's report (one that does not
    // compile is no candidate that cannot run).
    void add_builds(CheckReport &report) const;
    // How each candidate's memory is checked: nothing for a script.
    std::vector<std::optional<MemoryTarget>> memory_targets() const;
    // The programs the memory check runs.
    std::vector<std::string> memory_programs() const;
    // For an interrupt, from another thread: the temporary directory removed
    // now, and no build started after.
    void remove_now() noexcept;

private:
    std::vector<Candidate> candidates_;
    std::vector<std::size_t> sources_;                // the candidates given as sources
    std::vector<std::optional<BuiltSource>> built_;  // for each candidate, when given as a source
    std::string directory_;
    std::mutex removing_;  // a build's directory is never made once the whole is removed
    bool removed_ = false;
};

}  // namespace exocheck
