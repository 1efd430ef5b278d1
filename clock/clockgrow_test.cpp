#include "clockgrow.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "diagnostic.h"
#include "test_triple.h"

namespace {

const std::string SRC = "clock/clockgrow.cpp";

TEST(ClockGrow, ToSecondsIsThePlainSumInAnyOrder) {
    struct Case { Triple v; int sum; };
    for (const Case &c : std::vector<Case>{{{1, 1, 1}, 3},
                                           {{1, 2, 3600}, 3603},
                                           {{-5, 0, 2}, -3},
                                           {{INT_MAX, 1, 0}, INT_MIN},
                                           {{INT_MIN, -1, 0}, INT_MAX},
                                           {{INT_MAX, INT_MAX, INT_MAX}, 2147483645}}) {
        const auto [a, b, c2] = c.v;
        for (int got : {to_seconds(a, b, c2), to_seconds(c2, a, b), to_seconds(b, c2, a)})
            EXPECT_EQ(got, c.sum) << testing::PrintToString(c.v);
    }
}

TEST(ClockGrow, ToTimeDropsWholeDays) {
    struct Case { int t; Triple parts; };
    for (const Case &c : std::vector<Case>{{0, {0, 0, 0}},
                                           {125, {0, 2, 5}},
                                           {24 * 3600 - 1, {23, 59, 59}},
                                           {24 * 3600, {0, 0, 0}},
                                           {25 * 3600 + 61, {1, 1, 1}},
                                           {INT_MAX, {3, 14, 7}}}) {
        Triple got{-9, -9, -9};
        to_time(c.t, &got.h, &got.m, &got.s);
        EXPECT_EQ(got, c.parts) << c.t;
    }
}

TEST(ClockGrow, AddOneSecondLetsTheHoursGrow) {
    struct Case { Triple before, after; };
    for (const Case &c : std::vector<Case>{{{23, 59, 59}, {24, 0, 0}},
                                           {{99, 59, 59}, {100, 0, 0}},
                                           {{0, 0, 59}, {0, 1, 0}},
                                           {{5, 6, 7}, {5, 6, 8}},
                                           {{INT_MAX, 58, 59}, {INT_MAX, 59, 0}},
                                           {{INT_MAX, 59, 58}, {INT_MAX, 59, 59}},
                                           {{INT_MAX - 1, 59, 59}, {INT_MAX, 0, 0}}}) {
        Triple t = c.before;
        add_1s(&t.h, &t.m, &t.s);
        EXPECT_EQ(t, c.after) << testing::PrintToString(c.before);
    }
}

TEST(ClockGrowDeath, ToTimeRefusesANegativeCount) {
    for (int t : {-1, INT_MIN}) {
        int h, m, s;
        EXPECT_DEATH(to_time(t, &h, &m, &s), death_regex(SRC, "to_time", "t >= 0")) << t;
    }
}

TEST(ClockGrowDeath, AddOneSecondRefusesTheHourOverflowBeforeTheRanges) {
    const std::string OVERFLOW = "!(*ph == INT_MAX && *pm == 59 && *ps == 59)",
                      RANGE = "*ph >= 0 && *pm >=0 && *ps >=0 && *pm <= 59 && *ps <= 59";
    struct Case { Triple t; std::string condition; };
    for (const Case &c : std::vector<Case>{{{INT_MAX, 59, 59}, OVERFLOW},
                                           {{INT_MAX, 59, 60}, RANGE},
                                           {{-1, 0, 0}, RANGE},
                                           {{5, 60, 0}, RANGE},
                                           {{5, -1, 0}, RANGE},
                                           {{5, 0, 60}, RANGE},
                                           {{5, 0, -1}, RANGE}}) {
        Triple t = c.t;
        EXPECT_DEATH(add_1s(&t.h, &t.m, &t.s), death_regex(SRC, "add_1s", c.condition))
            << testing::PrintToString(c.t);
    }
}

}  // namespace
