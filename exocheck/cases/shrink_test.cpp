// The shrinking of a failing input: each row a failure (a predicate), an
// input that has it, and the smallest input that must come out.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cases/shrink.h"

namespace exocheck {

namespace {

using Clock = std::chrono::steady_clock;
using Failure = std::function<bool(const std::string &)>;

bool has(const std::string &s, const std::string &part) { return s.find(part) != std::string::npos; }

// The numbers of the text, as the C library would read them one by one.
std::vector<long> numbers(const std::string &s) {
    std::vector<long> found;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] >= '0' && s[i] <= '9') {
            std::size_t end = i;
            while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
            found.push_back(std::stol(s.substr(i, std::min<std::size_t>(end - i, 15))));
            i = end;
        } else {
            ++i;
        }
    }
    return found;
}

struct Row {
    const char *name;
    std::string input;
    Failure fails;
    std::string smallest;
};

TEST(Shrink, FindsTheSmallestInputThatStillFails) {
    const std::vector<Row> rows = {
        {"a line among others", "12:00:00\n23:59:59\n01:02:03\n",
         [](const std::string &s) { return has(s, "23:59:59"); }, "23:59:59"},
        {"a word among words", "12 8 15 x 2 1 1 x -1\n", [](const std::string &s) { return has(s, "x 2"); }, "x 2"},
        // The digits: fewer, then smaller.
        {"a number past a bound", "5 17 250 3\n",
         [](const std::string &s) {
             const auto n = numbers(s);
             return std::any_of(n.begin(), n.end(), [](long v) { return v >= 100; });
         },
         "100"},
        {"three numbers", "12 8 15 x 2\n", [](const std::string &s) { return numbers(s).size() >= 3; }, "0 0 0"},
        {"a digit kept in place", "4096\n", [](const std::string &s) { return has(s, "9"); }, "9"},
        {"a number past a bound, then a colon", "86399:59\n",
         [](const std::string &s) { return !numbers(s).empty() && numbers(s)[0] > 59 && has(s, ":"); }, "60:"},
        {"a byte that is not UTF-8", "abc\xe9" "def\n", [](const std::string &s) { return has(s, "\xe9"); }, "\xe9"},
        {"no input at all", "23:59:59\n", [](const std::string &) { return true; }, ""},
        {"the input given and no other", "7 7\n", [](const std::string &s) { return s == "7 7\n"; }, "7 7\n"},
        {"white space that matters", "1  \t 2\n", [](const std::string &s) { return has(s, "\t"); }, "\t"},
        {"a 1 MiB line", std::string(1 << 20, '1') + "x" + std::string(1000, '2'),
         [](const std::string &s) { return has(s, "1x"); }, "1x"},
    };
    for (const Row &row : rows) {
        std::size_t asked = 0;
        const Failure counted = [&](const std::string &s) {
            ++asked;
            EXPECT_NE(s, row.input) << row.name << ": asked again about the input given";
            return row.fails(s);
        };
        const ShrinkResult r = shrink(row.input, counted, Clock::now() + std::chrono::seconds(5));
        EXPECT_EQ(r.input, row.smallest) << row.name;
        EXPECT_TRUE(row.input == r.input || row.fails(r.input)) << row.name << ": the result does not fail";
        EXPECT_TRUE(r.finished) << row.name;
        EXPECT_EQ(r.tests, asked) << row.name;
    }
}

TEST(Shrink, StopsAtItsDeadline) {
    const Failure slow_and_always = [](const std::string &) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return true;
    };
    // Past the deadline nothing is tried: the input comes back as it was.
    const ShrinkResult late = shrink("12 8 15\n", slow_and_always, Clock::now() - std::chrono::seconds(1));
    EXPECT_EQ(late.input, "12 8 15\n");
    EXPECT_EQ(late.tests, 0U);
    EXPECT_FALSE(late.finished);

    // No try starts that the slowest so far says would end past the deadline.
    const Failure slow = [](const std::string &) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return false;
    };
    const ShrinkResult one_try = shrink("12 8 15\n", slow, Clock::now() + std::chrono::milliseconds(500));
    EXPECT_EQ(one_try.tests, 1U);
    EXPECT_FALSE(one_try.finished);

    // Within a deadline too short for the whole input, it keeps what it found.
    const std::string words = [] {
        std::string s;
        for (int i = 0; i < 2000; ++i) s += std::to_string(i) + " ";
        return s;
    }();
    const Failure many_words = [](const std::string &s) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return has(s, "1999") && numbers(s).size() >= 1000;
    };
    const auto start = Clock::now();
    const ShrinkResult cut = shrink(words, many_words, start + std::chrono::milliseconds(100));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(cut.finished);
    // What comes back still fails, even when time ran out during a try.
    EXPECT_TRUE(many_words(cut.input));
    EXPECT_LT(cut.input.size(), words.size());
}

}  // namespace

}  // namespace exocheck
