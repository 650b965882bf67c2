#include "data/form_sheet.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "widgets/form_qt_text.h"

namespace korvan {

// The grid's cells, made from the rows when they are painted. The time is the vertical
// header, so that it stays in view when the columns scroll, as a fixed column does.
class SheetModel : public QAbstractTableModel {
 public:
  SheetModel(const SheetRows& rows, QObject* parent) : QAbstractTableModel(parent), rows_(rows) {}

  // The grid keeps one empty row below the header when the range holds no sample.
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(std::max<size_t>(rows_.RowCount(), 1));
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : rows_.LineCount();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return Q(rows_.CellText(static_cast<size_t>(index.row()), index.column()));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role == Qt::TextAlignmentRole && orientation == Qt::Vertical) {
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // A caption wider than its column is shown whole when pointed at.
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) role = Qt::DisplayRole;
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return Q(rows_.HeaderText(section + 1));
    return Q(rows_.TimeText(static_cast<size_t>(section)));
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
  }

 private:
  const SheetRows& rows_;
};

TFormSheet::TFormSheet(Measurement& measurement, const StampRange& range,
                       const SheetRows::Progress& progress, QWidget* parent)
    : QDialog(parent), rows_(std::make_unique<SheetRows>(measurement)) {
  setWindowTitle(Q("Naměřená data"));
  resize(701, 557);
  rows_->Build(range, progress);

  StringGrid1 = new QTableView(this);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
  StringGrid1->setTabKeyNavigation(true);
  StringGrid1->setWordWrap(false);
  // The top-left cell selects everything, as a spreadsheet's does.
  StringGrid1->setCornerButtonEnabled(true);
  StringGrid1->verticalScrollBar()->setTracking(true);
  QHeaderView* columns = StringGrid1->horizontalHeader();
  columns->setSectionsMovable(true);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setDefaultSectionSize(110);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setTextElideMode(Qt::ElideRight);
  // Fixed row heights keep a million rows as cheap as a hundred.
  QHeaderView* times = StringGrid1->verticalHeader();
  times->setSectionResizeMode(QHeaderView::Fixed);
  times->setMinimumSectionSize(16);
  times->setDefaultSectionSize(16);
  times->setHighlightSections(false);
  // Given the rows only now: the sizes set above apply as the rows come in, whereas setting
  // them over millions of rows resizes each one.
  model_ = new SheetModel(*rows_, this);
  StringGrid1->setModel(model_);
  // The time column is 110 pixels, 20 more with hundredths; wider only when the font needs it.
  const QString sample = measurement.subseconds_present ? QString(" 30.12.2099, 23:59:59.99")
                                                        : QString(" 30.12.2099, 23:59:59");
  const int needed = times->fontMetrics().horizontalAdvance(sample) + 10;
  times->setFixedWidth(std::max(measurement.subseconds_present ? 130 : 110, needed));
  if (auto* corner = StringGrid1->findChild<QAbstractButton*>()) corner->installEventFilter(this);

  ButtonClose = new QPushButton(Q("Zavři"), this);
  // Outside the visible area: the button is there for Escape, as the window's cancel button.
  ButtonClose->setGeometry(-200, -200, 75, 25);
  ButtonClose->setFocusPolicy(Qt::NoFocus);
  connect(ButtonClose, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(StringGrid1);
  StringGrid1->installEventFilter(this);
  StringGrid1->setFocus();
}

TFormSheet::~TFormSheet() = default;

bool TFormSheet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == StringGrid1 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopySelection();
    return true;
  }
  // The fixed top-left cell holds the time column's caption.
  if (event->type() == QEvent::Paint && watched != StringGrid1) {
    auto* corner = static_cast<QAbstractButton*>(watched);
    QPainter painter(corner);
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.state |= QStyle::State_Enabled | QStyle::State_Raised;
    option.rect = corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = Q(rows_->HeaderText(0));
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

QString TFormSheet::SelectedText() const {
  const QItemSelection selection = StringGrid1->selectionModel()->selection();
  if (selection.isEmpty() || rows_->RowCount() == 0) return {};
  // The selected columns themselves: after a column was dragged, the columns between two
  // selected ones in the model's order need not be selected.
  int top = selection.first().top(), bottom = selection.first().bottom();
  std::vector<int> lines;
  for (const QItemSelectionRange& r : selection) {
    top = std::min(top, r.top());
    bottom = std::max(bottom, r.bottom());
    for (int c = r.left(); c <= r.right(); ++c) {
      if (std::find(lines.begin(), lines.end(), c) == lines.end()) lines.push_back(c);
    }
  }
  // Columns in the order they are shown.
  const QHeaderView* header = StringGrid1->horizontalHeader();
  std::sort(lines.begin(), lines.end(),
            [header](int a, int b) { return header->visualIndex(a) < header->visualIndex(b); });
  return Q(rows_->SelectionText(static_cast<size_t>(top), static_cast<size_t>(bottom), lines));
}

void TFormSheet::CopySelection() {
  const QString text = SelectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

}  // namespace korvan
