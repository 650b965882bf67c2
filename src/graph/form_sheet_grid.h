#pragma once

#include <QTableView>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/sheet_rows.h"

class QScrollBar;

namespace korvan {

class SheetWindowModel;

// The table's grid for any number of rows. The view is given only the rows in sight (its model
// is a window over the rows), so that Qt keeps no record per row; a scroll bar over all rows
// takes the place of the view's own. The current cell and the selection are kept in absolute
// rows, and keys, the wheel, clicks, drags and the headers act on all rows as they would in a
// view holding every row; the view is shown the part of the selection in sight.
class SheetGrid : public QTableView {
  Q_OBJECT
 public:
  // An absolute row and a model column (a line).
  struct Cell {
    size_t row = 0;
    int column = 0;
  };

  explicit SheetGrid(const SheetRows& rows, QWidget* parent = nullptr);
  ~SheetGrid() override;

  // The grid in a frame beside its scroll bar over all rows, as a scroll area holds its bars.
  QWidget* Framed(QWidget* parent);
  QScrollBar* RowBar() const { return bar_; }

  // The rows shown: the window's first and how many are in sight whole (a page).
  size_t FirstRow() const;
  size_t PageRows() const { return page_; }
  // Rows the grid has: the rows, or one empty row when there are none.
  size_t TotalRows() const;

  Cell Current() const { return cursor_; }
  // The cursor to a cell, which comes into view; with extend the selection reaches from the
  // anchor to it, otherwise the cell alone is selected and becomes the anchor.
  void MoveTo(Cell cell, bool extend);
  // Whole columns (model columns) or whole rows, from one to the other in the order shown.
  void SelectColumns(int from, int to);
  void SelectRows(size_t from, size_t to);
  void selectAll() override;

  // Ctrl+C: the selected cells as tab-separated text with their header row and times, the
  // selected columns in their shown order; "" when nothing is selected.
  std::string SelectedText() const;
  void CopySelection();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The selection is ours: what Qt would select over the window is left undone.
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  void keyboardSearch(const QString&) override {}

 private:
  int VisualColumn(int column) const;
  int ColumnAtVisual(int visual) const;
  // The cell under a point of the viewport, the nearest one when the point is outside.
  Cell CellAt(QPoint point) const;
  void ShowFrom(int first);
  void Refit();
  void ScrollToRow(size_t row);
  void SelectSpan(size_t top, size_t bottom, int from_column, int to_column);
  void Mirror();
  void AutoScroll();
  void UpdateCorner();

  const SheetRows& rows_;
  SheetWindowModel* model_;
  QScrollBar* bar_;
  QWidget* corner_ = nullptr;
  size_t page_ = 1;
  int capacity_ = 1;
  Cell cursor_, anchor_;
  // The selection: rows top..bottom of the columns whose bit is set.
  bool selected_ = false;
  size_t top_ = 0, bottom_ = 0;
  std::vector<bool> columns_;
  int column_anchor_ = 0;
  size_t row_anchor_ = 0;
  bool dragging_ = false;
  QPoint drag_at_;
  QTimer drag_timer_;
};

}  // namespace korvan
