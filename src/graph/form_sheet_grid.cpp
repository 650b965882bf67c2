#include "graph/form_sheet_grid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "widgets/form_qt_text.h"

namespace korvan {

// The rows in sight: first_ and the count_ below it. The view's vertical header holds only
// these, so its records stay as few as the rows in sight.
class SheetWindowModel : public QAbstractTableModel {
 public:
  SheetWindowModel(const SheetRows& rows, QObject* parent)
      : QAbstractTableModel(parent), rows_(rows) {}

  size_t First() const { return first_; }
  // The grid keeps one empty row below the header when the range holds no sample.
  size_t Total() const { return std::max<size_t>(rows_.RowCount(), 1); }

  void SetWindow(size_t first, int count) {
    if (count > count_) {
      beginInsertRows({}, count_, count - 1);
      count_ = count;
      endInsertRows();
    } else if (count < count_) {
      beginRemoveRows({}, count, count_ - 1);
      count_ = count;
      endRemoveRows();
    }
    if (first == first_) return;
    first_ = first;
    if (count_ == 0) return;
    emit dataChanged(index(0, 0), index(count_ - 1, std::max(columnCount() - 1, 0)));
    emit headerDataChanged(Qt::Vertical, 0, count_ - 1);
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : count_;
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : rows_.LineCount();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return Q(rows_.CellText(first_ + static_cast<size_t>(index.row()), index.column()));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role == Qt::TextAlignmentRole && orientation == Qt::Vertical) {
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // A caption wider than its column is shown whole when pointed at.
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) role = Qt::DisplayRole;
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return Q(rows_.HeaderText(section + 1));
    return Q(rows_.TimeText(first_ + static_cast<size_t>(section)));
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

 private:
  const SheetRows& rows_;
  size_t first_ = 0;
  int count_ = 0;
};

namespace {

int ClampToInt(size_t value) { return static_cast<int>(std::min<size_t>(value, INT_MAX)); }

}  // namespace

SheetGrid::SheetGrid(const SheetRows& rows, QWidget* parent)
    : QTableView(parent),
      rows_(rows),
      model_(new SheetWindowModel(rows, this)),
      bar_(new QScrollBar(Qt::Vertical)),
      columns_(static_cast<size_t>(std::max(rows.LineCount(), 0))) {
  setModel(model_);
  setAutoScroll(false);  // a drag past the edge scrolls the rows here, not the window
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The window holds the rows in sight and a part of one: the view itself never scrolls down.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (value != 0) verticalScrollBar()->setValue(0);
  });
  bar_->setTracking(true);
  bar_->setSingleStep(1);
  connect(bar_, &QScrollBar::valueChanged, this, &SheetGrid::ShowFrom);
  drag_timer_.setInterval(50);
  connect(&drag_timer_, &QTimer::timeout, this, &SheetGrid::AutoScroll);

  // The headers select whole columns and rows; the view's own handling selects nothing.
  auto shift = [] { return QApplication::keyboardModifiers() & Qt::ShiftModifier; };
  connect(horizontalHeader(), &QHeaderView::sectionPressed, this, [this, shift](int column) {
    if (!shift()) column_anchor_ = column;
    SelectColumns(column_anchor_, column);
  });
  connect(horizontalHeader(), &QHeaderView::sectionEntered, this,
          [this](int column) { SelectColumns(column_anchor_, column); });
  connect(verticalHeader(), &QHeaderView::sectionPressed, this, [this, shift](int section) {
    const size_t row = FirstRow() + static_cast<size_t>(section);
    if (!shift()) row_anchor_ = row;
    SelectRows(row_anchor_, row);
  });
  connect(verticalHeader(), &QHeaderView::sectionEntered, this, [this](int section) {
    SelectRows(row_anchor_, FirstRow() + static_cast<size_t>(section));
  });
  if (!columns_.empty()) cursor_ = anchor_ = {0, 0};
}

SheetGrid::~SheetGrid() {
  if (!bar_->parent()) delete bar_;
}

