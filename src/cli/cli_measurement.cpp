#include "cli/cli_measurement.h"

#include <sys/stat.h>

#include <optional>
#include <vector>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/user_dialogs.h"
#include "platform/locale.h"

namespace korvan::cli {

namespace {

// Nobody to ask on the command line: errors are printed, every question is answered No.
class StreamDialogs : public UserDialogs {
 public:
  explicit StreamDialogs(std::ostream& err) : err_(err) {}
  void ShowError(const std::string& text) override { err_ << "korvan-cli: " << text << "\n"; }
  bool Ask(const std::string&) override { return false; }
  bool Confirm(const std::string&) override { return false; }
  void Warn(const std::string& text) override { err_ << "korvan-cli: " << text << "\n"; }
  void Done(const std::string&) override {}
  std::optional<std::string> OpenFileName(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileName(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::string BrowseForFolder(const std::string&) override { return ""; }
  std::optional<uint32_t> ChooseColor(uint32_t) override { return std::nullopt; }
  bool ChoosePrinter(QPrinter*) override { return false; }

 private:
  std::ostream& err_;
};

}  // namespace

bool LoadCardFolder(const std::string& dir, Measurement& measurement, LoadResult& result,
                    std::ostream& err) {
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    err << "korvan-cli: složka " << dir << " neexistuje.\n";
    return false;
  }
  DataLocation location;
  location.alternative = true;
  location.alt_dir = dir;
  StreamDialogs dialogs(err);
  return LoadMeasurement(location, dialogs, Today(), SystemDecimalSeparator(), {}, measurement,
                         &result);
}

void WriteJsonString(std::ostream& out, const std::string& text) {
  static const char* kHex = "0123456789abcdef";
  out << '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (byte < 0x20) {
      out << "\\u00" << kHex[byte >> 4] << kHex[byte & 15];
    } else {
      out << c;
    }
  }
  out << '"';
}

}  // namespace korvan::cli
