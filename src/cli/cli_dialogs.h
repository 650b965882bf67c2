#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/user_dialogs.h"

namespace korvan::cli {

// The command line has nobody to ask: every question is answered No, every chooser is
// cancelled, and messages are collected (and printed to err when one is given).
class CliDialogs : public UserDialogs {
 public:
  explicit CliDialogs(std::ostream* err = nullptr, bool print_warnings = true)
      : err_(err), print_warnings_(print_warnings) {}

  void ShowError(const std::string& text) override {
    errors.push_back(text);
    if (err_) *err_ << "korvan-cli: " << text << "\n";
  }
  void Warn(const std::string& text) override {
    warnings.push_back(text);
    if (err_ && print_warnings_) *err_ << "korvan-cli: " << text << "\n";
  }
  bool Ask(const std::string&) override { return false; }
  bool Confirm(const std::string&) override { return false; }
  void Done(const std::string&) override {}
  std::optional<std::string> OpenFileName(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileName(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::string BrowseForFolder(const std::string&) override { return ""; }
  std::optional<uint32_t> ChooseColor(uint32_t) override { return std::nullopt; }

  std::vector<std::string> errors;
  std::vector<std::string> warnings;

 private:
  std::ostream* err_;
  bool print_warnings_;
};

// For a command that replaces data only when told so: the question is answered by --yes, and
// without it the user learns what was asked and that nothing was written.
class YesDialogs : public CliDialogs {
 public:
  YesDialogs(std::ostream& err, bool yes, std::string command)
      : CliDialogs(&err), err_(err), yes_(yes), command_(std::move(command)) {}
  bool Ask(const std::string& text) override {
    if (!yes_) {
      err_ << "korvan-cli: " << command_ << ": " << text << "\n"
           << "korvan-cli: " << command_ << ": nic nebylo zapsáno; přepsání dovolí --yes\n";
    }
    return yes_;
  }

 private:
  std::ostream& err_;
  bool yes_;
  std::string command_;
};

}  // namespace korvan::cli
