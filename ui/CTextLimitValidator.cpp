#include "CTextLimitValidator.h"

#include <QLineEdit>
#include <algorithm>

CTextLimitValidator::CTextLimitValidator(QLineEdit* pEdit, int nLimit)
    : QValidator(pEdit), m_nLimit(nLimit)
{
    m_nLastLength = pEdit->text().size();
    // textChanged follows every accepted change, the program's setText too,
    // so the length before the next edit is always known.
    connect(pEdit, &QLineEdit::textChanged, this,
            [this](const QString& strText) { m_nLastLength = strText.size(); });
    pEdit->setValidator(this);
}

QValidator::State CTextLimitValidator::validate(QString& strInput, int& nPos) const
{
    const qsizetype nAllowed = std::max<qsizetype>(m_nLimit, m_nLastLength);
    const qsizetype nExcess = strInput.size() - nAllowed;
    if (nExcess <= 0)
        return Acceptable;
    // The characters just typed or pasted stand before the cursor: keep as
    // many of them as fit.
    if (nPos < nExcess)
        return Invalid;
    strInput.remove(nPos - nExcess, nExcess);
    nPos -= static_cast<int>(nExcess);
    return Acceptable;
}
