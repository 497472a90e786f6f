// The pool's table: whole rows are selected, one or more (Ctrl and Shift
// extend the selection), and the user can change the selection but never
// clear it. Columns can be resized; the last one takes the rest of the width.
#pragma once

#include <QTableView>
#include <vector>

class CPoolTable : public QTableView
{
    Q_OBJECT
  public:
    explicit CPoolTable(QWidget* pParent = nullptr);

    int count() const;
    // The current row when it is selected, else the first selected row, or
    // -1: the row the form shows.
    int GetCurSel() const;
    // Every selected row, ascending.
    std::vector<int> GetSelectedLines() const;
    // Selects row nIndex (-1 or a row that does not exist: none) without
    // reporting a selection change.
    void SetCurSel(int nIndex);
    // Makes row nIndex current, selecting it as flags say (reported).
    void SetCurrentRow(int nIndex, QItemSelectionModel::SelectionFlags flags);
    // The rectangle of row nIndex's first cell in the viewport.
    QRect RowRect(int nIndex) const;

  private:
    bool IsRowSelected(int nRow) const;

  signals:
    // The user (or SetCurrentRow) changed the selection.
    void SelectionChanged();

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* pEvent) const override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
};
