#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// An INI file held in memory, with the rules of the original platform's facility: sections
// and keys match without regard to ASCII letter case, the value is everything after the first
// "=", the first of duplicated keys and sections wins, and serialising gives the facility's
// normal form (CR LF, no blank lines, "key=value"), comment lines and lines without "=" kept
// in place. Bytes are Windows-1250; names and values in this interface are UTF-8.
class IniDocument {
 public:
  IniDocument() = default;
  // Reads any bytes; a line break of any kind (CR LF, LF, CR) ends a line.
  static IniDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // Decimal, or hexadecimal after 0x/$; anything unreadable gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const;
  // Either decimal separator is read (files come from installations with either); the empty
  // text or any conversion error gives the default.
  double ReadFloat(std::string_view section, std::string_view key, double default_value) const;
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  // A section counts when it holds at least one key.
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Each edit returns true when the document changed.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int64_t value);
  bool WriteFloat(std::string_view section, std::string_view key, double value,
                  char decimal_separator);
  bool WriteBool(std::string_view section, std::string_view key, bool value);
  bool DeleteKey(std::string_view section, std::string_view key);
  // Only the first copy of a duplicated section goes.
  bool EraseSection(std::string_view section);

 private:
  // One non-blank line that is not a section header. Comment lines are kept like keys (so
  // they stay in place and take the same normal form) but are never found by name.
  struct Entry {
    std::string name;
    std::string value;
    bool has_value = false;
    bool comment = false;
  };
  struct Section {
    std::string name;
    bool has_header = true;  // false only for the lines before the first header
    std::vector<Entry> entries;
  };

  const Section* FindSection(std::string_view file_name) const;
  Section* FindSection(std::string_view file_name);
  const Entry* FindValue(std::string_view section, std::string_view key) const;

  std::vector<Section> sections_;
};

}  // namespace korvan
