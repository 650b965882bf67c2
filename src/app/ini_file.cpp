#include "app/ini_file.h"

#include <cerrno>
#include <utility>

#include "app/error.h"
#include "platform/file_query.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

[[noreturn]] void ThrowWriteError(const std::string& path, const std::string& reason) {
  throw Error("Do souboru " + path + " nelze zapisovat (" + reason + ").");
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void StoreIniDocument(const std::string& path, const IniDocument& document, Durability durability) {
  std::string reason;
  if (!WriteFileAtomically(path, document.Serialize(), &reason, durability)) {
    ThrowWriteError(path, reason);
  }
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

const IniDocument& IniFile::document() const {
  if (!document_) {
    ReadFault fault = ReadFault::kNone;
    std::optional<std::string> bytes = ReadWholeFile(path_, kMaxIniBytes, &fault);
    // A missing or unreadable file reads as an empty one, as with the original facility; one
    // that is not a file at all, or far larger than any settings, is damaged.
    if (fault == ReadFault::kNotRegular) {
      throw Error("Soubor " + path_ + " nelze číst: " + SystemErrorText(kNotRegularFile) + ".");
    }
    if (fault == ReadFault::kTooLarge) {
      throw Error("Soubor " + path_ + " je poškozený: je větší než " +
                  std::to_string(kMaxIniBytes >> 20) + " MiB.");
    }
    document_ = IniDocument::Parse(bytes ? *bytes : std::string());
    // What a commit compares against: the file as the facility would write it unchanged.
    stored_ = bytes ? std::optional(document_->Serialize()) : std::nullopt;
  }
  return *document_;
}

IniDocument& IniFile::Edit() {
  // Like the original platform, a read-only file or a missing folder fails every write, even
  // one that would change nothing; an existing file that cannot be read must not be replaced
  // by a file holding only the new keys.
  const FileKind kind = QueryFile(path_).kind;
  const bool exists = kind != FileKind::kNone;
  if (!exists) {
    if (!IsDirectory(FolderOf(path_))) ThrowWriteError(path_, SystemErrorText(ENOENT));
  } else if (kind == FileKind::kDirectory) {
    ThrowWriteError(path_, SystemErrorText(EISDIR));
  } else if (!IsWritable(path_)) {
    ThrowWriteError(path_, SystemErrorText(EACCES));
  }
  if (exists && !stored_) document_.reset();  // read before it existed, or unreadable
  document();
  if (exists && !stored_) ThrowWriteError(path_, SystemErrorText(EIO));
  return *document_;
}

void IniFile::Commit(Durability durability) {
  if (!document_) return;
  std::string bytes = document_->Serialize();
  if (stored_ && *stored_ == bytes) return;
  if (!stored_ && bytes.empty()) return;  // nothing to create
  StoreIniDocument(path_, *document_, durability);
  stored_ = std::move(bytes);
}

template <typename Change>
void IniFile::WriteKey(Change change) {
  // Each key is a whole-file rewrite; a sync per key would make a save of many keys take a
  // second, and the rename already protects against a crash of the program.
  if (change(Edit())) Commit(Durability::kRenameOnly);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  WriteKey([&](IniDocument& d) { return d.WriteString(section, key, value); });
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteKey([&](IniDocument& d) { return d.WriteInteger(section, key, value); });
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value,
                         char decimal_separator) {
  WriteKey([&](IniDocument& d) { return d.WriteFloat(section, key, value, decimal_separator); });
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteKey([&](IniDocument& d) { return d.WriteBool(section, key, value); });
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  WriteKey([&](IniDocument& d) { return d.DeleteKey(section, key); });
}

void IniFile::EraseSection(std::string_view section) {
  WriteKey([&](IniDocument& d) { return d.EraseSection(section); });
}

}  // namespace korvan
