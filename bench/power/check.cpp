// Runs a program's cases (dialogues, boundary cases, generated cases) through
// the reference and through candidates, and says for each candidate whether
// some case differs, with compare(): how bench/power measures what the cases
// find. Not a test, not exocheck: a candidate here runs unconfined, its
// standard output line-buffered through stdbuf as at a terminal (the C
// library's own buffering decides what an abort loses).
//
// usage: check PROGRAM REFERENCE CANDIDATE... [--generated N] [--seed S]
//                [--cache FILE] [--timeout MS]
// PROGRAM is one of the fifteen, or the path of an exercise file (a
// teacher's exercise, exocheck-exercice(5)), whose reference runs here too.
// Prints one line per candidate: "differ <origin> <number> <input>",
// "agree <cases>" or "follows <cases>"; exits 1 when one differs.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cases/cases.h"
#include "cases/exercise.h"
#include "judge/compare.h"
#include "main/mends.h"
#include "run/run_program.h"

using namespace exocheck;

namespace {

const char *origin_name(Case::Origin origin) {
    switch (origin) {
    case Case::Origin::dialogue: return "dialogue";
    case Case::Origin::boundary: return "boundary";
    default: return "generated";
    }
}

std::string escaped(const std::string &bytes) {
    std::string out = "\"";
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '"' || c == '\\') out += '\\', out += byte;
        else if (c == '\n') out += "\\n";
        else if (c >= 32 && c < 127) out += byte;
        else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        }
    }
    return out + "\"";
}

void write_string(std::ostream &out, const std::string &s) {
    const size_t n = s.size();
    out.write(reinterpret_cast<const char *>(&n), sizeof n);
    out.write(s.data(), static_cast<std::streamsize>(n));
}

bool read_string(std::istream &in, std::string &s) {
    size_t n = 0;
    if (!in.read(reinterpret_cast<char *>(&n), sizeof n)) return false;
    s.resize(n);
    return static_cast<bool>(in.read(s.data(), static_cast<std::streamsize>(n)));
}

RunResult run_candidate(const std::string &path, const std::string &input, int timeout_ms, bool stdin_terminal) {
    RunOptions options;
    options.timeout_ms = timeout_ms;
    options.arguments = {stdin_terminal ? "-i0" : "-o0", "-oL", path};
    return run_program("/usr/bin/stdbuf", input, options);
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> positional;
    size_t generated = 1000;
    uint64_t seed = 1;
    int timeout_ms = 2000;
    std::string cache;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--generated" && i + 1 < argc) generated = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--cache" && i + 1 < argc) cache = argv[++i];
        else if (arg == "--timeout" && i + 1 < argc) timeout_ms = std::atoi(argv[++i]);
        else positional.push_back(arg);
    }
    if (positional.size() < 3) {
        std::cerr << "usage: check PROGRAM REFERENCE CANDIDATE... [--generated N] [--seed S] [--cache FILE]\n";
        return 2;
    }
    const ProgramData *program = find_program(positional[0]);
    std::optional<ProgramData> exercise;
    if (!program && positional[0].find('/') != std::string::npos) {
        try {
            program = &exercise.emplace(read_exercise_file(positional[0]));
        } catch (const ExerciseMistake &mistake) {
            std::cerr << "check: " << mistake.what() << "\n";
            return 2;
        }
    }
    if (!program) {
        std::cerr << "check: no program " << positional[0] << "\n";
        return 2;
    }
    const Cases cases(*program, seed, generated);
    // A teacher's exercise has no mends, whatever its name.
    const Mend mend = is_one_of_ours(*program) ? mend_of(program->name) : nullptr;

    // The reference's runs, once for every candidate, kept in the cache file.
    std::vector<RunResult> references(cases.size());
    bool cached = false;
    if (!cache.empty()) {
        std::ifstream in(cache, std::ios::binary);
        size_t i = 0;
        for (; in && i < references.size(); ++i) {
            RunResult &r = references[i];
            int fields[4];
            std::string input;
            if (!read_string(in, input) || input != cases.at(i).input || !read_string(in, r.out) ||
                !read_string(in, r.err) ||
                !in.read(reinterpret_cast<char *>(fields), sizeof fields))
                break;
            r.exited = fields[0] != 0, r.status = fields[1], r.signal = fields[2], r.timed_out = fields[3] != 0;
        }
        cached = i == references.size();
    }
    if (!cached) {
        RunOptions options;
        options.timeout_ms = 10000;
        for (size_t i = 0; i < cases.size(); ++i) references[i] = run_program(positional[1], cases.at(i).input, options);
        if (!cache.empty()) {
            std::ofstream out(cache, std::ios::binary);
            for (size_t i = 0; i < references.size(); ++i) {
                const RunResult &r = references[i];
                write_string(out, cases.at(i).input);
                write_string(out, r.out);
                write_string(out, r.err);
                const int fields[4] = {r.exited, r.status, r.signal, r.timed_out};
                out.write(reinterpret_cast<const char *>(fields), sizeof fields);
            }
        }
    }

    int status = 0;
    for (size_t c = 2; c < positional.size(); ++c) {
        const std::string &candidate = positional[c];
        size_t follows = 0;
        bool differs = false;
        for (size_t i = 0; i < cases.size() && !differs; ++i) {
            const Case one = cases.at(i);
            RunResult got = run_candidate(candidate, one.input, timeout_ms, false);
            Verdict v = compare(one.input, references[i], got, mend);
            if (v.kind == Verdict::Kind::differ && may_depend_on_stdin_buffering(references[i], got)) {
                got = run_candidate(candidate, one.input, timeout_ms, true);
                v = compare(one.input, references[i], got, mend);
            }
            if (v.kind == Verdict::Kind::differ) {
                differs = true;
                status = 1;
                std::cout << candidate << ": differ " << origin_name(one.origin) << " " << one.number << " "
                          << escaped(one.input) << (v.stdout_differs ? " stdout" : "")
                          << (v.stderr_differs ? " stderr" : "") << (v.ending_differs ? " ending" : "")
                          << " | expected " << escaped(references[i].out) << " " << escaped(references[i].err)
                          << " " << describe_end(references[i]) << " | got " << escaped(got.out) << " "
                          << escaped(got.err) << " " << describe_end(got) << "\n";
            } else if (v.kind == Verdict::Kind::follows_statement) {
                ++follows;
            }
        }
        if (!differs)
            std::cout << candidate << ": " << (follows ? "follows " : "agree ") << cases.size() << " cases"
                      << (follows ? " (" + std::to_string(follows) + " as the statement says)" : "") << "\n";
    }
    return status;
}
