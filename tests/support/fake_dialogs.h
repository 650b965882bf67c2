#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/user_dialogs.h"

namespace korvan::testing {

// Records every message and answers from queues. An unexpected question fails the test
// instead of blocking: an empty answer queue answers No / cancel and is recorded.
class FakeDialogs : public UserDialogs {
 public:
  struct Message {
    std::string kind;  // "error", "ask", "confirm", "warn", "done"
    std::string text;
    bool operator==(const Message&) const = default;
  };

  void ShowError(const std::string& text) override;
  bool Ask(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void Warn(const std::string& text) override;
  void Done(const std::string& text) override;
  std::optional<std::string> OpenFileName(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFileName(const FileDialogOptions& options) override;
  std::string BrowseForFolder(const std::string& title) override;
  std::optional<uint32_t> ChooseColor(uint32_t initial) override;

  // Scripted answers, taken front first.
  std::deque<bool> answers;                           // Ask and Confirm
  std::deque<std::optional<std::string>> file_names;  // Open/SaveFileName
  std::deque<std::string> folders;                    // BrowseForFolder
  std::deque<std::optional<uint32_t>> colors;         // ChooseColor

  // What happened; on_message, when set, sees each message as it is shown (the state of the
  // windows behind a message box).
  std::vector<Message> messages;
  std::function<void(const Message&)> on_message;
  std::vector<FileDialogOptions> file_dialogs;
  int unanswered = 0;  // questions or choosers asked with an empty queue

  std::vector<std::string> Texts(const std::string& kind) const;
  void Clear();

 private:
  void Record(const char* kind, const std::string& text);
};

}  // namespace korvan::testing
