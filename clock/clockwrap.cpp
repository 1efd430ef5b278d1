#include "clockwrap.h"

#include "always_assert.h"
#include "clockunits.h"

void to_time(int total_sec, int *heure, int *minute, int *seconde) {
    *heure = total_sec / SECONDS_PER_HOUR;
    *minute = total_sec % SECONDS_PER_HOUR / SECONDS_PER_MINUTE;
    *seconde = total_sec % SECONDS_PER_MINUTE;
}

int to_sec(int heure, int minute, int seconde) {
    // Unsigned arithmetic wraps without undefined behaviour; converting the
    // result back gives the 32-bit two's complement value.
    unsigned total = static_cast<unsigned>(heure) * SECONDS_PER_HOUR +
                     static_cast<unsigned>(minute) * SECONDS_PER_MINUTE +
                     static_cast<unsigned>(seconde);
    return static_cast<int>(total);
}

void add_1s(int *heure, int *minute, int *seconde) {
    ALWAYS_ASSERT(*heure >= 0 && *heure <= 23);
    ALWAYS_ASSERT(*minute >= 0 && *minute <= 59);
    ALWAYS_ASSERT(*seconde >= 0 && *seconde <= 59);
    if (++*seconde == SECONDS_PER_MINUTE) {
        *seconde = 0;
        ++*minute;
    }
    if (*minute == MINUTES_PER_HOUR) {
        *minute = 0;
        ++*heure;
    }
    if (*heure == HOURS_PER_DAY) *heure = 0;
}
