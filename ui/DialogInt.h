// Reading a whole number from a dialog field, and the field checks' texts.
#pragma once

#include <QString>

// Parses a field's text as the dialogs do: only the first 31 characters
// count; blanks and tabs before and after are skipped; a decimal number with
// an optional sign; a value of 0 must begin (after the blanks) with the
// digit 0, so "-0" and "+0" are refused; anything else, an empty text
// included, is not a number. Values beyond the 32-bit range saturate (they
// then fail any range check). Returns false when the text is not a number.
bool ParseDialogInt(const QString& strText, int& nValue);

// "Please enter an integer."
QString IntegerMessage();
// "Please enter an integer between %1 and %2."
QString IntegerRangeMessage(int nMin, int nMax);
// "Please enter no more than %1 characters."
QString MaxCharsMessage(int nMax);
