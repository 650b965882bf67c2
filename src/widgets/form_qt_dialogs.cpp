#include "widgets/form_qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStringList>
#include <vector>

#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

std::vector<QPointer<QWidget>>& Owners() {
  static std::vector<QPointer<QWidget>> owners;
  return owners;
}

QWidget* Owner() { return DialogOwner(); }

// A dialog takes input even when its owner is disabled for a long operation.
template <typename Dialog>
int Run(Dialog& dialog) {
  dialog.setEnabled(true);
  return dialog.exec();
}

void Message(QMessageBox::Icon icon, const char* caption, const std::string& text) {
  QMessageBox box(icon, Q(caption), Q(text), QMessageBox::Ok, Owner());
  Run(box);
}

bool YesNo(const char* caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No,
                  Owner());
  box.button(QMessageBox::Yes)->setText(Q("&Ano"));
  box.button(QMessageBox::No)->setText(Q("&Ne"));
  box.setDefaultButton(QMessageBox::Yes);
  return Run(box) == QMessageBox::Yes;
}

std::optional<std::string> RunFileDialog(const FileDialogOptions& options, bool save) {
  QFileDialog dialog(Owner(), Q(options.title), Q(options.initial_dir),
                     QtFilterFromPairs(options.filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!options.default_extension.empty()) {
    dialog.setDefaultSuffix(Q(options.default_extension));
    // A name typed without an extension gets the one of the filter chosen, where that filter
    // has a single "*.ext" pattern. The signal gives the filter as the list shows it: its
    // description, perhaps with the patterns after it.
    const QStringList pairs = Q(options.filter).split('|');
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, pairs](const QString& f) {
          for (int i = 0; i + 1 < pairs.size(); i += 2) {
            const QString& pattern = pairs[i + 1];
            if (!f.startsWith(pairs[i]) || !pattern.startsWith("*.")) continue;
            const QString extension = pattern.mid(2);
            if (!extension.isEmpty() && !extension.contains('*') && !extension.contains(';')) {
              dialog.setDefaultSuffix(extension);
            }
            return;
          }
        });
  }
  if (save && !options.overwrite_prompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  // The program's filter texts name their patterns already ("Soubory nastavení [*.kva]").
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  // The name field starts with the given text, a pattern such as "*.kva" included.
  if (!options.file_name.empty()) dialog.selectFile(Q(options.file_name));
  if (Run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return S(dialog.selectedFiles().first());
}

}  // namespace

DialogOwnerScope::DialogOwnerScope(QWidget* window) { Owners().emplace_back(window); }
DialogOwnerScope::~DialogOwnerScope() { Owners().pop_back(); }

QWidget* DialogOwner() {
  // The innermost handler's window that is still there to open over.
  for (auto it = Owners().rbegin(); it != Owners().rend(); ++it) {
    if (*it && (*it)->isVisible()) return *it;
  }
  return QApplication::activeWindow();
}

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
  QFileDialog dialog(Owner(), Q(title));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (Run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return S(dialog.selectedFiles().first());
}

std::optional<uint32_t> QtUserDialogs::ChooseColor(uint32_t initial) {
  QColor color = QColorDialog::getColor(QColor::fromRgb(initial & 0xFFFFFF), Owner());
  if (!color.isValid()) return std::nullopt;
  return static_cast<uint32_t>(color.rgb() & 0xFFFFFF);
}

bool QtUserDialogs::ChoosePrinter(QPrinter* printer) {
  QPrintDialog dialog(printer, Owner());
  return Run(dialog) == QDialog::Accepted;
}

}  // namespace korvan
