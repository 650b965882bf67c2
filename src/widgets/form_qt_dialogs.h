#pragma once

#include <functional>
#include <string>
#include <utility>

#include "app/user_dialogs.h"
#include "widgets/form_print_dialogs.h"

class QString;
class QWidget;

namespace korvan {

// The window whose handler runs owns the messages and choosers that the handler shows, so that
// they open over it, also right after another dialog has closed and no window is active.
// Scopes nest; outside any, the active window owns them.
class DialogOwnerScope {
 public:
  explicit DialogOwnerScope(QWidget* window);
  ~DialogOwnerScope();
  DialogOwnerScope(const DialogOwnerScope&) = delete;
  DialogOwnerScope& operator=(const DialogOwnerScope&) = delete;
};
QWidget* DialogOwner();

// Where each chooser, known by its title, last ended: kept in the program's settings.
struct ChooserFolders {
  std::function<std::string(const std::string& title)> recall;  // "" when none is kept
  std::function<void(const std::string& title, const std::string& folder)> remember;
};

// The real message boxes and choosers, owned by DialogOwner(). A file chooser without a
// folder of its own, and the folder chooser, open where that chooser last ended.
class QtUserDialogs : public UserDialogs, public PrintDialogs {
 public:
  void SetChooserFolders(ChooserFolders folders) { folders_ = std::move(folders); }
  void ShowError(const std::string& text) override;
  bool Ask(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void Warn(const std::string& text) override;
  void Done(const std::string& text) override;
  std::optional<std::string> OpenFileName(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFileName(const FileDialogOptions& options) override;
  std::string BrowseForFolder(const std::string& title) override;
  std::optional<uint32_t> ChooseColor(uint32_t initial) override;
  bool ChoosePrinter(QPrinter* printer) override;

 private:
  std::optional<std::string> RunFileDialog(const FileDialogOptions& options, bool save);
  ChooserFolders folders_;
};

// "Soubory nastavení [*.kva]|*.kva|Vše|*.*" in the window system's filter form.
QString QtFilterFromPairs(const std::string& filter);

}  // namespace korvan
