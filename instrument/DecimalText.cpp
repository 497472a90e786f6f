#include "DecimalText.h"

#include <cctype>
#include <locale>
#include <sstream>
#include <string>

namespace
{
bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The length of the run of digits at str[nAt...].
std::size_t DigitsAt(std::string_view str, std::size_t nAt)
{
    std::size_t n = nAt;
    while (n < str.size() && IsDigit(str[n]))
        ++n;
    return n - nAt;
}

// Whether str has the form the contract gives; the conversion below then
// cannot stop early.
bool IsDecimalForm(std::string_view str)
{
    std::size_t n = (!str.empty() && str[0] == '-') ? 1 : 0;
    const std::size_t nWhole = DigitsAt(str, n);
    n += nWhole;
    std::size_t nFraction = 0;
    if (n < str.size() && str[n] == '.')
    {
        nFraction = DigitsAt(str, n + 1);
        n += 1 + nFraction;
    }
    if (nWhole + nFraction == 0)
        return false;
    if (n < str.size() && (str[n] == 'e' || str[n] == 'E'))
    {
        ++n;
        if (n < str.size() && (str[n] == '+' || str[n] == '-'))
            ++n;
        const std::size_t nExponent = DigitsAt(str, n);
        if (nExponent == 0)
            return false;
        n += nExponent;
    }
    return n == str.size();
}
} // namespace

bool ParseDecimal(std::string_view str, double& d)
{
    if (!IsDecimalForm(str))
        return false;
    // The classic locale: '.' is the decimal point even where the user's
    // locale says ','.
    std::istringstream in{std::string(str)};
    in.imbue(std::locale::classic());
    in >> d;
    return !in.fail();
}
