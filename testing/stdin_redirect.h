// Makes the process's standard input read the given text, for module tests
// of functions that read stdin themselves.
#pragma once

#include <string>

// Replaces standard input by a temporary file holding `text`.
void set_stdin(const std::string &text);

// Everything standard input still holds, read to its end.
std::string rest_of_stdin();
