#include "shell/form_qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStringList>

#include "shell/form_qt_text.h"

namespace korvan {

namespace {

QWidget* Owner() { return QApplication::activeWindow(); }

void Message(QMessageBox::Icon icon, const char* caption, const std::string& text) {
  QMessageBox box(icon, QString::fromUtf8(caption), Q(text), QMessageBox::Ok, Owner());
  box.exec();
}

bool YesNo(const char* caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(caption), Q(text),
                  QMessageBox::Yes | QMessageBox::No, Owner());
  box.button(QMessageBox::Yes)->setText(QString::fromUtf8("&Ano"));
  box.button(QMessageBox::No)->setText(QString::fromUtf8("&Ne"));
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> RunFileDialog(const FileDialogOptions& options, bool save) {
  QFileDialog dialog(Owner(), Q(options.title), Q(options.initial_dir),
                     QtFilterFromPairs(options.filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!options.default_extension.empty()) dialog.setDefaultSuffix(Q(options.default_extension));
  if (save && !options.overwrite_prompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // The program's filter texts name their patterns already ("Soubory nastavení [*.kva]").
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  // The name field starts with the given text, a pattern such as "*.kva" included.
  if (!options.file_name.empty()) dialog.selectFile(Q(options.file_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

QString QtFilterFromPairs(const std::string& filter) {
  QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

void QtUserDialogs::ShowError(const std::string& text) {
  Message(QMessageBox::Critical, "Chyba", text);
}
bool QtUserDialogs::Ask(const std::string& text) { return YesNo("Dotaz", text); }
bool QtUserDialogs::Confirm(const std::string& text) { return YesNo("Potvrzení", text); }
void QtUserDialogs::Warn(const std::string& text) {
  Message(QMessageBox::Warning, "Upozornění", text);
}
void QtUserDialogs::Done(const std::string& text) { Message(QMessageBox::Information, "OK", text); }

std::optional<std::string> QtUserDialogs::OpenFileName(const FileDialogOptions& options) {
  return RunFileDialog(options, false);
}
std::optional<std::string> QtUserDialogs::SaveFileName(const FileDialogOptions& options) {
  return RunFileDialog(options, true);
}

std::string QtUserDialogs::BrowseForFolder(const std::string& title) {
  return QFileDialog::getExistingDirectory(Owner(), Q(title)).toStdString();
}

std::optional<uint32_t> QtUserDialogs::ChooseColor(uint32_t initial) {
  QColor color = QColorDialog::getColor(QColor::fromRgb(initial & 0xFFFFFF), Owner());
  if (!color.isValid()) return std::nullopt;
  return static_cast<uint32_t>(color.rgb() & 0xFFFFFF);
}

bool QtUserDialogs::ChoosePrinter(QPrinter* printer) {
  QPrintDialog dialog(printer, Owner());
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace korvan
