#include "CPoolTable.h"

#include <QHeaderView>
#include <algorithm>

CPoolTable::CPoolTable(QWidget* pParent) : QTableView(pParent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideMiddle);
    setWordWrap(false);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->hide();
}

int CPoolTable::count() const
{
    return model() ? model()->rowCount() : 0;
}

int CPoolTable::GetCurSel() const
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && IsRowSelected(current.row()))
        return current.row();
    const std::vector<int> aLines = GetSelectedLines();
    return aLines.empty() ? -1 : aLines.front();
}

std::vector<int> CPoolTable::GetSelectedLines() const
{
    std::vector<int> aLines;
    if (!selectionModel())
        return aLines;
    // By the first column: a column shown later is not selected in the
    // rows selected before it came.
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (index.column() == 0)
            aLines.push_back(index.row());
    std::sort(aLines.begin(), aLines.end());
    return aLines;
}

void CPoolTable::SetCurSel(int nIndex)
{
    const QSignalBlocker blocker(this);
    const QSignalBlocker modelBlocker(selectionModel());
    if (nIndex >= 0 && nIndex < count())
    {
        selectionModel()->setCurrentIndex(model()->index(nIndex, 0),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
        scrollTo(model()->index(nIndex, 0));
    }
    else
    {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    viewport()->update();
}

void CPoolTable::SetCurrentRow(int nIndex, QItemSelectionModel::SelectionFlags flags)
{
    if (nIndex >= 0 && nIndex < count())
        selectionModel()->setCurrentIndex(model()->index(nIndex, 0),
                                          flags | QItemSelectionModel::Rows);
}

bool CPoolTable::IsRowSelected(int nRow) const
{
    return selectionModel()->isSelected(model()->index(nRow, 0));
}

QModelIndex CPoolTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    // Home and End go to the first and last row, as in a list; Left and
    // Right have no columns to move between, as whole rows are selected.
    const int nColumn = std::max(0, currentIndex().column());
    switch (action)
    {
    case MoveHome:
        return count() > 0 ? model()->index(0, nColumn) : QModelIndex();
    case MoveEnd:
        return count() > 0 ? model()->index(count() - 1, nColumn) : QModelIndex();
    case MoveLeft:
    case MoveRight:
        return currentIndex();
    default:
        return QTableView::moveCursor(action, modifiers);
    }
}

QRect CPoolTable::RowRect(int nIndex) const
{
    return visualRect(model()->index(nIndex, 0));
}

QItemSelectionModel::SelectionFlags CPoolTable::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* pEvent) const
{
    // A click or a key moves or extends the selection; nothing clears it,
    // not even Ctrl+click on the last selected row.
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags flags = QTableView::selectionCommand(index, pEvent);
    const bool bRemoves = (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) &&
                          !(flags & QItemSelectionModel::Clear);
    if (bRemoves && IsRowSelected(index.row()) && GetSelectedLines().size() == 1)
        return QItemSelectionModel::NoUpdate;
    return flags;
}

void CPoolTable::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (!signalsBlocked())
        emit SelectionChanged();
}
