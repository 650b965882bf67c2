#include "widgets/form_widgets.h"

#include <QButtonGroup>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QRect>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/form_qt_text.h"

namespace korvan {

QLabel* BuddyLabel(const char* caption, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(Q(caption), parent);
  label->setBuddy(control);
  return label;
}

void SetUpRecordGrid(QTableView* grid, int row_height) {
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setMinimumSectionSize(row_height);
  grid->verticalHeader()->setDefaultSectionSize(row_height);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setWordWrap(false);
}

QPoint PlaceBeside(const QRect& window, const QSize& size, const QRect& area) {
  const int top =
      std::clamp(window.top(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
  if (window.right() + 1 + size.width() <= area.right() + 1) return {window.right() + 1, top};
  if (window.left() - size.width() >= area.left()) return {window.left() - size.width(), top};
  // No room on either side: against the screen's edge on the roomier side, covering the least
  // of the window.
  if (area.right() - window.right() >= window.left() - area.left()) {
    return {std::max(area.left(), area.right() + 1 - size.width()), top};
  }
  return {area.left(), top};
}

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    buttons_->addButton(button, i);
    layout->addWidget(button);
  }
  connect(buttons_, &QButtonGroup::idClicked, this, [this] { emit Clicked(); });
}

int RadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = buttons_->button(index)) {
    button->setChecked(true);
    return;
  }
  // An exclusive group cannot be emptied by unchecking its button.
  if (QAbstractButton* checked = buttons_->checkedButton()) {
    buttons_->setExclusive(false);
    checked->setChecked(false);
    buttons_->setExclusive(true);
  }
}

int RadioGroup::Count() const { return static_cast<int>(buttons_->buttons().size()); }

UpDownArrows::UpDownArrows(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  up = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  down = new QToolButton(this);
  down->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {up, down}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(17, 11);
    button->setIconSize(QSize(7, 5));
    column->addWidget(button);
  }
}

}  // namespace korvan
