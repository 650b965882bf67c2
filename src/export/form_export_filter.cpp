#include "export/form_export_filter.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/user_dialogs.h"
#include "export/periods.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {

TFormExportFilter::TFormExportFilter(FormRegistry& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(Q("Filtr exportu"));
  Label1 = new QLabel(Q("Vyberte veličiny, které chcete exportovat"), this);
  ListBox1 = new QListWidget(this);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Label1->setBuddy(ListBox1);
  ListBox2 = new QListWidget(this);
  ListBox2->hide();
  LabelInterval = new QLabel(Q("&Interval"), this);
  ComboInterval = new QComboBox(this);
  ComboInterval->addItem(Q("každý vzorek"), 0u);
  for (const Period& period : kPeriods)
    ComboInterval->addItem(Q(std::string(period.label)), period.seconds);
  LabelInterval->setBuddy(ComboInterval);
  ButtonOK = new QPushButton(Q("O&K"), this);
  ButtonCancel = new QPushButton(Q("&Zruš"), this);
  ButtonOK->setDefault(true);
  // Escape rejects the dialog, as the cancel button does.
  connect(ButtonOK, &QPushButton::clicked, this, &TFormExportFilter::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(ListBox1, 1);
  auto* interval = new QHBoxLayout;
  interval->addWidget(LabelInterval);
  interval->addWidget(ComboInterval, 1);
  layout->addLayout(interval);
  layout->addLayout(buttons);
  resize(340, 360);
}

void TFormExportFilter::Fill(const QStringList& entries) {
  ListBox1->clear();
  ListBox2->clear();
  ListBox1->addItems(entries);
  // Nothing is kept from the last export: the lines start unchosen, so every sample too.
  ComboInterval->setCurrentIndex(0);
}

void TFormExportFilter::ButtonOKClick() {
  if (ListBox1->selectedItems().isEmpty()) {
    app_.Dialogs().ShowError(kExportNoLineChosen);
    return;
  }
  for (int i = 0; i < ListBox1->count(); ++i) {
    if (ListBox1->item(i)->isSelected()) ListBox2->addItem(ListBox1->item(i)->text());
  }
  accept();
}

uint32_t TFormExportFilter::PeriodSeconds() const { return ComboInterval->currentData().toUInt(); }

}  // namespace korvan
