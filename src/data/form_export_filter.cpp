#include "data/form_export_filter.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "shell/form_windows.h"

namespace korvan {

TFormExportFilter::TFormExportFilter(KorvanApp& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QString::fromUtf8("Filtr exportu"));
  Label1 = new QLabel(QString::fromUtf8("Vyberte veličiny, které chcete exportovat"), this);
  ListBox1 = new QListWidget(this);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Label1->setBuddy(ListBox1);
  ListBox2 = new QListWidget(this);
  ListBox2->hide();
  ButtonOK = new QPushButton(QString::fromUtf8("O&K"), this);
  ButtonCancel = new QPushButton(QString::fromUtf8("&Zruš"), this);
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
  layout->addLayout(buttons);
  resize(340, 360);
}

void TFormExportFilter::ButtonOKClick() {
  for (int i = 0; i < ListBox1->count(); ++i) {
    if (ListBox1->item(i)->isSelected()) ListBox2->addItem(ListBox1->item(i)->text());
  }
  accept();
}

}  // namespace korvan