QWidget* SheetGrid::Framed(QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameStyle(frameStyle());
  setFrameStyle(QFrame::NoFrame);
  auto* layout = new QGridLayout(frame);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(this, 0, 0, 2, 1);
  layout->addWidget(bar_, 0, 1);
  // Below the bar and beside the horizontal one, the corner a scroll area leaves blank.
  corner_ = new QWidget(frame);
  layout->addWidget(corner_, 1, 1);
  // The bar takes all the height the corner leaves: the grid spans both rows.
  layout->setRowStretch(0, 1);
  horizontalScrollBar()->parentWidget()->installEventFilter(this);
  Refit();
  return frame;
}

bool SheetGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show || event->type() == QEvent::Hide) UpdateCorner();
  return QTableView::eventFilter(watched, event);
}

size_t SheetGrid::FirstRow() const { return model_->First(); }
size_t SheetGrid::TotalRows() const { return model_->Total(); }

int SheetGrid::VisualColumn(int column) const { return horizontalHeader()->visualIndex(column); }
int SheetGrid::ColumnAtVisual(int visual) const { return horizontalHeader()->logicalIndex(visual); }

SheetGrid::Cell SheetGrid::CellAt(QPoint point) const {
  const QRect area = viewport()->rect();
  int row = rowAt(std::clamp(point.y(), 0, std::max(area.height() - 1, 0)));
  if (row < 0) row = std::max(model_->rowCount() - 1, 0);
  int column = columnAt(std::clamp(point.x(), 0, std::max(area.width() - 1, 0)));
  if (column < 0) column = ColumnAtVisual(point.x() < 0 ? 0 : model_->columnCount() - 1);
  return {FirstRow() + static_cast<size_t>(row), column};
}

void SheetGrid::ShowFrom(int first) {
  const size_t total = TotalRows();
  const size_t from = std::min(static_cast<size_t>(std::max(first, 0)), total - 1);
  model_->SetWindow(from, static_cast<int>(std::min<size_t>(capacity_, total - from)));
  Mirror();
}

void SheetGrid::Refit() {
  const int row_height = std::max(verticalHeader()->defaultSectionSize(), 1);
  const int height = viewport()->height();
  page_ = static_cast<size_t>(std::max(height / row_height, 1));
  capacity_ = std::max((height + row_height - 1) / row_height, 1);
  const size_t total = TotalRows();
  const int last_first = total > page_ ? ClampToInt(total - page_) : 0;
  bar_->setPageStep(static_cast<int>(page_));
  bar_->setRange(0, last_first);
  if (bar_->parentWidget()) bar_->setVisible(last_first > 0);
  ShowFrom(bar_->value());
  UpdateCorner();
}

void SheetGrid::UpdateCorner() {
  if (!corner_) return;
  corner_->setFixedSize(bar_->sizeHint().width(), horizontalScrollBar()->sizeHint().height());
  corner_->setVisible(!bar_->isHidden() && horizontalScrollBar()->isVisibleTo(this));
}

void SheetGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  Refit();
}

void SheetGrid::ScrollToRow(size_t row) {
  const size_t first = FirstRow();
  if (row < first) {
    bar_->setValue(ClampToInt(row));
  } else if (row >= first + page_) {
    bar_->setValue(ClampToInt(row - page_ + 1));
  }
}

void SheetGrid::SelectSpan(size_t top, size_t bottom, int from_column, int to_column) {
  const int from = VisualColumn(from_column), to = VisualColumn(to_column);
  const int low = std::min(from, to), high = std::max(from, to);
  std::fill(columns_.begin(), columns_.end(), false);
  for (int visual = std::max(low, 0); visual <= high; ++visual) {
    const int column = ColumnAtVisual(visual);
    if (column >= 0) columns_[static_cast<size_t>(column)] = true;
  }
  top_ = top;
  bottom_ = bottom;
  selected_ = true;
}

