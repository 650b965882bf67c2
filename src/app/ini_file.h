#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvan {

// The INI-file facility of the original platform: one key per call, a default on every
// read, each write reaching the disk at once (whole file to a temporary name, renamed over
// the target). Sections and keys match without regard to ASCII letter case; the value is
// everything after the first "="; CR LF line ends and Windows-1250 on disk. Names and
// values in this interface are UTF-8.
class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // Decimal, or hexadecimal after 0x/$; anything unreadable gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view key,
                      int32_t default_value) const;
  // The empty text or any conversion error gives the default.
  double ReadFloat(std::string_view section, std::string_view key, double default_value,
                   char decimal_separator) const;
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Writes throw Error when the file cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteFloat(std::string_view section, std::string_view key, double value,
                  char decimal_separator);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);
  // Erasing a section of a missing file succeeds and creates nothing.
  void EraseSection(std::string_view section);

 private:
  std::string path_;
};

}  // namespace korvan
