// The formats of a report, each a writer of the same CheckReport, in a file
// of its own. Every one is well-formed whatever bytes a program wrote.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "report/report.h"

namespace exocheck {

enum class Format { text, json, csv, junit, tap, gradescope, html };

// The format of that name ("text", "json", ...), or nothing.
std::optional<Format> format_named(std::string_view name);

// The formats that grade, and so need every case of every submission run:
// csv, junit, tap, gradescope and html.
bool grades(Format format);

struct FormatSettings {
    char csv_separator = ',';  // ';' also writes decimals with a comma
};

std::string write_report(const CheckReport &report, Format format, const FormatSettings &settings);

// One row per submission after a header row (fields quoted as RFC 4180
// says, lines ended by a newline as Unix tools expect), UTF-8 without a byte
// order mark: name, path,
// standing, scores, cases and differences by kind, the distinct mistakes,
// their cause codes, the first one's minimal input, why it scores nothing.
// A text a spreadsheet would take for a formula (=, +, -, @ first) starts
// with an apostrophe.
std::string csv_report(const CheckReport &report, char separator);

// JUnit XML: a testsuite per submission, a testcase per kind of case, whose
// failure gives each mistake found there with its minimal input, both
// outputs made visible and the command to reproduce it; time in seconds.
std::string junit_report(const CheckReport &report);

// TAP version 14: a test point per submission, with a subtest per kind of
// case; under each submission's test point a YAML block with its path,
// verdict and score, and under a kind that differs its mistakes.
std::string tap_report(const CheckReport &report);

// The results.json of the Gradescope autograder for one submission (the
// first): score, max_score 100, a test per kind of case with its points,
// and the text report as output.
std::string gradescope_report(const CheckReport &report);

// One HTML page, self-contained (no network, no script): the class table,
// a colour per standing, the scores, the common mistakes, and each
// submission's first difference as the text report shows it.
std::string html_report(const CheckReport &report);

}  // namespace exocheck
