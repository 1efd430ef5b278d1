// Clock whose hour count is not limited to a day: a clock triple reached
// through ph (hours 0..INT_MAX), pm (minutes 0..59) and ps (seconds 0..59).
// Shares the names to_time and add_1s with clockwrap: never link both.
// For C and C++ alike.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The plain sum of the three values, with no factor: the order does not
// matter. A sum outside the int range wraps around as 32-bit two's complement.
int to_seconds(int a, int b, int c);

// Splits the count t >= 0 into hours of the day (whole days dropped, so
// 25 * 3600 gives 1, 0, 0), minutes and seconds.
void to_time(int t, int *ph, int *pm, int *ps);

// Advances the triple by one second; the hours grow without wrap
// (23:59:59 becomes 24:00:00). Refuses INT_MAX:59:59, whose step would
// overflow the hours, and any field out of range.
void add_1s(int *ph, int *pm, int *ps);

#ifdef __cplusplus
}
#endif
