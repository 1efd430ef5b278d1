// Units of a clock time, shared by the clock modules and programs.
#pragma once

inline constexpr int SECONDS_PER_HOUR = 3600;
inline constexpr int SECONDS_PER_MINUTE = 60;
inline constexpr int MINUTES_PER_HOUR = 60;
inline constexpr int HOURS_PER_DAY = 24;
