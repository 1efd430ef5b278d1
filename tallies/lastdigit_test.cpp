#include "lastdigit.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

TEST(LastDigit, CountsByTheLastDigitOfTheAbsoluteValue) {
    struct Case { int num; std::size_t chiffre; };
    for (const Case &c : {Case{0, 0}, Case{7, 7}, Case{37, 7}, Case{-37, 7}, Case{-10, 0},
                          Case{-1, 1}, Case{-9, 9}, Case{1000000009, 9},
                          Case{INT_MAX, 7}, Case{INT_MIN, 8}, Case{INT_MIN + 1, 7}}) {
        std::array<int, 10> counters{};
        counters.fill(4);
        mise_a_jour(counters.data(), c.num);
        std::array<int, 10> expected{};
        expected.fill(4);
        expected[c.chiffre] = 5;
        EXPECT_EQ(counters, expected) << c.num;
    }
}

TEST(LastDigit, CounterWrapsPastIntMax) {
    std::array<int, 10> counters{};
    counters[3] = INT_MAX;
    mise_a_jour(counters.data(), 13);
    EXPECT_EQ(counters[3], INT_MIN);
}

}  // namespace
