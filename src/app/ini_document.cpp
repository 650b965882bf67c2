#include "app/ini_document.h"

#include <charconv>
#include <utility>

#include "app/cp1250.h"
#include "app/numbers.h"

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

// A name as the file compares it: Windows-1250 bytes, outer blanks ignored.
std::string FileName(std::string_view utf8) { return std::string(Trim(Utf8ToCp1250(utf8))); }

// A line break inside a name or value would split the line and corrupt the file's structure.
std::string SingleLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument document;
  std::vector<Section>& sections = document.sections_;
  sections.push_back(Section{"", false, {}});
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
        sections.push_back(Section{std::string(Trim(line.substr(1, close - 1))), true, {}});
        continue;
      }
    }
    Entry entry;
    entry.comment = line.front() == ';';
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      entry.name = std::string(line);
    } else {
      entry.name = std::string(Trim(line.substr(0, equals)));
      entry.value = std::string(Trim(line.substr(equals + 1)));
      entry.has_value = true;
    }
    sections.back().entries.push_back(std::move(entry));
  }
  if (sections.front().entries.empty()) sections.erase(sections.begin());
  return document;
}

std::string IniDocument::Serialize() const {
  std::string bytes;
  for (const Section& section : sections_) {
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

const IniDocument::Section* IniDocument::FindSection(std::string_view file_name) const {
  for (const Section& section : sections_) {
    if (SameName(section.name, file_name)) return &section;
  }
  return nullptr;
}

IniDocument::Section* IniDocument::FindSection(std::string_view file_name) {
  return const_cast<Section*>(std::as_const(*this).FindSection(file_name));
}

const IniDocument::Entry* IniDocument::FindValue(std::string_view section,
                                                 std::string_view key) const {
  const Section* found = FindSection(FileName(section));
  if (found == nullptr) return nullptr;
  const std::string name = FileName(key);
  for (const Entry& entry : found->entries) {
    if (!entry.comment && SameName(entry.name, name)) return entry.has_value ? &entry : nullptr;
  }
  return nullptr;
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view default_value) const {
  const Entry* entry = FindValue(section, key);
  if (entry == nullptr) return std::string(TrimRight(default_value));
  std::string_view value = entry->value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxValueBytes) value = value.substr(0, kMaxValueBytes);
  return Cp1250ToUtf8(value);
}

int32_t IniDocument::ReadInteger(std::string_view section, std::string_view key,
                                 int32_t default_value) const {
  std::string text = ReadString(section, key, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.replace(0, 2, "$");
  }
  return StrToIntDef(text, default_value);
}

double IniDocument::ReadFloat(std::string_view section, std::string_view key,
                              double default_value) const {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return default_value;
  double value = 0;
  return TryFileStrToFloat(text, value) ? value : default_value;
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key,
                           bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

bool IniDocument::SectionExists(std::string_view section) const {
  const Section* found = FindSection(FileName(section));
  if (found == nullptr) return false;
  for (const Entry& entry : found->entries) {
    if (!entry.comment && entry.has_value) return true;
  }
  return false;
}

bool IniDocument::ValueExists(std::string_view section, std::string_view key) const {
  return FindValue(section, key) != nullptr;
}

bool IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  std::string section_name = SingleLine(FileName(section));
  std::string key_name = SingleLine(FileName(key));
  std::string stored = std::string(Trim(SingleLine(Utf8ToCp1250(value))));

  Section* target = FindSection(section_name);
  if (target == nullptr) {
    sections_.push_back(Section{section_name, true, {}});
    target = &sections_.back();
  }
  for (Entry& entry : target->entries) {
    if (entry.comment || !SameName(entry.name, key_name)) continue;
    if (entry.has_value && entry.value == stored) return false;
    entry.value = std::move(stored);
    entry.has_value = true;
    return true;
  }
  target->entries.push_back(Entry{std::move(key_name), std::move(stored), true, false});
  return true;
}

bool IniDocument::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return WriteString(section, key, std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

bool IniDocument::WriteFloat(std::string_view section, std::string_view key, double value,
                             char decimal_separator) {
  return WriteString(section, key, FloatToStr(value, decimal_separator));
}

bool IniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  Section* found = FindSection(FileName(section));
  if (found == nullptr) return false;
  const std::string name = FileName(key);
  for (auto it = found->entries.begin(); it != found->entries.end(); ++it) {
    if (!it->comment && SameName(it->name, name)) {
      found->entries.erase(it);
      return true;
    }
  }
  return false;
}

bool IniDocument::EraseSection(std::string_view section) {
  Section* found = FindSection(FileName(section));
  if (found == nullptr) return false;
  sections_.erase(sections_.begin() + (found - sections_.data()));
  return true;
}

}  // namespace korvan
