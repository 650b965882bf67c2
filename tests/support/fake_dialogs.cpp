#include "support/fake_dialogs.h"

namespace korvan::testing {

void FakeDialogs::Record(const char* kind, const std::string& text) {
  messages.push_back({kind, text});
  if (on_message) on_message(messages.back());
}

void FakeDialogs::ShowError(const std::string& text) { Record("error", text); }
void FakeDialogs::Warn(const std::string& text) { Record("warn", text); }
void FakeDialogs::Done(const std::string& text) { Record("done", text); }

bool FakeDialogs::Ask(const std::string& text) {
  Record("ask", text);
  if (answers.empty()) {
    ++unanswered;
    return false;
  }
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool FakeDialogs::Confirm(const std::string& text) {
  Record("confirm", text);
  if (answers.empty()) {
    ++unanswered;
    return false;
  }
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> FakeDialogs::OpenFileName(const FileDialogOptions& options) {
  file_dialogs.push_back(options);
  if (file_names.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  auto name = file_names.front();
  file_names.pop_front();
  return name;
}

std::optional<std::string> FakeDialogs::SaveFileName(const FileDialogOptions& options) {
  return OpenFileName(options);
}

std::string FakeDialogs::BrowseForFolder(const std::string&) {
  if (folders.empty()) {
    ++unanswered;
    return "";
  }
  std::string folder = folders.front();
  folders.pop_front();
  return folder;
}

std::optional<uint32_t> FakeDialogs::ChooseColor(uint32_t) {
  if (colors.empty()) {
    ++unanswered;
    return std::nullopt;
  }
  auto color = colors.front();
  colors.pop_front();
  return color;
}

std::vector<std::string> FakeDialogs::Texts(const std::string& kind) const {
  std::vector<std::string> texts;
  for (const auto& m : messages) {
    if (m.kind == kind) texts.push_back(m.text);
  }
  return texts;
}

void FakeDialogs::Clear() {
  messages.clear();
  file_dialogs.clear();
  unanswered = 0;
}

}  // namespace korvan::testing
