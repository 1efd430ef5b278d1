#include "main/sources.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "check/in_parallel.h"
#include "report/visible.h"
#include "run/elf.h"
#include "sandbox/cannot_run.h"
#include "sandbox/confined_run.h"
#include "sandbox/leftovers.h"

namespace exocheck {

namespace {

std::string temporary_directory() {
    const char *tmpdir = std::getenv("TMPDIR");
    std::string path = std::string(tmpdir != nullptr && *tmpdir == '/' ? tmpdir : "/tmp") + "/exocheck-sources-XXXXXX";
    if (mkdtemp(path.data()) == nullptr)
        throw std::runtime_error("impossible de créer un répertoire temporaire pour compiler les sources");
    return path;
}

// Why the source `given` cannot be read, or empty.
std::string cannot_read(const std::string &given) {
    struct stat st {};
    if (stat(given.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return cannot_run(given);
    if (access(given.c_str(), R_OK) != 0) return "« " + given + " » ne peut pas être lu.";
    return "";
}

}  // namespace

BuiltCandidates::BuiltCandidates(const std::vector<std::string> &given) : built_(given.size()) {
    for (std::size_t k = 0; k < given.size(); ++k) {
        Candidate c{given[k], std::filesystem::absolute(given[k]).lexically_normal().string(), ""};
        if (source_language(given[k])) {
            c.cannot_run = cannot_read(given[k]);
            if (c.cannot_run.empty()) sources_.push_back(k);
        } else {
            c.cannot_run = cannot_run(given[k]);
        }
        candidates_.push_back(std::move(c));
    }
    if (!sources_.empty()) directory_ = temporary_directory();
}

void BuiltCandidates::build(bool memory, int jobs, Isolation isolation, const std::vector<std::string> &hidden) {
    std::atomic<std::size_t> next{0};
    in_parallel(jobs, [&](int) {
        for (std::size_t s = next++; s < sources_.size(); s = next++) {
            const std::size_t k = sources_[s];
            const std::string &given = candidates_[k].given;
            const std::string own = directory_ + "/" + std::to_string(k);
            {
                const std::lock_guard lock(removing_);
                if (removed_) return;
                if (mkdir(own.c_str(), 0700) != 0) {
                    candidates_[k].cannot_run = "impossible de créer un répertoire pour compiler « " + given + " »";
                    continue;
                }
            }
            built_[k] = compile_source(given, own, memory, isolation, hidden);
        }
    });
    for (const std::size_t k : sources_) {
        if (!built_[k]) continue;
        Candidate &c = candidates_[k];
        const BuiltSource &b = *built_[k];
        if (!b.cannot_build.empty()) c.cannot_run = b.cannot_build;
        else if (!b.build.compiled) c.cannot_run = "« " + c.given + " » ne compile pas.";
        else c.path = b.program;
    }
}

BuiltCandidates::~BuiltCandidates() { remove_now(); }

void BuiltCandidates::remove_now() noexcept {
    const std::lock_guard lock(removing_);
    removed_ = true;
    if (!directory_.empty()) remove_tree(directory_);
}

void BuiltCandidates::add_builds(CheckReport &report) const {
    for (std::size_t k = 0; k < built_.size() && k < report.candidates.size(); ++k) {
        if (!built_[k] || !built_[k]->cannot_build.empty()) continue;
        report.candidates[k].build = built_[k]->build;
        if (!built_[k]->build.compiled) report.candidates[k].cannot_run.clear();
    }
}

std::vector<std::optional<MemoryTarget>> BuiltCandidates::memory_targets() const {
    std::vector<std::optional<MemoryTarget>> targets(candidates_.size());
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const Candidate &c = candidates_[k];
        if (!c.cannot_run.empty()) continue;
        MemoryTarget t;
        if (built_[k]) {
            const BuiltSource &b = *built_[k];
            t.plain = b.program;
            t.source = c.given;
            t.plain_build = b.build.command;
            t.plain_program = b.build.program;
            if (!b.sanitized.empty()) {
                t.sanitized = b.sanitized;
                t.sanitized_program = b.build.program + "-asan";
                t.sanitized_build = b.sanitized_command;
            }
        } else if (!elf_id(c.path)) {
            continue;  // a script: its interpreter is no learner's code
        } else if (built_with_address_sanitizer(c.path)) {
            t.sanitized = c.path;
            t.sanitized_program = c.given;
        } else {
            t.plain = c.path;
            t.plain_program = c.given;
        }
        targets[k] = std::move(t);
    }
    return targets;
}

std::vector<std::string> BuiltCandidates::memory_programs() const {
    std::vector<std::string> programs;
    for (const std::optional<MemoryTarget> &t : memory_targets()) {
        if (!t) continue;
        if (!t->plain.empty()) programs.push_back(t->plain);
        if (!t->sanitized.empty()) programs.push_back(t->sanitized);
    }
    return programs;
}

}  // namespace exocheck
