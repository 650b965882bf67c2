#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/ini_document.h"
#include "platform/files.h"

namespace korvan {

// Replaces the file at path with the document, whole; throws Error when it cannot be written.
void StoreIniDocument(const std::string& path, const IniDocument& document,
                      Durability durability = Durability::kSynced);

// No settings file, CONFIG.INI or GRAPH.INI comes near this; a larger file is damaged.
inline constexpr size_t kMaxIniBytes = 16 << 20;

// An INI file on disk as the original platform's facility offers it: a default on every
// read, each single-key write reaching the file at once (whole, through the atomic writer).
// The file is read once, at the first use; a missing file reads as an empty one, and one that
// is not a regular file or is larger than kMaxIniBytes throws Error. A save of
// many keys edits document() and commits once, so that a failure leaves the old file whole.
class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& path() const { return path_; }
  const IniDocument& document() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const {
    return document().ReadString(section, key, default_value);
  }
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const {
    return document().ReadInteger(section, key, default_value);
  }
  double ReadFloat(std::string_view section, std::string_view key, double default_value) const {
    return document().ReadFloat(section, key, default_value);
  }
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const {
    return document().ReadBool(section, key, default_value);
  }
  bool SectionExists(std::string_view section) const { return document().SectionExists(section); }
  bool ValueExists(std::string_view section, std::string_view key) const {
    return document().ValueExists(section, key);
  }

  // The document for a save of many keys, after the checks every write makes (the folder
  // exists, the file is writable and readable); throws Error otherwise. Commit() stores it.
  IniDocument& Edit();
  // Writes the edited document whole when it differs from the file; throws Error on failure.
  void Commit(Durability durability = Durability::kSynced);

  // Single-key writes, committed at once; a write that changes nothing writes nothing.
  // Erasing a section of a missing file succeeds and creates nothing. Throw Error.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteFloat(std::string_view section, std::string_view key, double value,
                  char decimal_separator);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

 private:
  template <typename Change>
  void WriteKey(Change change);

  std::string path_;
  mutable std::optional<IniDocument> document_;
  // The file in the facility's normal form as last read or written; none when there was no
  // readable file.
  mutable std::optional<std::string> stored_;
};

}  // namespace korvan
