#include "realstream.h"

#include <gtest/gtest.h>

#include <vector>

#include "stdin_redirect.h"

namespace {

struct ScanCase {
    std::string input;
    std::size_t capacity;
    std::size_t returned;
    std::vector<double> stored;
    std::string left;  // what stays on the stream
};

TEST(RealStream, ScanTable) {
    const std::vector<ScanCase> cases = {
        {"12 15.5 9 x", 12, 3, {12, 15.5, 9}, ""},
        {"12\t15.5\n9 x 2 1", 12, 3, {12, 15.5, 9}, " 2 1"},
        {"x", 12, 0, {}, ""},
        {"", 12, 0, {}, ""},
        {"7 8", 12, 2, {7, 8}, ""},                   // end of input ends a table
        {"1 2 3 4 / 5", 3, 13, {1, 2, 3}, " / 5"},    // the fourth is dropped
        {"1 2 3 4 5 6 x", 5, 13, {1, 2, 3, 4, 5}, " x"},  // 13, not capacity + 1
        {"1 2 3 4 5 6 7 8 9 10 11 12 13 x", 12, 13,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, " x"},
        {"5 xyz 6", 12, 1, {5}, "yz 6"},               // one character only
        {"4 / 5", 0, 13, {}, " / 5"},
        {"/ 5", 0, 0, {}, " 5"},
    };
    for (const ScanCase &c : cases) {
        set_stdin(c.input);
        double tab[12] = {};
        std::size_t n = scan_tab_double(tab, c.capacity);
        EXPECT_EQ(n, c.returned) << c.input;
        EXPECT_EQ(std::vector<double>(tab, tab + c.stored.size()), c.stored) << c.input;
        EXPECT_EQ(rest_of_stdin(), c.left) << c.input;
    }
}

TEST(RealStream, ScanDoesNotWritePastCapacity) {
    set_stdin("1 2 3 4 x");
    double tab[4] = {0, 0, 0, -7};
    EXPECT_EQ(scan_tab_double(tab, 3), SCAN_OVERFLOW);
    EXPECT_EQ(tab[3], -7);
}

TEST(RealStream, PrintTable) {
    const double values[] = {12, 15.5, -1, 0.005};
    for (auto [n, expected] : std::vector<std::pair<std::size_t, std::string>>{
             {2, "12.00 15.50 \n"}, {0, "\n"}, {3, "12.00 15.50 -1.00 \n"}}) {
        testing::internal::CaptureStdout();
        print_tab_double(values, n);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    }
}

}  // namespace
