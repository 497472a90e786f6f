#include "CPoolTableModel.h"

#include "Multisample.h"
#include "PoolInstruments.h"
#include "RootKey.h"
#include "StdText.h"
#include "WavReader.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <algorithm>
#include <filesystem>

namespace
{
// The prefix of the group line; the Keys column's header says it instead.
const QString kKeysPrefix = QStringLiteral("Keys: ");
} // namespace

CPoolTableModel::CPoolTableModel(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                                 QObject* pParent)
    : QAbstractTableModel(pParent), m_doc(doc), m_aWavInfo(aWavInfo)
{
}

int CPoolTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int CPoolTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return ShownColumns();
}

int CPoolTableModel::ShownColumns() const
{
    if (m_bShowZones)
        return kAllColumns;
    return m_bShowKeys ? kColumnCount : kColKeys;
}

QVariant CPoolTableModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    if (nRole != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return nSection + 1;
    switch (nSection)
    {
    case kColFile:
        return tr("File");
    case kColSample:
        return tr("Sample");
    case kColKeymap:
        return tr("Keymap");
    case kColProgram:
        return tr("Program");
    case kColRootKey:
        return tr("Root Key");
    case kColLoop:
        return tr("Loop");
    case kColFormat:
        return tr("Format");
    case kColKeys:
        return tr("Keys");
    case kColVelocity:
        return tr("Velocity");
    default:
        return {};
    }
}

QVariant CPoolTableModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= m_nRows || index.column() >= columnCount())
        return {};
    if (nRole == Qt::DisplayRole)
        return CellText(index.row(), index.column());
    if (nRole != Qt::ToolTipRole)
        return {};
    if (index.column() == kColFile)
        return FromStd(m_doc.m_aPool[index.row()].FilePath());
    if (index.column() == kColKeys && m_doc.m_aPool[index.row()].m_pZone)
        return FromStd(ZoneDetailsText(m_doc.m_aPool[index.row()].m_pZone->zone));
    if (index.column() == kColKeys)
        return GroupKeysText(m_doc, m_aWavInfo, index.row());
    return CellText(index.row(), index.column());
}

QString CPoolTableModel::CellText(int nRow, int nColumn) const
{
    const CWPoolObj& entry = m_doc.m_aPool[nRow];
    switch (nColumn)
    {
    case kColFile:
        // Paths from another machine may use either separator.
        return QFileInfo(FromStd(entry.FilePath()).replace(QLatin1Char('\\'), QLatin1Char('/')))
            .fileName();
    case kColSample:
        return FromStd(entry.m_strSampleName);
    case kColKeymap:
        return FromStd(entry.m_strKeymapName);
    case kColProgram:
        return FromStd(entry.m_strProgramName);
    case kColRootKey:
        return FromStd(RootKeyText(entry.m_nRootKey));
    case kColLoop:
        return entry.m_bLoop ? tr("On") : tr("Off");
    case kColFormat:
        return TypeText(m_aWavInfo[nRow], entry);
    case kColKeys:
        return KeysText(nRow);
    case kColVelocity:
        return entry.m_pZone ? FromStd(ZoneVelocityText(entry.m_pZone->zone)) : QString();
    default:
        return {};
    }
}

QString CPoolTableModel::KeysText(int nRow) const
{
    if (const auto& pZone = m_doc.m_aPool[nRow].m_pZone)
        return FromStd(ZoneKeysText(pZone->zone));
    if (!m_bShowKeys)
        return {};
    const QString strText = GroupKeysText(m_doc, m_aWavInfo, nRow);
    return strText.startsWith(kKeysPrefix) ? strText.mid(kKeysPrefix.size()) : strText;
}

void CPoolTableModel::Reset()
{
    beginResetModel();
    m_nRows = std::clamp(m_doc.m_nCount, 0, MAX_POOL);
    endResetModel();
}

void CPoolTableModel::RowAdded(int n)
{
    if (n != m_nRows || n >= MAX_POOL)
    {
        Reset();
        return;
    }
    beginInsertRows(QModelIndex(), n, n);
    ++m_nRows;
    endInsertRows();
}

void CPoolTableModel::RowChanged(int n)
{
    if (n < 0 || n >= m_nRows)
        return;
    emit dataChanged(index(n, 0), index(n, columnCount() - 1));
    if (m_bShowKeys || m_bShowZones)
        emit dataChanged(index(0, kColKeys), index(m_nRows - 1, kColKeys));
}

void CPoolTableModel::AllChanged()
{
    if (m_nRows > 0)
        emit dataChanged(index(0, 0), index(m_nRows - 1, columnCount() - 1));
}

