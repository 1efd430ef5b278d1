// Two outputs compared line by line, as the report shows them.
#pragma once

#include <string>
#include <string_view>

namespace exocheck {

// One line per output line, each made visible (visible.h) and marked "  "
// when both outputs have it, "- " when only the expected one has it and
// "+ " when only the obtained one has it (an empty line by its mark alone,
// "-", "+" or nothing); under a "+" line that replaces a
// "-" line, a caret marks the first column where they differ, when they
// begin alike. Long runs of
// identical lines are cut short, and so is a long difference.
std::string line_diff(std::string_view expected, std::string_view obtained);

}  // namespace exocheck
