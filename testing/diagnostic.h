// Checks on the assertion diagnostic
//   prog: file:line: function: Assertion `condition' failed.
// The line number is the only part not compared, so that editing a source
// does not break the tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "run/run_program.h"

// The whole diagnostic as a POSIX extended regular expression, anchored, for
// EXPECT_DEATH (the program is the test binary itself).
std::string death_regex(const std::string &file, const std::string &function,
                        const std::string &condition);

// True when `err` is exactly one diagnostic line with these parts.
testing::AssertionResult is_diagnostic(const std::string &err, const std::string &program,
                                       const std::string &file, const std::string &function,
                                       const std::string &condition);

// The run ended by SIGABRT after writing exactly this diagnostic.
testing::AssertionResult aborted_with(const exocheck::RunResult &r, const std::string &program,
                                      const std::string &file, const std::string &function,
                                      const std::string &condition);

// The run exited with `status` and wrote nothing on standard error.
testing::AssertionResult exited_cleanly(const exocheck::RunResult &r, int status = 0);