void CPoolTableModel::SetShowKeys(bool bShow)
{
    ChangeColumns(bShow, m_bShowZones);
}

void CPoolTableModel::SetShowZones(bool bShow)
{
    ChangeColumns(m_bShowKeys, bShow);
}

void CPoolTableModel::ChangeColumns(bool bShowKeys, bool bShowZones)
{
    const int nBefore = ShownColumns();
    const bool bKeysBefore = m_bShowKeys;
    const bool bZonesBefore = m_bShowZones;
    m_bShowKeys = bShowKeys;
    m_bShowZones = bShowZones;
    const int nAfter = ShownColumns();
    if (nAfter > nBefore)
    {
        m_bShowKeys = bKeysBefore;
        m_bShowZones = bZonesBefore;
        beginInsertColumns(QModelIndex(), nBefore, nAfter - 1);
        m_bShowKeys = bShowKeys;
        m_bShowZones = bShowZones;
        endInsertColumns();
    }
    else if (nAfter < nBefore)
    {
        m_bShowKeys = bKeysBefore;
        m_bShowZones = bZonesBefore;
        beginRemoveColumns(QModelIndex(), nAfter, nBefore - 1);
        m_bShowKeys = bShowKeys;
        m_bShowZones = bShowZones;
        endRemoveColumns();
    }
    else if (m_nRows > 0 && nAfter > kColKeys)
    {
        // The same columns, another meaning of the Keys column for files.
        emit dataChanged(index(0, kColKeys), index(m_nRows - 1, kColKeys));
    }
}

QString CPoolTableModel::TypeText(const WAVINFO& info, const CWPoolObj& entry)
{
    // Audio held in the instrument file itself.
    if (HasZoneData(entry))
        return FromStd(info.strTypeText);
    // A file that is not there is no unsupported file type: the line says so.
    if (!IsFile(entry.FilePath()))
        return tr("File not found");
    // A converted or resampled entry says what its file is and what it
    // becomes; a plain one shows its format.
    return FromStd(info.strTypeText.empty() ? WavTypeText(info) : info.strTypeText);
}

QString CPoolTableModel::GroupKeysText(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                                       int nEntry)
{
    if (nEntry < 0 || nEntry >= std::min(doc.m_nCount, MAX_POOL))
        return {};
    if (!doc.m_aPool[nEntry].m_bKeymapEnable)
        return tr("Keys: none (keymap disabled)");
    if (!aWavInfo[nEntry].bValid)
        return tr("Keys: none (file not usable)");
    for (const CKeymapGroup& group : GroupPoolEntries(doc, aWavInfo))
    {
        const auto it = std::find(group.aEntries.begin(), group.aEntries.end(), nEntry);
        if (it == group.aEntries.end())
            continue;
        const int nIndex = static_cast<int>(it - group.aEntries.begin());
        const int nSamples = static_cast<int>(group.aEntries.size());
        const QString strCount =
            nSamples == 1 ? tr("1 sample in group") : tr("%1 samples in group").arg(nSamples);
        for (const CKeyRange& range :
             KeyRanges({group.anKeySample.begin(), group.anKeySample.end()}))
            if (range.nValue == nIndex)
                return tr("Keys: %1 (%2)")
                    .arg(FromStd(KeyRangeText(range.nLowKey, range.nHighKey)), strCount);
        // Another entry of the group has the same root key and plays it.
        return tr("Keys: none, root key shared (%1)").arg(strCount);
    }
    return {};
}

QString CPoolTableModel::ShortPathText(const QString& strPath, const QFontMetrics& fm, int nWidth)
{
    if (fm.horizontalAdvance(strPath) <= nWidth)
        return strPath;
    const qsizetype nSep =
        std::max(strPath.lastIndexOf(QLatin1Char('/')), strPath.lastIndexOf(QLatin1Char('\\')));
    const QString strName = strPath.mid(nSep + 1);
    const QString strFolder = strPath.left(nSep + 1);
    const int nFolderWidth = nWidth - fm.horizontalAdvance(strName);
    const QString strEllipsis(QChar(0x2026));
    if (nSep >= 0 && nFolderWidth >= fm.horizontalAdvance(strEllipsis + strPath.at(nSep)))
    {
        const QString strShort = fm.elidedText(strFolder, Qt::ElideMiddle, nFolderWidth);
        if (!strShort.isEmpty())
            return strShort + strName;
    }
    return fm.elidedText(strName, Qt::ElideMiddle, nWidth);
}
