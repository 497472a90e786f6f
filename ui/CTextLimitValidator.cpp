#include "CTextLimitValidator.h"

#include <QLineEdit>
#include <algorithm>

CTextLimitValidator::CTextLimitValidator(QLineEdit* pEdit, int nLimit)
    : QValidator(pEdit), m_nLimit(nLimit)
{
    m_strLast = pEdit->text();
    // textChanged follows every accepted change, the program's setText too,
    // so the length before the next edit is always known.
    connect(pEdit, &QLineEdit::textChanged, this,
            [this](const QString& strText) { m_strLast = strText; });
    pEdit->setValidator(this);
}

void CTextLimitValidator::SetText(QLineEdit* pEdit, const QString& strText)
{
    // The line edit runs its validator on the program's texts too; tell it
    // to let this one through.
    auto* pValidator =
        qobject_cast<CTextLimitValidator*>(const_cast<QValidator*>(pEdit->validator()));
    if (pValidator)
        pValidator->m_bProgramText = true;
    pEdit->setText(strText);
    if (pValidator)
        pValidator->m_bProgramText = false;
}

QValidator::State CTextLimitValidator::validate(QString& strInput, int& nPos) const
{
    if (m_bProgramText)
        return Acceptable;
    const qsizetype nAllowed = std::max<qsizetype>(m_nLimit, m_strLast.size());
    const qsizetype nExcess = strInput.size() - nAllowed;
    if (nExcess <= 0)
        return Acceptable;
    // The characters just typed or pasted stand before the cursor: keep as
    // many of them as fit.
    if (nPos < nExcess)
        return Invalid;
    strInput.remove(nPos - nExcess, nExcess);
    nPos -= static_cast<int>(nExcess);
    // Nothing of the input fits: refuse the keystroke outright, so that no
    // change is reported.
    return strInput == m_strLast ? Invalid : Acceptable;
}
