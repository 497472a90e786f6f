// The controller's commands that add, relink and remove pool entries, and
// their messages.
#include "CPoolController.h"

#include "CDialogService.h"
#include "CEntryForm.h"
#include "CPoolTable.h"
#include "MakeFile.h"
#include "RootKey.h"
#include "StdText.h"
#include "WavReader.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

namespace
{
QString AppTitle()
{
    return CPoolController::tr(kAppTitle);
}

FileFilters WavFilters()
{
    return {{QObject::tr("WAV Files: *.WAV"), QStringLiteral("*.wav")},
            {QObject::tr("All Files: *.*"), QStringLiteral("*")}};
}

// With conversion on, Add's file dialogs propose every audio file Add takes.
FileFilters AudioFilters()
{
    return {{QObject::tr("Audio Files: *.WAV *.AIF *.AIFF *.AIFC *.FLAC *.CAF *.W64"),
             QStringLiteral("*.wav *.aif *.aiff *.aifc *.flac *.caf *.w64")},
            {QObject::tr("WAV Files: *.WAV"), QStringLiteral("*.wav")},
            {QObject::tr("All Files: *.*"), QStringLiteral("*")}};
}

// The extensions conversion adds to ".wav" (compared in any case).
const QStringList kOtherAudioSuffixes = {QStringLiteral("aif"),  QStringLiteral("aiff"),
                                         QStringLiteral("aifc"), QStringLiteral("flac"),
                                         QStringLiteral("caf"),  QStringLiteral("w64")};

// The most missing files one message names; the rest are counted.
constexpr int kMaxListedMissing = 15;
} // namespace

bool CPoolController::RefuseFullPool()
{
    if (m_nPoolCount < MAX_POOL)
        return false;
    m_dialogs.MessageBox(m_pOwner, tr(kPoolFullMessage), AppTitle(), MessageIcon::None);
    return true;
}

void CPoolController::StoreSelectedEntry()
{
    const int nSel = m_pTable->GetCurSel();
    if (nSel >= 0 && nSel < MAX_POOL)
    {
        UpdateData(true);
        CWPoolObj& entry = m_doc.m_aPool[nSel];
        entry.m_strSampleName = m_pForm->m_strSampleName.toStdString();
        entry.m_strProgramName = m_pForm->m_strProgramName.toStdString();
        entry.m_strKeymapName = m_pForm->m_strKeymapName.toStdString();
        entry.m_bLoop = m_pForm->m_btnLoopSwitch->isChecked() ? 1 : 0;
        entry.m_nRootKey = m_nRootNote + 12 * m_nRootOctave;
        entry.m_bKeymapEnable = m_pForm->m_btnKeymapEnable->isChecked() ? 1 : 0;
        entry.m_bProgramEnable = m_pForm->m_btnProgramEnable->isChecked() ? 1 : 0;
        m_model.RowChanged(nSel);
    }
}

void CPoolController::OnAdd()
{
    m_nPoolCount = m_doc.m_nCount;
    StoreSelectedEntry();
    if (RefuseFullPool())
        return;
    AddFiles(m_dialogs.GetOpenFileNames(m_pOwner, tr("Open a WAV-File"),
                                        AudioOptions().bConvert ? AudioFilters() : WavFilters(),
                                        QStringLiteral("WAV")));
}

void CPoolController::OnAddFolder()
{
    m_nPoolCount = m_doc.m_nCount;
    StoreSelectedEntry();
    if (RefuseFullPool())
        return;
    const QString strFolder = m_dialogs.GetExistingDirectory(
        m_pOwner, tr("Add the WAV-Files of a Folder"), QStringLiteral("WAV"));
    if (strFolder.isEmpty())
        return;
    const QStringList aFiles = WavFilesIn(strFolder, AudioOptions().bConvert);
    if (aFiles.isEmpty())
    {
        const QString strText = AudioOptions().bConvert ? tr("There are no audio files in %1")
                                                        : tr("There are no WAV-Files in %1");
        m_dialogs.MessageBox(m_pOwner, strText.arg(strFolder), AppTitle(), MessageIcon::None);
        return;
    }
    AddFiles(aFiles);
}

