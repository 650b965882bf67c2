#include "shell/form_about.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/constants.h"
#include "shell/form_windows.h"
#include "widgets/form_qt_text.h"

namespace korvan {

TFormAbout::TFormAbout(KorvanApp&) : QDialog(nullptr) {
  setWindowTitle(Q("O programu"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
  auto* name = new QLabel(
      QString("<b style='font-size:16pt'>%1</b><br>verze %2").arg(kAppName, kAppVersion), this);
  auto* description = new QLabel(Q("Program pro přípravu konfigurace záznamového modulu, přípravu "
                                   "paměťové karty a prohlížení naměřených dat."),
                                 this);
  description->setWordWrap(true);
  auto* contact = new QLabel(Q("Korvan-A, vývoj a podpora<br>"
                               "e-mail: podpora@korvan-a.example<br>"
                               "<a href='%1'>%1</a>")
                                 .arg(kMakerUrl),
                             this);
  contact->setOpenExternalLinks(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);

  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(name, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(description);
  layout->addWidget(contact);
  layout->addWidget(buttons);
  setFixedWidth(360);
}

}  // namespace korvan
