#include "clockback.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "diagnostic.h"
#include "test_triple.h"

namespace {

TEST(ClockBack, SubOneSecondBorrowsAndWrapsBeforeMidnight) {
    struct Case { Triple before, after; };
    for (const Case &c : std::vector<Case>{{{0, 0, 0}, {23, 59, 59}},
                                           {{13, 0, 0}, {12, 59, 59}},
                                           {{10, 20, 30}, {10, 20, 29}},
                                           {{0, 1, 0}, {0, 0, 59}},
                                           {{1, 0, 0}, {0, 59, 59}},
                                           {{23, 59, 59}, {23, 59, 58}},
                                           {{0, 0, 1}, {0, 0, 0}}}) {
        Triple t = c.before;
        sub_1s(&t.h, &t.m, &t.s);
        EXPECT_EQ(t, c.after) << testing::PrintToString(c.before);
    }
}

TEST(ClockBack, TimeIsZeroOnlyForThreeZeros) {
    EXPECT_TRUE(time_is_zero(0, 0, 0));
    for (Triple t : std::vector<Triple>{{0, 0, 1}, {0, 1, 0}, {24, 0, 0}, {-1, 0, 0}, {INT_MIN, 0, 0}})
        EXPECT_FALSE(time_is_zero(t.h, t.m, t.s)) << testing::PrintToString(t);
}

TEST(ClockBackDeath, SubOneSecondChecksHoursThenMinutesThenSeconds) {
    const std::string H = "*heure >= 0 && *heure <= 23", M = "*minute >= 0 && *minute <= 59",
                      S = "*seconde >= 0 && *seconde <= 59";
    struct Case { Triple t; std::string condition; };
    for (const Case &c : std::vector<Case>{{{-1, 0, 0}, H},
                                           {{24, 0, 0}, H},
                                           {{24, -1, 60}, H},
                                           {{5, 60, 0}, M},
                                           {{5, -1, -1}, M},
                                           {{5, 0, 60}, S},
                                           {{0, 0, -1}, S}}) {
        Triple t = c.t;
        EXPECT_DEATH(sub_1s(&t.h, &t.m, &t.s), death_regex("clock/clockback.cpp", "sub_1s", c.condition))
            << testing::PrintToString(c.t);
    }
}

}  // namespace