void CPoolController::DropFiles(const QStringList& aPaths)
{
    m_nPoolCount = m_doc.m_nCount;
    StoreSelectedEntry();
    AddFiles(aPaths);
}

bool CPoolController::IsAddablePath(const QString& strPath, bool bOtherAudio)
{
    const QString strSuffix = QFileInfo(strPath).suffix().toLower();
    return strSuffix == QStringLiteral("wav") ||
           (bOtherAudio && kOtherAudioSuffixes.contains(strSuffix));
}

QStringList CPoolController::WavFilesIn(const QString& strFolder, bool bOtherAudio)
{
    const QDir dir(strFolder);
    QStringList aFiles;
    const QFileInfoList aInfos =
        dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : aInfos)
    {
        if (IsAddablePath(info.fileName(), bOtherAudio))
            aFiles << info.absoluteFilePath();
    }
    return aFiles;
}

QStringList CPoolController::DroppedWavFiles(const QList<QUrl>& aUrls, bool bOtherAudio)
{
    QStringList aFiles;
    for (const QUrl& url : aUrls)
    {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir())
            aFiles << WavFilesIn(info.absoluteFilePath(), bOtherAudio);
        else if (info.isFile() && IsAddablePath(info.fileName(), bOtherAudio))
            aFiles << info.absoluteFilePath();
    }
    return aFiles;
}

QString CPoolController::LongPathsMessage(const QStringList& aPaths)
{
    QString strText = aPaths.size() == 1
                          ? tr("This file was not added: its path is longer than %1 characters:\n")
                                .arg(kMaxWavPath)
                          : tr("These %1 files were not added: their paths are longer than %2 "
                               "characters:\n")
                                .arg(aPaths.size())
                                .arg(kMaxWavPath);
    for (const QString& strPath : aPaths)
        strText += QStringLiteral("\n") + strPath;
    return strText + tr("\n\nA shorter folder or file name lets them be added.");
}

QString CPoolController::MissingFilesMessage(const QStringList& aPaths)
{
    const bool bOne = aPaths.size() == 1;
    QString strText = bOne ? tr("1 file of the pool was not found:\n")
                           : tr("%1 files of the pool were not found:\n").arg(aPaths.size());
    for (int i = 0; i < aPaths.size() && i < kMaxListedMissing; ++i)
        strText += QStringLiteral("\n") + aPaths[i];
    if (aPaths.size() > kMaxListedMissing)
        strText += tr("\n... and %1 more").arg(aPaths.size() - kMaxListedMissing);
    strText += bOne ? tr("\n\nIts entry stays in the pool and is left out of the ")
                    : tr("\n\nTheir entries stay in the pool and are left out of the ");
    strText += tr("Krz-File. Pool > Relink wav-file... points an entry at its file.");
    return strText;
}

QString CPoolController::LeftOutMessage(int nLeftOut)
{
    return tr(kPoolFullMessage) +
           (nLeftOut == 1 ? tr("\n1 of the chosen files was not added.")
                          : tr("\n%1 of the chosen files were not added.").arg(nLeftOut));
}

