#include "CRecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace
{
const QString kSection = QStringLiteral("Recent File List");
}

void CRecentFileList::Add(const QString& strPath)
{
    const QString strFull = QDir::cleanPath(QFileInfo(strPath).absoluteFilePath());
    m_aFiles.removeAll(strFull);
    m_aFiles.prepend(strFull);
    while (m_aFiles.size() > kSize)
        m_aFiles.removeLast();
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex >= 0 && nIndex < m_aFiles.size())
        m_aFiles.removeAt(nIndex);
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_aFiles.clear();
    settings.beginGroup(kSection);
    for (int i = 1; i <= kSize; ++i)
    {
        const QString strFile = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!strFile.isEmpty() && !m_aFiles.contains(strFile))
            m_aFiles.append(strFile);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.remove(kSection);
    settings.beginGroup(kSection);
    for (int i = 0; i < m_aFiles.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), m_aFiles[i]);
    settings.endGroup();
    settings.sync();
}

QString CRecentFileList::GetDisplayName(int nIndex, const QString& strCurrentDir) const
{
    if (nIndex < 0 || nIndex >= m_aFiles.size())
        return {};
    const QFileInfo info(m_aFiles[nIndex]);
    QString strName = m_aFiles[nIndex];
    if (!strCurrentDir.isEmpty() &&
        QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(strCurrentDir))
        strName = info.fileName();
    return AbbreviatePath(strName, kMaxDisplayLength);
}

QString AbbreviatePath(const QString& strPath, int nMax)
{
    if (strPath.size() <= nMax)
        return strPath;
    const qsizetype nSlash = strPath.lastIndexOf(QLatin1Char('/'));
    const QString strFileName = nSlash < 0 ? strPath : strPath.mid(nSlash + 1);
    if (nSlash < 0 || strFileName.size() > nMax)
        return strFileName;

    // The "volume": the root and the first folder ("/home" of
    // "/home/user/x.dvn"); a file right in the first folder has nothing to
    // leave out but that folder.
    const qsizetype nVolEnd = strPath.indexOf(QLatin1Char('/'), 1);
    if (nVolEnd < 0 || nVolEnd >= nSlash)
        return strFileName;
    const QString strVolume = strPath.left(nVolEnd);
    if (nMax < strVolume.size() + 5 + strFileName.size())
        return strFileName;

    QString strRest = strPath.mid(nVolEnd); // begins with '/'
    while (strVolume.size() + 4 + strRest.size() > nMax)
    {
        const qsizetype nNext = strRest.indexOf(QLatin1Char('/'), 1);
        if (nNext < 0)
            break;
        strRest = strRest.mid(nNext);
    }
    return strVolume + QStringLiteral("/...") + strRest;
}
