// The last-digit tally of digittally: ten counters indexed by the last
// decimal digit 0..9 of the integers counted.
#pragma once

inline constexpr int DIGITS = 10;  // the counters, one per decimal digit

// Adds 1 to the counter of num's last digit. A negative number counts by the
// last digit of its absolute value: -37 for 7, INT_MIN for 8.
void mise_a_jour(int counters[], int num);
