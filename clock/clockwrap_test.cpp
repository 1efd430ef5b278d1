#include "clockwrap.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "diagnostic.h"
#include "test_triple.h"

namespace {

const std::string SRC = "clock/clockwrap.cpp";

TEST(ClockWrap, ToTimeTruncatesTowardZeroWithoutDayWrap) {
    struct Case { int count; Triple parts; };
    for (const Case &c : std::vector<Case>{{0, {0, 0, 0}},
                                           {125, {0, 2, 5}},
                                           {24 * 3600 - 1, {23, 59, 59}},
                                           {25 * 3600, {25, 0, 0}},
                                           {-61, {0, -1, -1}},
                                           {-3661, {-1, -1, -1}},
                                           {INT_MAX, {596523, 14, 7}},
                                           {INT_MIN, {-596523, -14, -8}}}) {
        Triple t{-9, -9, -9};
        to_time(c.count, &t.h, &t.m, &t.s);
        EXPECT_EQ(t, c.parts) << c.count;
    }
}

TEST(ClockWrap, ToSecWeighsTheFieldsAndWrapsOutsideTheIntRange) {
    struct Case { Triple fields; int count; };
    for (const Case &c : std::vector<Case>{{{0, 2, 5}, 125},
                                           {{1, 0, 0}, 3600},
                                           {{23, 59, 59}, 86399},
                                           {{0, 1, 75}, 135},
                                           {{-1, 0, 0}, -3600},
                                           {{596523, 14, 7}, INT_MAX},
                                           {{596524, 0, 0}, -2147480896},
                                           {{INT_MAX, INT_MAX, INT_MAX}, 2147479987},
                                           {{-596524, 0, 0}, 2147480896}}) {
        EXPECT_EQ(to_sec(c.fields.h, c.fields.m, c.fields.s), c.count) << testing::PrintToString(c.fields);
    }
}

TEST(ClockWrap, ToSecUndoesToTime) {
    for (int count = -90000; count <= 90000; count += 7) {
        Triple t;
        to_time(count, &t.h, &t.m, &t.s);
        ASSERT_EQ(to_sec(t.h, t.m, t.s), count);
    }
}

TEST(ClockWrap, AddOneSecondCarriesAndWrapsAtMidnight) {
    struct Case { Triple before, after; };
    for (const Case &c : std::vector<Case>{{{23, 59, 59}, {0, 0, 0}},
                                           {{12, 59, 59}, {13, 0, 0}},
                                           {{0, 0, 59}, {0, 1, 0}},
                                           {{7, 5, 3}, {7, 5, 4}},
                                           {{22, 59, 59}, {23, 0, 0}},
                                           {{23, 58, 59}, {23, 59, 0}},
                                           {{0, 0, 0}, {0, 0, 1}}}) {
        Triple t = c.before;
        add_1s(&t.h, &t.m, &t.s);
        EXPECT_EQ(t, c.after) << testing::PrintToString(c.before);
    }
}

TEST(ClockWrapDeath, AddOneSecondChecksHoursThenMinutesThenSeconds) {
    const std::string H = "*heure >= 0 && *heure <= 23", M = "*minute >= 0 && *minute <= 59",
                      S = "*seconde >= 0 && *seconde <= 59";
    struct Case { Triple t; std::string condition; };
    for (const Case &c : std::vector<Case>{{{24, 0, 0}, H},
                                           {{-1, 0, 0}, H},
                                           {{24, 60, -1}, H},
                                           {{10, 60, 0}, M},
                                           {{10, -1, 60}, M},
                                           {{10, 0, -1}, S},
                                           {{10, 0, 60}, S}}) {
        Triple t = c.t;
        EXPECT_DEATH(add_1s(&t.h, &t.m, &t.s), death_regex(SRC, "add_1s", c.condition))
            << testing::PrintToString(c.t);
    }
}

}  // namespace
