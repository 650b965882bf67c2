#include "graph/form_sheet.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/form_qt_text.h"

namespace korvan {

TFormSheet::TFormSheet(Measurement& measurement, const StampRange& range,
                       const SheetRows::Progress& progress, QWidget* parent)
    : QDialog(parent), rows_(std::make_unique<SheetRows>(measurement)) {
  setWindowTitle(Q("Naměřená data"));
  resize(701, 557);
  rows_->Build(range, progress);

  StringGrid1 = new SheetGrid(*rows_, this);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
  StringGrid1->setTabKeyNavigation(true);
  StringGrid1->setWordWrap(false);
  // The top-left cell selects everything, as a spreadsheet's does.
  StringGrid1->setCornerButtonEnabled(true);
  QHeaderView* columns = StringGrid1->horizontalHeader();
  columns->setSectionsMovable(true);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setDefaultSectionSize(110);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setTextElideMode(Qt::ElideRight);
  QHeaderView* times = StringGrid1->verticalHeader();
  times->setSectionResizeMode(QHeaderView::Fixed);
  times->setMinimumSectionSize(16);
  times->setDefaultSectionSize(16);
  times->setHighlightSections(false);
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
  layout->addWidget(StringGrid1->Framed(this));
  StringGrid1->setFocus();
}

TFormSheet::~TFormSheet() = default;

// The fixed top-left cell holds the time column's caption.
bool TFormSheet::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Paint) return QDialog::eventFilter(watched, event);
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

QString TFormSheet::SelectedText() const { return Q(StringGrid1->SelectedText()); }

void TFormSheet::CopySelection() { StringGrid1->CopySelection(); }

}  // namespace korvan
