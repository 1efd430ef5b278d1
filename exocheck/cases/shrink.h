// Shrinking an input that makes a candidate fail to a small one that still
// fails the same way, by delta debugging: whole tokens first (a word and the
// white space after it), then single bytes, then the digits of numbers
// (fewer digits, then smaller ones), again while a round still shrinks and
// time remains. Where each failing try is dear (a run that only ends at its
// time limit), the shortest inputs made of the input's own bytes and words
// are tried first.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace exocheck {

struct ShrinkResult {
    std::string input;      // the smallest input found that still fails
    std::size_t tests = 0;  // how many inputs were tried
    bool finished = false;  // false when time ran out before the end
};

// `still_fails(input)` says whether an input still fails the same way; it is
// never asked about the input given, which fails by assumption. No input is
// tried that could not be judged before `deadline` at the pace of the
// slowest so far; the smallest found is returned. `shortest_first`: before
// the rounds, the empty input, then each byte of the input alone, then each
// of its words alone (with and without a newline), shortest first, until one
// fails.
ShrinkResult shrink(std::string input, const std::function<bool(const std::string &)> &still_fails,
                    std::chrono::steady_clock::time_point deadline, bool shortest_first = false);

}  // namespace exocheck
