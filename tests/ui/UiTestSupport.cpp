#include "UiTestSupport.h"

#include "CBackgroundWork.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace uitest
{

QString CFakeDialogs::GetOpenFileName(QWidget*, const QString& strTitle,
                                      const FileFilters& aFilters, const QString& strDefaultExt)
{
    m_aFileCalls.push_back({false, strTitle, aFilters, strDefaultExt, false});
    if (m_aFileAnswers.empty())
        return {};
    QString str = m_aFileAnswers.front();
    m_aFileAnswers.pop_front();
    return str;
}

QStringList CFakeDialogs::GetOpenFileNames(QWidget*, const QString& strTitle,
                                           const FileFilters& aFilters,
                                           const QString& strDefaultExt)
{
    if (m_aMultiFileAnswers.empty())
    {
        const QString str = GetOpenFileName(nullptr, strTitle, aFilters, strDefaultExt);
        return str.isEmpty() ? QStringList() : QStringList{str};
    }
    m_aFileCalls.push_back({false, strTitle, aFilters, strDefaultExt, false});
    QStringList aFiles = m_aMultiFileAnswers.front();
    m_aMultiFileAnswers.pop_front();
    return aFiles;
}

QString CFakeDialogs::GetExistingDirectory(QWidget*, const QString& strTitle,
                                           const QString& strKindExt)
{
    return GetOpenFileName(nullptr, strTitle, {}, strKindExt);
}

QString CFakeDialogs::GetSaveFileName(QWidget*, const QString& strTitle,
                                      const FileFilters& aFilters, const QString& strDefaultExt,
                                      bool bOverwritePrompt, const QString&)
{
    m_aFileCalls.push_back({true, strTitle, aFilters, strDefaultExt, bOverwritePrompt});
    if (m_aFileAnswers.empty())
        return {};
    QString str = m_aFileAnswers.front();
    m_aFileAnswers.pop_front();
    return str;
}

void CFakeDialogs::MessageBox(QWidget*, const QString& strText, const QString& strCaption,
                              MessageIcon icon)
{
    m_aMessages.push_back({strText, strCaption, icon});
}

YesNoCancel CFakeDialogs::AskYesNoCancel(QWidget*, const QString& strText, const QString&)
{
    m_aQuestions << strText;
    if (m_aYesNoAnswers.empty())
        return YesNoCancel::Cancel;
    const YesNoCancel answer = m_aYesNoAnswers.front();
    m_aYesNoAnswers.pop_front();
    return answer;
}

int CFakeDialogs::ExecDialog(QDialog& dlg)
{
    m_aDialogTitles << dlg.windowTitle();
    dlg.setResult(QDialog::Rejected);
    dlg.show();
    if (m_fnDialog)
        m_fnDialog(dlg);
    if (dlg.isVisible())
        dlg.reject();
    return dlg.result();
}

test::Bytes PatternTemplate()
{
    test::Bytes ab(1248);
    for (std::size_t i = 0; i < ab.size(); ++i)
        ab[i] = static_cast<std::uint8_t>((i * 7 + 3) & 0xFF);
    return ab;
}

CAppHarness::CAppHarness(const QStringList& aArgs, bool bShowAbout, bool bWithTemplate)
{
    m_pCwd = std::make_unique<test::ScopedCurrentDir>(m_dir.Path());
    if (bWithTemplate)
        test::WriteFileBytes(m_dir / "dvntemp.dat", PatternTemplate());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(m_dir / "config"));
    m_pApp = std::make_unique<CDorvane_V2App>(m_dialogs);
    m_pApp->SetTemplateDirs({m_dir.Path().string()});
    m_nExit = m_pApp->InitInstance(aArgs, bShowAbout);
    if (m_pApp->MainWnd())
    {
        auto pSound = std::make_unique<CRecordingSound>();
        m_pSound = pSound.get();
        View().SetSoundPlayer(std::move(pSound));
    }
}

CAppHarness::~CAppHarness()
{
    // No prompts while the window goes.
    if (m_pApp->MainWnd())
    {
        Doc().SetModifiedFlag(false);
        Frame().hide();
    }
    m_pApp.reset();
    m_pCwd.reset();
}

std::string CAppHarness::Wav(const std::string& strName, int nChannels, int nBits, int nRate,
                             std::size_t nDataBytes)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.nBits = static_cast<std::uint16_t>(nBits);
    spec.nRate = static_cast<std::uint32_t>(nRate);
    spec.abData = test::RampData(nDataBytes);
    const std::string strPath = m_dir / strName;
    test::WriteFileBytes(strPath, test::MakeWav(spec));
    return strPath;
}

void CAppHarness::Add(const std::string& strPath)
{
    m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strPath));
    View().m_btnAdd->click();
}

QString RowTip(CDorvane_V2View& view, int nRow, int nColumn)
{
    return view.m_lbPool->model()->index(nRow, nColumn).data(Qt::ToolTipRole).toString();
}

QString RowText(CDorvane_V2View& view, int nRow, int nColumn)
{
    return view.m_lbPool->model()->index(nRow, nColumn).data(Qt::DisplayRole).toString();
}

void ProcessEvents()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

bool TriggerCancelledAtStart(CMainFrame& frame, QAction* pCommand)
{
    CBackgroundWork& work = frame.Work();
    bool bBusy = false;
    const auto conn = QObject::connect(&work, &CBackgroundWork::Started,
                                       [&]
                                       {
                                           bBusy = frame.IsBusy();
                                           work.RequestCancel();
                                       });
    pCommand->trigger();
    QObject::disconnect(conn);
    return bBusy;
}

} // namespace uitest