void SheetGrid::MoveTo(Cell cell, bool extend) {
  if (columns_.empty()) return;
  cell.row = std::min(cell.row, TotalRows() - 1);
  cell.column = std::clamp(cell.column, 0, static_cast<int>(columns_.size()) - 1);
  cursor_ = cell;
  if (!extend) anchor_ = cell;
  SelectSpan(std::min(anchor_.row, cursor_.row), std::max(anchor_.row, cursor_.row), anchor_.column,
             cursor_.column);
  ScrollToRow(cursor_.row);
  const size_t first = FirstRow();
  if (cursor_.row >= first && cursor_.row - first < static_cast<size_t>(model_->rowCount())) {
    scrollTo(model_->index(static_cast<int>(cursor_.row - first), cursor_.column));
  }
  Mirror();
}

void SheetGrid::SelectColumns(int from, int to) {
  if (columns_.empty() || from < 0 || to < 0) return;
  SelectSpan(0, TotalRows() - 1, from, to);
  anchor_ = {0, from};
  cursor_ = {FirstRow(), to};
  Mirror();
}

void SheetGrid::SelectRows(size_t from, size_t to) {
  if (columns_.empty()) return;
  const size_t last = TotalRows() - 1;
  from = std::min(from, last);
  to = std::min(to, last);
  const int count = static_cast<int>(columns_.size());
  SelectSpan(std::min(from, to), std::max(from, to), ColumnAtVisual(0), ColumnAtVisual(count - 1));
  const int left = horizontalHeader()->logicalIndexAt(0);
  anchor_ = {from, ColumnAtVisual(0)};
  cursor_ = {to, left >= 0 ? left : ColumnAtVisual(0)};
  Mirror();
}

void SheetGrid::selectAll() {
  if (columns_.empty()) return;
  const int count = static_cast<int>(columns_.size());
  SelectSpan(0, TotalRows() - 1, ColumnAtVisual(0), ColumnAtVisual(count - 1));
  Mirror();
}

// Shows the view the selection's part and the cursor in the window.
void SheetGrid::Mirror() {
  QItemSelection shown;
  const size_t first = FirstRow();
  const int count = model_->rowCount();
  const int columns = static_cast<int>(columns_.size());
  if (selected_ && count > 0) {
    const size_t top = std::max(top_, first);
    const size_t bottom = std::min(bottom_, first + static_cast<size_t>(count) - 1);
    for (int c = 0; top <= bottom && c < columns; ++c) {
      if (!columns_[static_cast<size_t>(c)]) continue;
      int end = c;
      while (end + 1 < columns && columns_[static_cast<size_t>(end + 1)]) ++end;
      shown.select(model_->index(static_cast<int>(top - first), c),
                   model_->index(static_cast<int>(bottom - first), end));
      c = end;
    }
  }
  selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
  if (columns > 0 && cursor_.row >= first && cursor_.row - first < static_cast<size_t>(count)) {
    selectionModel()->setCurrentIndex(
        model_->index(static_cast<int>(cursor_.row - first), cursor_.column),
        QItemSelectionModel::NoUpdate);
  } else {
    selectionModel()->clearCurrentIndex();
  }
}

std::string SheetGrid::SelectedText() const {
  if (!selected_ || rows_.RowCount() == 0) return {};
  std::vector<int> lines;
  for (int visual = 0; visual < static_cast<int>(columns_.size()); ++visual) {
    const int column = ColumnAtVisual(visual);
    if (column >= 0 && columns_[static_cast<size_t>(column)]) lines.push_back(column);
  }
  if (lines.empty()) return {};
  return rows_.SelectionText(top_, bottom_, lines);
}

void SheetGrid::CopySelection() {
  const std::string text = SelectedText();
  if (!text.empty()) QApplication::clipboard()->setText(Q(text));
}

QItemSelectionModel::SelectionFlags SheetGrid::selectionCommand(const QModelIndex&,
                                                                const QEvent*) const {
  return QItemSelectionModel::NoUpdate;
}

void SheetGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    return event->accept();
  }
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return event->accept();
  }
  if (columns_.empty()) return event->ignore();
  const size_t last = TotalRows() - 1;
  const int last_visual = static_cast<int>(columns_.size()) - 1;
  Cell to = cursor_;
  int visual = VisualColumn(cursor_.column);
  const bool control = event->modifiers() & Qt::ControlModifier;
  bool extend = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_Up:
      if (to.row > 0) --to.row;
      break;
    case Qt::Key_Down:
      if (to.row < last) ++to.row;
      break;
    case Qt::Key_Left:
      visual = std::max(visual - 1, 0);
      break;
    case Qt::Key_Right:
      visual = std::min(visual + 1, last_visual);
      break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      // The rows move by a page and the cursor with them, keeping its place in sight.
      const size_t first = FirstRow();
      if (event->key() == Qt::Key_PageDown) {
        to.row = std::min(last, to.row + page_);
        bar_->setValue(ClampToInt(first + page_));
      } else {
        to.row = to.row > page_ ? to.row - page_ : 0;
        bar_->setValue(ClampToInt(first > page_ ? first - page_ : 0));
      }
      break;
    }
    case Qt::Key_Home:
      visual = 0;
      if (control) to.row = 0;
      break;
    case Qt::Key_End:
      visual = last_visual;
      if (control) to.row = last;
      break;
    case Qt::Key_Tab:
      extend = false;
      if (++visual > last_visual) {
        visual = 0;
        to.row = to.row < last ? to.row + 1 : 0;
      }
      break;
    case Qt::Key_Backtab:
      extend = false;
      if (--visual < 0) {
        visual = last_visual;
        to.row = to.row > 0 ? to.row - 1 : last;
      }
      break;
    default:
      return event->ignore();
  }
  to.column = ColumnAtVisual(visual);
  MoveTo(to, extend);
  event->accept();
}

void SheetGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  // Below the last row or right of the last column: no cell, nothing changes.
  if (!indexAt(at).isValid()) return;
  MoveTo(CellAt(at), event->modifiers() & Qt::ShiftModifier);
  dragging_ = event->button() == Qt::LeftButton;
  drag_at_ = at;
}

void SheetGrid::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void SheetGrid::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  drag_at_ = event->position().toPoint();
  MoveTo(CellAt(drag_at_), true);
  if (!viewport()->rect().contains(drag_at_)) drag_timer_.start();
}

void SheetGrid::mouseReleaseEvent(QMouseEvent*) {
  dragging_ = false;
  drag_timer_.stop();
}

// While a drag is held past an edge, the selection goes on into the rows beyond it, faster
// the farther the pointer is.
void SheetGrid::AutoScroll() {
  const QRect area = viewport()->rect();
  if (!dragging_ || area.contains(drag_at_)) {
    drag_timer_.stop();
    return;
  }
  const int row_height = std::max(verticalHeader()->defaultSectionSize(), 1);
  if (drag_at_.x() < 0 || drag_at_.x() >= area.width()) {
    QScrollBar* columns = horizontalScrollBar();
    columns->setValue(columns->value() + (drag_at_.x() < 0 ? -1 : 1) * columns->singleStep());
  }
  Cell to = CellAt(drag_at_);
  if (drag_at_.y() < 0) {
    const size_t step = static_cast<size_t>(1 - drag_at_.y() / row_height);
    to.row = cursor_.row > step ? cursor_.row - step : 0;
  } else if (drag_at_.y() >= area.height()) {
    const size_t step = static_cast<size_t>(1 + (drag_at_.y() - area.height()) / row_height);
    to.row = std::min(TotalRows() - 1, cursor_.row + step);
  }
  MoveTo(to, true);
}

void SheetGrid::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  if (std::abs(delta.x()) > std::abs(delta.y())) return QTableView::wheelEvent(event);
  QApplication::sendEvent(bar_, event);
}

}  // namespace korvan
