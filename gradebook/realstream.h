// Console input and output of tables of reals, for C and C++ alike.
//
// Input layout of one table: numbers as "%lf" reads them, separated by any
// white space, ended by the first item that is not a number, of which one
// character (the terminator, such as x or /) is consumed. End of input also
// ends a table. A sign, a point, i or n must not be used as terminator: they
// may begin a number, inf or nan and are taken in by the failed conversion.
#pragma once

#include <stddef.h>

// Returned by scan_tab_double when the input holds more numbers than the
// capacity, whatever the capacity.
enum { SCAN_OVERFLOW = 13 };

#ifdef __cplusplus
extern "C" {
#endif

// Writes the nb_val values with "%.2lf " each, then a newline.
void print_tab_double(const double tab[], size_t nb_val);

// Reads one table from standard input into tab (room for `capacity` values).
// Returns the number of values stored, or SCAN_OVERFLOW when one more number
// was read: that number is dropped and the terminator left on the stream.
size_t scan_tab_double(double tab[], size_t capacity);

#ifdef __cplusplus
}
#endif
