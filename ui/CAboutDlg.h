// The About box "About Dorvane_V2": the program's picture in a sunken frame
// and an OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog
{
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* m_ctlPicture;
    QPushButton* m_btnOK;
};
