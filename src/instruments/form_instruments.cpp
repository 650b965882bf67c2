#include "instruments/form_instruments.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "config/form_format.h"
#include "instruments/quantity_file.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {

namespace {

QVBoxLayout* Labelled(QLabel* label, QWidget* field) {
  auto* column = new QVBoxLayout;
  column->setSpacing(2);
  column->addWidget(label);
  column->addWidget(field);
  return column;
}

}  // namespace

TFormInstruments::TFormInstruments(FormRegistry& app)
    : QDialog(nullptr, kFixedWindowFlags), app_(app) {
  setWindowTitle(Q("Definice přístrojů"));
  setFixedSize(741, 314);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(6);
  AddFields(layout);
  auto* lower = new QHBoxLayout;
  lower->setSpacing(4);
  AddGrid(lower);
  AddButtons(lower);
  layout->addLayout(lower, 1);

  OpenDialog1.file_name = "*.csv";
  OpenDialog1.filter = "Formátovaný text       *.csv|*.csv|Vše       *.*|*.*";
  OpenDialog1.file_must_exist = true;
  ConnectControls();
  ShowList(1);
}

void TFormInstruments::AddFields(QVBoxLayout* layout) {
  GroupBox1 = new QGroupBox(this);
  EditAdresa = new QLineEdit(Q("01h"), GroupBox1);
  EditAdresa->setFixedWidth(48);
  UpDown1 = new UpDownArrows(GroupBox1);
  LabelAdresa = BuddyLabel("&Adresa", EditAdresa, GroupBox1);
  EditPopis = new QLineEdit(Q("Přístr.1"), GroupBox1);
  EditPopis->setFixedWidth(230);
  LabelPopis = BuddyLabel("P&opis", EditPopis, GroupBox1);
  EditFile = new QLineEdit(GroupBox1);
  EditFile->installEventFilter(this);
  LabelFile = BuddyLabel("&Soubor veličin", EditFile, GroupBox1);
  ButtonVyber = new QPushButton(Q("&Vyber"), GroupBox1);
  ButtonVyber->setDefault(true);
  ButtonVyber->setAutoDefault(true);

  auto* address = new QHBoxLayout;
  address->setSpacing(0);
  address->addWidget(EditAdresa);
  address->addWidget(UpDown1);
  auto* address_column = new QVBoxLayout;
  address_column->setSpacing(2);
  address_column->addWidget(LabelAdresa);
  address_column->addLayout(address);
  auto* fields = new QHBoxLayout(GroupBox1);
  fields->setContentsMargins(8, 6, 8, 8);
  fields->setSpacing(10);
  fields->addLayout(address_column);
  fields->addLayout(Labelled(LabelPopis, EditPopis));
  fields->addLayout(Labelled(LabelFile, EditFile), 1);
  auto* choose_column = new QVBoxLayout;
  choose_column->addStretch(1);
  choose_column->addWidget(ButtonVyber);
  fields->addLayout(choose_column);
  layout->addWidget(GroupBox1);
}

void TFormInstruments::AddGrid(QHBoxLayout* layout) {
  StringGrid1 = new QTableWidget(this);
  StringGrid1->setColumnCount(3);
  StringGrid1->setHorizontalHeaderLabels(
      {Q(kInstrumentHeaders[0]), Q(kInstrumentHeaders[1]), Q(kInstrumentHeaders[2])});
  SetUpRecordGrid(StringGrid1, std::max(16, StringGrid1->fontMetrics().height() + 3));
  StringGrid1->setColumnWidth(0, 40);
  StringGrid1->setColumnWidth(1, 254);
  StringGrid1->setColumnWidth(2, 356);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  layout->addWidget(StringGrid1, 1);
}

void TFormInstruments::AddButtons(QHBoxLayout* layout) {
  ButtonAdd = new QPushButton(Q("&Přidat"), this);
  ButtonChg = new QPushButton(Q("Z&měnit"), this);
  ButtonRemove = new QPushButton(Q("Ode&brat"), this);
  ButtonOK = new QPushButton(Q("O&K"), this);
  ButtonCancel = new QPushButton(Q("S&torno"), this);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {ButtonAdd, ButtonChg, ButtonRemove, ButtonOK, ButtonCancel}) {
    button->setFixedWidth(70);
    button->setAutoDefault(false);
    if (button == ButtonOK) buttons->addStretch(1);
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
}

void TFormInstruments::ConnectControls() {
  connect(UpDown1->up, &QToolButton::clicked, this, [this] { UpDown1Click(true); });
  connect(UpDown1->down, &QToolButton::clicked, this, [this] { UpDown1Click(false); });
  connect(ButtonVyber, &QPushButton::clicked, this, &TFormInstruments::ButtonVyberClick);
  connect(ButtonAdd, &QPushButton::clicked, this, &TFormInstruments::ButtonAddClick);
  connect(ButtonChg, &QPushButton::clicked, this, &TFormInstruments::ButtonChgClick);
  connect(ButtonRemove, &QPushButton::clicked, this, &TFormInstruments::ButtonRemoveClick);
  connect(ButtonOK, &QPushButton::clicked, this, &TFormInstruments::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormInstruments::ButtonCancelClick);
  connect(StringGrid1, &QTableWidget::cellDoubleClicked, this,
          &TFormInstruments::StringGrid1DblClick);
  connect(qApp, &QGuiApplication::focusWindowChanged, this,
          &TFormInstruments::OtherWindowActivated);
}

