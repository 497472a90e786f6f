// The typing limit of a text field: the user cannot make the text longer
// than the limit (a paste is cut to fit), but a longer text that the program
// put into the field stays whole and can still be shortened.
#pragma once

#include <QValidator>

class QLineEdit;

class CTextLimitValidator : public QValidator
{
    Q_OBJECT
  public:
    // Installs itself on pEdit.
    CTextLimitValidator(QLineEdit* pEdit, int nLimit);

    int Limit() const { return m_nLimit; }
    // Sets a field's text from the program: whole, whatever its length
    // (the field's text checks report a text that is too long).
    static void SetText(QLineEdit* pEdit, const QString& strText);
    State validate(QString& strInput, int& nPos) const override;

  private:
    int m_nLimit;
    QString m_strLast;           // the text before the edit
    bool m_bProgramText = false; // the program sets the text: no limit
};
