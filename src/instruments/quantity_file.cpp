#include "instruments/quantity_file.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/cp1250.h"
#include "app/error.h"
#include "platform/file_query.h"
#include "platform/files.h"

namespace korvan {

namespace {

std::string Slashed(std::string_view name) {
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// Folder segments of an absolute path with "." and ".." taken out lexically.
std::vector<std::string> Segments(const std::string& path) {
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!part.empty() && part != ".") {
      segments.push_back(std::move(part));
    }
    start = end + 1;
  }
  return segments;
}

std::optional<std::string> RootOf(const std::vector<Drive>& drives, const std::string& path) {
  auto drive = DriveOfPath(drives, path);
  if (!drive) return std::nullopt;
  return drive->root;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool QuantityTable::IsEmptyRow(int n) const {
  for (const auto& field : Row(n)) {
    if (!field.empty()) return false;
  }
  return true;
}

void QuantityTable::Clear() {
  for (auto& row : rows) {
    for (auto& field : row) field.clear();
  }
}

int QuantityTable::OfferedCount() const {
  int n = 1;
  while (n <= kQuantityRows && !IsEmptyRow(n)) ++n;
  return n - 1;
}

std::string QuantityFilePath(std::string_view name, const std::string& quantity_dir,
                             const std::vector<Drive>& drives) {
  std::string path = Slashed(name);
  if (!path.empty() && path[0] == '/') return path;
  if (path.size() >= 2 && path[1] == ':') {
    const char letter = static_cast<char>(path[0] | 0x20);
    for (const auto& drive : drives) {
      if (drive.letter != letter) continue;
      std::string rest = path.substr(2);
      while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
      std::string root = drive.root;
      if (root.empty() || root.back() != '/') root += '/';
      return root + rest;
    }
    // A drive this machine does not have: the name stays as it is and cannot be opened.
    return path;
  }
  std::string dir = quantity_dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + path;
}

std::string RelativeQuantityName(const std::string& chosen_path, const std::string& quantity_dir,
                                 const std::vector<Drive>& drives) {
  if (RootOf(drives, chosen_path) != RootOf(drives, quantity_dir)) return chosen_path;
  const auto dir = Segments(quantity_dir);
  const auto file = Segments(chosen_path);
  size_t common = 0;
  // The file's own name never counts as a folder in common.
  while (common < dir.size() && common + 1 < file.size() && dir[common] == file[common]) {
    ++common;
  }
  std::string name;
  for (size_t i = common; i < dir.size(); ++i) name += "..\\";
  for (size_t i = common; i < file.size(); ++i) {
    if (i > common) name += '\\';
    name += file[i];
  }
  return name;
}

void ParseQuantityText(std::string_view bytes, QuantityTable& table) {
  table.Clear();
  size_t pos = 0;
  int line = 0;
  while (pos < bytes.size() && line <= kQuantityRows) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    if (line > 0) {
      std::string_view text = bytes.substr(pos, std::min(end - pos, kQuantityLineBytes));
      QuantityRow& row = table.Row(line);
      for (int field = 0; field < kQuantityFields; ++field) {
        size_t semicolon = text.find(';');
        row[field] = Cp1250ToUtf8(text.substr(0, semicolon));
        if (semicolon == std::string_view::npos) break;
        text.remove_prefix(semicolon + 1);
      }
    }
    ++line;
    pos = end;
    if (pos < bytes.size() && bytes[pos++] == '\r' && pos < bytes.size() && bytes[pos] == '\n') {
      ++pos;
    }
  }
}

std::string FormatQuantityText(const QuantityTable& table) {
  std::string text;
  for (int field = 0; field < kQuantityFields; ++field) {
    if (field > 0) text += ';';
    text += Utf8ToCp1250(kQuantityHeaders[field]);
  }
  text += "\r\n";
  for (int n = 1; n <= kQuantityRows; ++n) {
    if (table.IsEmptyRow(n)) continue;
    const QuantityRow& row = table.Row(n);
    for (int field = 0; field < kQuantityFields; ++field) {
      if (field > 0) text += ';';
      text += Utf8ToCp1250(row[field]);
    }
    text += "\r\n";
  }
  return text;
}

void LoadQuantityFile(QuantityTable& table, std::string_view name, const std::string& quantity_dir,
                      const std::vector<Drive>& drives) {
  table.file_name = QuantityFilePath(name, quantity_dir, drives);
  ReadFault fault = ReadFault::kNone;
  auto bytes = ReadWholeFile(table.file_name, kQuantityFileMaxBytes, &fault);
  if (fault == ReadFault::kTooLarge) {
    throw Error("Soubor veličin \"" + table.file_name +
                "\" je poškozený: je větší, než soubor veličin může být.");
  }
  if (!bytes) throw Error("Soubor veličin \"" + table.file_name + "\" nelze otevřít.");
  ParseQuantityText(*bytes, table);
}

void SaveQuantityFile(const QuantityTable& table) {
  if (table.file_name.empty() || !WriteFileAtomically(table.file_name, FormatQuantityText(table))) {
    throw Error(kQuantitySaveError);
  }
}

std::vector<std::string> CopyShippedQuantityFiles(const ProgramPaths& paths) {
  std::vector<std::string> copied;
  if (paths.shipped_quantity_dir.empty() ||
      QueryFile(paths.settings_file).kind != FileKind::kNone) {
    return copied;
  }
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(paths.shipped_quantity_dir, ec)) {
    std::string name = entry.path().filename().string();
    if (name.ends_with(".csv")) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  std::filesystem::create_directories(paths.quantity_dir, ec);
  std::string failure;
  for (const std::string& name : names) {
    const std::string target = paths.quantity_dir + name;
    if (QueryFile(target).kind != FileKind::kNone) continue;
    const std::string source = paths.shipped_quantity_dir + name;
    auto bytes = ReadWholeFile(source, kQuantityFileMaxBytes);
    std::string reason;
    if (!bytes) {
      if (failure.empty()) failure = "Soubor veličin \"" + source + "\" nelze otevřít.";
    } else if (!WriteFileAtomically(target, *bytes, &reason)) {
      if (failure.empty()) failure = "Soubor veličin \"" + target + "\" nelze zapsat: " + reason;
    } else {
      copied.push_back(name);
    }
  }
  if (!failure.empty()) throw Error(failure);
  return copied;
}

std::string QuantityEditorCaption(const std::string& file_name) {
  if (file_name.empty()) return "Editor veličin";
  return "Editor veličin - " + BaseName(file_name);
}

}  // namespace korvan
