// Clock of a 24-hour day: a clock triple heure 0..23, minute 0..59,
// seconde 0..59 in three ints owned by the caller, and a seconds count since
// 00:00:00. Conversions truncate toward zero and never reduce modulo 24.
// Shares the names to_time and add_1s with clockgrow: never link both.
#pragma once

// Splits total_sec into hours, minutes and seconds, with no range check: a
// count past one day gives 24 hours or more, a negative count gives
// non-positive parts (-61 gives 0, -1, -1).
void to_time(int total_sec, int *heure, int *minute, int *seconde);

// heure * 3600 + minute * 60 + seconde, with no range check; a sum outside
// the int range wraps around as 32-bit two's complement.
int to_sec(int heure, int minute, int seconde);

// Advances the clock triple by one second: 23:59:59 becomes 00:00:00.
// Requires every field in its clock range.
void add_1s(int *heure, int *minute, int *seconde);
