// Backward step of a 24-hour clock: a clock triple heure 0..23, minute 0..59,
// seconde 0..59 in three ints owned by the caller. For C and C++ alike.
#pragma once

#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Steps the clock triple back by one second: 00:00:00 becomes 23:59:59.
// Requires every field in its clock range.
void sub_1s(int *heure, int *minute, int *seconde);

// True exactly when all three fields are 0; no range check.
bool time_is_zero(int heure, int minute, int seconde);

#ifdef __cplusplus
}
#endif
