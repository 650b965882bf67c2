#include "app/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "app/cp1250.h"
#include "app/error.h"
#include "app/numbers.h"
#include "platform/files.h"

namespace korvan {

namespace {

// The original runtime reads every value through a 2048-byte buffer.
constexpr size_t kMaxValueBytes = 2047;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// One non-blank line that is not a section header. Comment lines are kept like keys (so they
// stay in place and take the same normal form) but are never found by name.
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

struct Document {
  std::vector<Section> sections;

  Section* FindSection(std::string_view name) {
    for (Section& section : sections) {
      if (SameName(section.name, name)) return &section;
    }
    return nullptr;
  }
};

Entry* FindEntry(Section& section, std::string_view key) {
  for (Entry& entry : section.entries) {
    if (!entry.comment && SameName(entry.name, key)) return &entry;
  }
  return nullptr;
}

Entry ParseEntry(std::string_view line) {
  Entry entry;
  entry.comment = line.front() == ';';
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    entry.name = std::string(line);
    return entry;
  }
  entry.name = std::string(Trim(line.substr(0, equals)));
  entry.value = std::string(Trim(line.substr(equals + 1)));
  entry.has_value = true;
  return entry;
}

Document Parse(std::string_view bytes) {
  Document document;
  document.sections.push_back(Section{"", false, {}});
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = Trim(bytes.substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size()) {
      pos += (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ? 2 : 1;
    }
    if (line.empty()) continue;
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        document.sections.push_back(
            Section{std::string(Trim(line.substr(1, close - 1))), true, {}});
        continue;
      }
    }
    document.sections.back().entries.push_back(ParseEntry(line));
  }
  if (document.sections.front().entries.empty()) {
    document.sections.erase(document.sections.begin());
  }
  return document;
}

std::string Serialize(const Document& document) {
  std::string bytes;
  for (const Section& section : document.sections) {
    if (section.has_header) {
      bytes += '[';
      bytes += section.name;
      bytes += "]\r\n";
    }
    for (const Entry& entry : section.entries) {
      bytes += entry.name;
      if (entry.has_value) {
        bytes += '=';
        bytes += entry.value;
      }
      bytes += "\r\n";
    }
  }
  return bytes;
}

// A name as the file compares it: Windows-1250 bytes, outer blanks ignored.
std::string FileName(std::string_view utf8) { return std::string(Trim(Utf8ToCp1250(utf8))); }

// A line break inside a name or value would split the line and corrupt the file's structure.
std::string SingleLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::string ReadFileBytes(const std::string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  return bytes ? std::move(*bytes) : std::string();
}

[[noreturn]] void ThrowWriteError(const std::string& path, const std::string& reason) {
  throw Error("Unable to write to " + path + " (" + reason + ")");
}

// For a write: the file's bytes, empty when there is no file. An existing file that cannot
// be read must not be replaced by a file holding only the new key.
// Like the original platform, a read-only file or a missing folder fails every write, even
// one that would change nothing.
std::optional<std::string> ReadForWrite(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    struct stat folder_st {};
    if (stat(folder.c_str(), &folder_st) != 0 || !S_ISDIR(folder_st.st_mode)) {
      ThrowWriteError(path, std::strerror(ENOENT));
    }
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) ThrowWriteError(path, std::strerror(EISDIR));
  if (access(path.c_str(), W_OK) != 0) ThrowWriteError(path, std::strerror(EACCES));
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) ThrowWriteError(path, "the file cannot be read");
  return bytes;
}

void Store(const std::string& path, const Document& document) {
  std::string reason;
  // Each key is a whole-file rewrite; a sync per key would make a settings file take a
  // second to save, and the rename already protects against a crash of the program.
  if (!WriteFileAtomically(path, Serialize(document), &reason, Durability::kRenameOnly)) {
    ThrowWriteError(path, reason);
  }
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  Document document = Parse(ReadFileBytes(path_));
  Section* found_section = document.FindSection(FileName(section));
  Entry* entry = found_section ? FindEntry(*found_section, FileName(key)) : nullptr;
  if (entry == nullptr || !entry->has_value) return std::string(TrimRight(default_value));
  std::string_view value = entry->value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxValueBytes) value = value.substr(0, kMaxValueBytes);
  return Cp1250ToUtf8(value);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t default_value) const {
  std::string text = ReadString(section, key, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.replace(0, 2, "$");
  }
  return StrToIntDef(text, default_value);
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double default_value,
                          char decimal_separator) const {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return default_value;
  double value = 0;
  return TryStrToFloat(text, decimal_separator, value) ? value : default_value;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const {
  // As the original class: a section counts when it holds at least one key.
  Document document = Parse(ReadFileBytes(path_));
  Section* found = document.FindSection(FileName(section));
  if (found == nullptr) return false;
  for (const Entry& entry : found->entries) {
    if (!entry.comment && entry.has_value) return true;
  }
  return false;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  Document document = Parse(ReadFileBytes(path_));
  Section* found = document.FindSection(FileName(section));
  Entry* entry = found ? FindEntry(*found, FileName(key)) : nullptr;
  return entry != nullptr && entry->has_value;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::optional<std::string> bytes = ReadForWrite(path_);
  Document document = Parse(bytes ? *bytes : std::string());
  std::string section_name = SingleLine(FileName(section));
  std::string key_name = SingleLine(FileName(key));
  std::string stored = std::string(Trim(SingleLine(Utf8ToCp1250(value))));

  Section* target = document.FindSection(section_name);
  if (target == nullptr) {
    document.sections.push_back(Section{section_name, true, {}});
    target = &document.sections.back();
  }
  if (Entry* entry = FindEntry(*target, key_name)) {
    if (entry->has_value && entry->value == stored) return;  // nothing changes, nothing written
    entry->value = std::move(stored);
    entry->has_value = true;
  } else {
    target->entries.push_back(Entry{std::move(key_name), std::move(stored), true, false});
  }
  Store(path_, document);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  WriteString(section, key, std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value,
                         char decimal_separator) {
  WriteString(section, key, FloatToStr(value, decimal_separator));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::optional<std::string> bytes = ReadForWrite(path_);
  if (!bytes) return;
  Document document = Parse(*bytes);
  Section* found = document.FindSection(FileName(section));
  if (found == nullptr) return;
  for (auto it = found->entries.begin(); it != found->entries.end(); ++it) {
    if (!it->comment && SameName(it->name, FileName(key))) {
      found->entries.erase(it);
      Store(path_, document);
      return;
    }
  }
}

void IniFile::EraseSection(std::string_view section) {
  std::optional<std::string> bytes = ReadForWrite(path_);
  if (!bytes) return;
  Document document = Parse(*bytes);
  Section* found = document.FindSection(FileName(section));
  if (found == nullptr) return;
  document.sections.erase(document.sections.begin() + (found - document.sections.data()));
  Store(path_, document);
}

}  // namespace korvan
