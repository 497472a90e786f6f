// The check every front end's Make File passes its settings through: each
// value against the option table's range.
#pragma once

#include <string>

struct CMakeOptions;

// "" when every value of options lies in its option's range; else the
// range message of the first that does not (in the table's order).
std::string CheckMakeOptions(const CMakeOptions& options);
