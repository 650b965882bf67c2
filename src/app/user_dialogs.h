#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvan {

struct FileDialogOptions {
  std::string title;
  // "Soubory nastavení [*.kva]|*.kva|Vše|*.*": description and pattern pairs.
  std::string filter;
  std::string default_extension;  // without the dot
  std::string initial_dir;
  std::string file_name;
  bool overwrite_prompt = false;  // save: ask before replacing an existing file
  bool file_must_exist = false;   // open: only an existing file
};

// Every message box and chooser goes through this seam so that tests never block on a
// modal dialog. Captions are fixed per kind.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  virtual void ShowError(const std::string& text) = 0;  // "Chyba", OK
  virtual bool Ask(const std::string& text) = 0;        // "Dotaz", Yes/No; true for Yes
  virtual bool Confirm(const std::string& text) = 0;    // "Potvrzení", Yes/No
  virtual void Warn(const std::string& text) = 0;       // "Upozornění", OK
  virtual void Done(const std::string& text) = 0;       // "OK", OK

  // Full path of the chosen file, or nothing when cancelled.
  virtual std::optional<std::string> OpenFileName(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> SaveFileName(const FileDialogOptions& options) = 0;
  // The chosen folder, or the empty text when cancelled.
  virtual std::string BrowseForFolder(const std::string& title) = 0;
  // Colours are 0xRRGGBB.
  virtual std::optional<uint32_t> ChooseColor(uint32_t initial) = 0;
};

}  // namespace korvan
