#include "clockgrow.h"

#include <climits>

#include "always_assert.h"
#include "clockunits.h"

int to_seconds(int a, int b, int c) {
    // Unsigned arithmetic wraps without undefined behaviour; converting the
    // result back gives the 32-bit two's complement value.
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b) +
                            static_cast<unsigned>(c));
}

void to_time(int t, int *ph, int *pm, int *ps) {
    ALWAYS_ASSERT(t >= 0);
    *ph = t / SECONDS_PER_HOUR % HOURS_PER_DAY;
    *pm = t / SECONDS_PER_MINUTE % MINUTES_PER_HOUR;
    *ps = t % SECONDS_PER_MINUTE;
}

void add_1s(int *ph, int *pm, int *ps) {
    // Checked first: the one triple whose carry would overflow the hours.
    ALWAYS_ASSERT(!(*ph == INT_MAX && *pm == 59 && *ps == 59));
    ALWAYS_ASSERT(*ph >= 0 && *pm >=0 && *ps >=0 && *pm <= 59 && *ps <= 59);
    if (++*ps == SECONDS_PER_MINUTE) {
        *ps = 0;
        if (++*pm == MINUTES_PER_HOUR) {
            *pm = 0;
            ++*ph;
        }
    }
}
