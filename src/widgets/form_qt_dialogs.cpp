#include "widgets/form_qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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

// The folder chooser: a folder typed that is not there yet is made, after asking, instead of
// the toolkit's "not found".
class FolderDialog : public QFileDialog {
 public:
  FolderDialog(QWidget* owner, const QString& title, const QString& folder)
      : QFileDialog(owner, title, folder) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
  }

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty() && !QFileInfo::exists(chosen.first())) {
      const QString folder = QDir::cleanPath(chosen.first());
      if (!YesNo("Dotaz", "Adresář \"" + S(folder) + "\" neexistuje.\r\nChcete ho vytvořit ?")) {
        return;
      }
      if (!QDir().mkpath(folder)) {
        Message(QMessageBox::Critical, "Chyba", "Adresář \"" + S(folder) + "\" nelze vytvořit.");
        return;
      }
    }
    QFileDialog::accept();
  }
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> QtUserDialogs::RunFileDialog(const FileDialogOptions& options,
                                                        bool save) {
  std::string start = options.initial_dir;
  if (start.empty() && folders_.recall) start = folders_.recall(options.title);
  QFileDialog dialog(Owner(), Q(options.title), Q(start), QtFilterFromPairs(options.filter));
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
  std::string chosen = S(dialog.selectedFiles().first());
  if (options.initial_dir.empty() && folders_.remember) {
    folders_.remember(options.title, FolderOf(chosen));
  }
  return chosen;
}

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
  const std::string last = folders_.recall ? folders_.recall(title) : std::string();
  FolderDialog dialog(Owner(), Q(title), Q(last));
  if (Run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  std::string chosen = S(QDir::cleanPath(dialog.selectedFiles().first()));
  if (folders_.remember) folders_.remember(title, chosen);
  return chosen;
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