int CPoolController::AddFiles(const QStringList& aPaths)
{
    int nAdded = 0;
    int nLeftOut = 0;
    int nLast = -1;
    QStringList aTooLong;
    for (const QString& strPath : aPaths)
    {
        if (strPath.isEmpty())
            continue;
        // The pool keeps paths of at most kMaxWavPath characters; a longer
        // one is named to the user, never passed over in silence.
        if (strPath.size() > kMaxWavPath)
        {
            aTooLong << strPath;
            continue;
        }
        const std::string strTitle = FileTitleOf(strPath.toStdString());
        if (strTitle.empty())
            continue;
        const int n = AddPoolEntry(m_doc, strPath.toStdString(), strTitle);
        if (n < 0)
        {
            ++nLeftOut;
            continue;
        }
        ++nAdded;
        nLast = n;
        m_nPoolCount = m_doc.m_nCount;
        m_model.RowAdded(n);
        m_pTable->SetCurSel(n);
        // Each file's header is read as it is added, with its message; the
        // root key and loop it stores are known only after that.
        ReadWavHeader(n);
        ApplyFileMetadata(m_doc.m_aPool[n], m_aWavInfo[n], strTitle, AudioOptions());
        m_model.RowChanged(n);
    }
    if (nLast >= 0)
    {
        ShowNewEntry(nLast);
        SetModified();
    }
    if (!aTooLong.isEmpty())
        m_dialogs.MessageBox(m_pOwner, LongPathsMessage(aTooLong), AppTitle(),
                             MessageIcon::Exclamation);
    if (nLeftOut > 0)
        m_dialogs.MessageBox(m_pOwner, LeftOutMessage(nLeftOut), AppTitle(), MessageIcon::None);
    return nAdded;
}

void CPoolController::ShowNewEntry(int n)
{
    const CWPoolObj& entry = m_doc.m_aPool[n];
    m_nPoolCount = m_doc.m_nCount;
    m_pForm->m_strFileName = FromStd(entry.FilePath());
    m_pTable->SetCurSel(n);
    m_pForm->m_strWavType = CPoolTableModel::TypeText(m_aWavInfo[n], entry);
    m_pForm->m_strSampleName = FromStd(entry.m_strSampleName);
    m_pForm->m_strKeymapName.clear();
    m_pForm->m_strProgramName.clear();
    // Add's defaults, or what the file stores (ApplyFileMetadata).
    m_pForm->m_btnLoopSwitch->setChecked(entry.m_bLoop != 0);
    m_nRootNote = RootKeyNote(entry.m_nRootKey);
    m_nRootOctave = RootKeyOctave(entry.m_nRootKey);
    m_pForm->m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    m_pForm->m_btnKeymapEnable->setChecked(true);
    m_pForm->m_btnProgramEnable->setChecked(true);
    UpdateData(false);
}

void CPoolController::OnRelink()
{
    const int nSel = m_pTable->GetCurSel();
    if (nSel < 0 || nSel >= m_doc.m_nCount || nSel >= MAX_POOL)
        return;
    const QString strPath = m_dialogs.GetOpenFileName(
        m_pOwner, tr("Relink a WAV-File"), AudioOptions().bConvert ? AudioFilters() : WavFilters(),
        QStringLiteral("WAV"));
    if (strPath.isEmpty())
        return;
    if (strPath.size() > kMaxWavPath)
    {
        m_dialogs.MessageBox(m_pOwner, LongPathsMessage({strPath}), AppTitle(),
                             MessageIcon::Exclamation);
        return;
    }
    CWPoolObj& entry = m_doc.m_aPool[nSel];
    entry.m_strFileName = strPath.toStdString();
    entry.m_strFoundPath.clear();
    ReadWavHeader(nSel);
    m_pForm->ShowFile(strPath, CPoolTableModel::TypeText(m_aWavInfo[nSel], entry));
    SetModified();
    EntryEdited(nSel);
}

void CPoolController::OnDelete()
{
    m_doc.m_nCount = m_nPoolCount;
    const std::vector<int> aSelected = m_pTable->GetSelectedLines();
    if (m_nPoolCount < 1 || aSelected.empty())
        return;
    // From the last up, so that each index still names its entry.
    bool bDeleted = false;
    for (auto it = aSelected.rbegin(); it != aSelected.rend(); ++it)
        bDeleted = DeletePoolEntry(m_doc, m_aWavInfo, *it) || bDeleted;
    if (!bDeleted)
        return;
    m_nPoolCount = m_doc.m_nCount;

    m_model.Reset();
    m_pTable->SetCurSel(-1);

    ClearFields();
    m_pForm->m_btnKeymapEnable->setChecked(true);
    m_pForm->m_btnProgramEnable->setChecked(true);
    UpdateData(false);
    SetModified();
    UpdateGroupKeys();
}
