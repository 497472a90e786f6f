#include "DialogInt.h"

#include <QCoreApplication>
#include <cstdint>
#include <limits>

namespace
{
bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
} // namespace

bool ParseDialogInt(const QString& strText, int& nValue)
{
    const QString str = strText.left(31);
    qsizetype i = 0;
    const qsizetype n = str.size();
    while (i < n && IsBlank(str[i]))
        ++i;
    const QChar chFirst = i < n ? str[i] : QChar();

    bool bNegative = false;
    if (i < n && (str[i] == QLatin1Char('+') || str[i] == QLatin1Char('-')))
    {
        bNegative = str[i] == QLatin1Char('-');
        ++i;
    }
    std::int64_t nMagnitude = 0;
    bool bDigits = false;
    while (i < n && str[i] >= QLatin1Char('0') && str[i] <= QLatin1Char('9'))
    {
        bDigits = true;
        if (nMagnitude <= std::numeric_limits<std::int32_t>::max())
            nMagnitude = nMagnitude * 10 + (str[i].unicode() - '0');
        ++i;
    }
    std::int64_t nSigned = bNegative ? -nMagnitude : nMagnitude;
    if (nSigned > std::numeric_limits<std::int32_t>::max())
        nSigned = std::numeric_limits<std::int32_t>::max();
    if (nSigned < std::numeric_limits<std::int32_t>::min())
        nSigned = std::numeric_limits<std::int32_t>::min();
    if (!bDigits)
        nSigned = 0;

    // A value of 0 is only a number when the text says 0 outright.
    if (nSigned == 0 && chFirst != QLatin1Char('0'))
        return false;
    while (i < n && IsBlank(str[i]))
        ++i;
    if (i != n)
        return false;
    nValue = static_cast<int>(nSigned);
    return true;
}

QString IntegerMessage()
{
    return QCoreApplication::translate("DialogInt", "Please enter an integer.");
}

QString IntegerRangeMessage(int nMin, int nMax)
{
    return QCoreApplication::translate("DialogInt", "Please enter an integer between %1 and %2.")
        .arg(nMin)
        .arg(nMax);
}

QString MaxCharsMessage(int nMax)
{
    return QCoreApplication::translate("DialogInt", "Please enter no more than %1 characters.")
        .arg(nMax);
}
