#include "clockback.h"

#include "always_assert.h"

namespace {

constexpr int LAST_SECOND = 59;
constexpr int LAST_MINUTE = 59;
constexpr int LAST_HOUR = 23;

}  // namespace

void sub_1s(int *heure, int *minute, int *seconde) {
    ALWAYS_ASSERT(*heure >= 0 && *heure <= 23);
    ALWAYS_ASSERT(*minute >= 0 && *minute <= 59);
    ALWAYS_ASSERT(*seconde >= 0 && *seconde <= 59);
    if (--*seconde == -1) {
        *seconde = LAST_SECOND;
        --*minute;
    }
    if (*minute == -1) {
        *minute = LAST_MINUTE;
        --*heure;
    }
    if (*heure == -1) *heure = LAST_HOUR;
}

bool time_is_zero(int heure, int minute, int seconde) {
    return heure == 0 && minute == 0 && seconde == 0;
}