void TFormInstruments::SetList(InstrumentList list) {
  list_ = std::move(list);
  ShowList(1);
}

int TFormInstruments::SelectedRow() const {
  if (list_.rows.empty()) return 0;
  return std::clamp(StringGrid1->currentRow() + 1, 1, list_.Count());
}

void TFormInstruments::SelectRow(int row) {
  if (list_.rows.empty()) return;
  StringGrid1->setCurrentCell(std::clamp(row, 1, list_.Count()) - 1, 0);
}

// With instruments the header is the grid's fixed header row; an empty list shows the
// header texts as the grid's one ordinary row.
void TFormInstruments::ShowList() {
  const bool fixed = !list_.rows.empty();
  StringGrid1->horizontalHeader()->setVisible(fixed);
  StringGrid1->setRowCount(fixed ? list_.Count() : 1);
  auto put = [this](int row, int column, const std::string& text) {
    QTableWidgetItem* item = StringGrid1->item(row, column);
    if (item == nullptr) {
      item = new QTableWidgetItem;
      StringGrid1->setItem(row, column, item);
    }
    item->setText(Q(text));
  };
  if (!fixed) {
    for (int column = 0; column < 3; ++column) put(0, column, kInstrumentHeaders[column]);
    return;
  }
  for (int row = 0; row < list_.Count(); ++row) {
    const Instrument& instrument = list_.rows[row];
    put(row, 0, instrument.address);
    put(row, 1, instrument.description);
    put(row, 2, instrument.quantity_file);
  }
}

void TFormInstruments::ShowList(int row) {
  ShowList();
  SelectRow(row);
  ApplyButtons(ButtonsForCount(list_.Count()));
}

Instrument TFormInstruments::FieldsInstrument() const {
  return {S(EditAdresa->text()), S(EditPopis->text()), S(EditFile->text())};
}

void TFormInstruments::ApplyButtons(const InstrumentButtons& buttons) {
  ButtonChg->setEnabled(buttons.change);
  ButtonRemove->setEnabled(buttons.remove);
  ButtonAdd->setEnabled(buttons.add);
}

void TFormInstruments::FormActivate() { snapshot_ = list_; }

void TFormInstruments::ButtonAddClick() {
  if (list_.Count() >= kMaxInstruments) return;
  list_.rows.push_back(FieldsInstrument());
  ShowList(list_.Count());
  UpDown1Click(true);
}

void TFormInstruments::ButtonChgClick() {
  const int row = SelectedRow();
  if (row == 0) return;
  list_.rows[row - 1] = FieldsInstrument();
  ShowList();
}

void TFormInstruments::ButtonRemoveClick() {
  const int row = SelectedRow();
  if (row == 0) return;
  list_.rows.erase(list_.rows.begin() + (row - 1));
  ShowList(row);
}

void TFormInstruments::StringGrid1DblClick() {
  const int row = SelectedRow();
  if (row == 0) return;
  const Instrument& instrument = list_.rows[row - 1];
  EditAdresa->setText(Q(instrument.address));
  EditPopis->setText(Q(instrument.description));
  EditFile->setText(Q(instrument.quantity_file));
}

void TFormInstruments::UpDown1Click(bool up) {
  EditAdresa->setText(Q(StepAddress(S(EditAdresa->text()), up)));
}

void TFormInstruments::ButtonVyberClick() {
  const std::string& dir = app_.Paths().quantity_dir;
  OpenDialog1.initial_dir = dir;
  auto chosen = app_.Dialogs().OpenFileName(OpenDialog1);
  if (!chosen) return;
  EditFile->setText(Q(RelativeQuantityName(*chosen, dir, app_.Drives())));
}

void TFormInstruments::ButtonOKClick() {
  app_.Format()->RebuildInstrumentChoice();
  hide();
}

void TFormInstruments::ButtonCancelClick() {
  list_ = snapshot_;
  ShowList(1);
  app_.Format()->RebuildInstrumentChoice();
  hide();
}

void TFormInstruments::reject() { ButtonCancelClick(); }

void TFormInstruments::closeEvent(QCloseEvent* event) { event->accept(); }

void TFormInstruments::hideEvent(QHideEvent* event) {
  active_among_ours_ = false;
  QDialog::hideEvent(event);
}

void TFormInstruments::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !active_among_ours_) {
    active_among_ours_ = true;
    FormActivate();
  }
  QDialog::changeEvent(event);
}

void TFormInstruments::OtherWindowActivated(QWindow* window) {
  if (window == nullptr) return;  // another program; coming back is no activation
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->windowHandle() != window) continue;
    // A dialog opened from this window is part of it.
    for (QWidget* owner = widget; owner != nullptr; owner = owner->parentWidget()) {
      if (owner == this) return;
    }
    active_among_ours_ = false;
    return;
  }
}

bool TFormInstruments::eventFilter(QObject* watched, QEvent* event) {
  if (watched == EditFile && event->type() == QEvent::MouseButtonDblClick) {
    ButtonVyberClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace korvan
