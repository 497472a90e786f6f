// Decimal numbers in instrument files, read the same way whatever the
// program's locale and whatever the C++ library (the page's has no
// floating-point from_chars).
#pragma once

#include <string_view>

// Reads the whole of str as a decimal number: an optional '-', digits with
// an optional '.' and fraction (at least one digit in all), an optional
// exponent (e or E, an optional sign, digits). Returns false, leaving d
// unspecified, for anything else (empty text, spaces, "inf", "nan", hex).
bool ParseDecimal(std::string_view str, double& d);
