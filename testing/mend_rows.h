// The rows of a mend's test (judge/mend.h), each a candidate made from the
// reference's own run on an input: the statement's letter is followed,
// anything else differs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "built_programs.h"
#include "judge/compare.h"
#include "run/run_program.h"

struct MendRow {
    const char *input;
    std::string from, to;  // the candidate's output: the reference's with this replaced
    bool timed_out;
    exocheck::Verdict::Kind kind;
    std::string said = "";  // how the mend ends, as the report says it
};

inline void expect_mend_rows(const std::string &program, exocheck::Mend mend, const std::vector<MendRow> &rows) {
    using exocheck::Verdict;
    for (const MendRow &row : rows) {
        const exocheck::RunResult reference = exocheck::run_program(program_path(program), row.input);
        exocheck::RunResult candidate = reference;
        const size_t at = candidate.out.find(row.from);
        ASSERT_NE(at, std::string::npos) << row.input << row.from << "\n" << reference.out;
        candidate.out.replace(at, row.from.size(), row.to);
        candidate.timed_out = row.timed_out;
        const Verdict v = exocheck::compare(row.input, reference, candidate, mend);
        EXPECT_EQ(v.kind, row.kind) << row.input << " -> " << row.to;
        EXPECT_EQ(v.statement.empty(), row.kind != Verdict::Kind::follows_statement) << v.statement;
        EXPECT_TRUE(v.statement.ends_with(row.said)) << v.statement;
        // The candidate that follows the statement still differs: the
        // report shows how; without the mend, it is a difference.
        EXPECT_TRUE(v.stdout_differs || v.ending_differs) << row.input;
        EXPECT_EQ(exocheck::compare(row.input, reference, candidate).kind, Verdict::Kind::differ) << row.input;
    }
}
