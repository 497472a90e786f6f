// The pool as a table: one row per entry, one column per fact the user
// names or reads (file, sample, keymap, program, root key, loop, format) and,
// while multisample keymaps are on, the keys the entry plays in its group.
// The model reads the document and the entries' WAV facts where they are;
// its rows change only when it is told (Reset, RowAdded, RowChanged), so that
// a table never sees a row count that moved behind its back.
#pragma once

#include "CDorvane_V2Doc.h"
#include "PoolEdit.h"

#include <QAbstractTableModel>
#include <QString>

class QFontMetrics;

class CPoolTableModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    enum EColumn
    {
        kColFile,
        kColSample,
        kColKeymap,
        kColProgram,
        kColRootKey,
        kColLoop,
        kColFormat,
        kColKeys, // only while ShowsKeys() or ShowsZones()
        kColumnCount,
        // Only while ShowsZones(): then kAllColumns are shown.
        kColVelocity = kColumnCount,
        kAllColumns
    };

    CPoolTableModel(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                    QObject* pParent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the column's text (the file column the file's name);
    // ToolTipRole: the file column the full path, the others their text.
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;

    // Every row anew: as many as the document has entries (at most MAX_POOL).
    void Reset();
    // Entry n was added at the end of the pool.
    void RowAdded(int n);
    // Entry n shows other facts; every row's Keys column follows, as one
    // entry's root key or keymap name moves the ranges of its group.
    void RowChanged(int n);
    // Every row shows other facts (the row count stays).
    void AllChanged();
    // The Keys column is shown (multisample keymaps on) or not.
    void SetShowKeys(bool bShow);
    bool ShowsKeys() const { return m_bShowKeys; }
    // The Keys and Velocity columns are shown for entries made from
    // instrument zones (their key and velocity ranges) or not.
    void SetShowZones(bool bShow);
    bool ShowsZones() const { return m_bShowZones; }

    // The Type line of an entry: what its file is (and what it becomes when
    // converted), or "File not found" when the file is not there.
    static QString TypeText(const WAVINFO& info, const CWPoolObj& entry);
    // The group line "Keys: C 0-E 2 (3 samples in group)" for entry nEntry:
    // the keys its sample plays in the keymap of the entries that share its
    // keymap name (see Multisample.h).
    static QString GroupKeysText(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                                 int nEntry);
    // A path in nWidth pixels: the file name whole and the folder before it
    // shortened in the middle; a name that alone does not fit is itself
    // shortened in the middle.
    static QString ShortPathText(const QString& strPath, const QFontMetrics& fm, int nWidth);

  private:
    QString CellText(int nRow, int nColumn) const;
    // The Keys column of entry nRow: its zone's key range, or its keys in
    // its group.
    QString KeysText(int nRow) const;
    // The columns shown as m_bShowKeys and m_bShowZones say, columns
    // added or removed at the end.
    int ShownColumns() const;
    void ChangeColumns(bool bShowKeys, bool bShowZones);

    const CDorvane_V2Doc& m_doc;
    const WavInfoArray& m_aWavInfo;
    int m_nRows = 0;
    bool m_bShowKeys = false;
    bool m_bShowZones = false;
};
