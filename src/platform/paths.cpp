#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace korvan {

namespace {

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The system's program folders hold installed copies: their settings go to the user's folders
// even when the folder is writable (for root), so that a package never finds files of ours
// beside its executables.
bool IsSystemFolder(const std::string& folder) {
  return folder == "/bin" || folder == "/sbin" || folder.starts_with("/usr/") ||
         folder.starts_with("/opt/");
}

}  // namespace

ProgramPaths ResolveProgramPaths(const std::string& executable_path, const std::string& home) {
  std::string folder = FolderOf(executable_path);
  ProgramPaths paths;
  if (!IsSystemFolder(folder) && access(folder.c_str(), W_OK) == 0) {
    std::string base = executable_path;
    auto slash = base.rfind('/');
    auto dot = base.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
      base.erase(dot);
    }
    paths.settings_file = base + ".ini";
    paths.quantity_dir = WithSlash(folder) + "Instrument/";
    paths.program_dir = folder;
  } else {
    std::string root = home.empty() ? std::string("/tmp") : home;
    paths.settings_file = WithSlash(root) + ".config/korvan-a/korvan-a.ini";
    paths.quantity_dir = WithSlash(root) + ".local/share/korvan-a/Instrument/";
    paths.program_dir = WithSlash(root) + ".local/share/korvan-a";
  }
  return paths;
}

ProgramPaths DefaultProgramPaths() {
  const char* home = std::getenv("HOME");
  ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), home ? home : "");
  // The fallback folders may not exist yet on a first start.
  std::error_code ignored;
  std::filesystem::create_directories(FolderOf(paths.settings_file), ignored);
  std::filesystem::create_directories(paths.quantity_dir, ignored);
  return paths;
}

std::string ExecutablePath() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("./korvan-a") : path.string();
}

std::string CurrentDirectory() {
  std::error_code ec;
  auto path = std::filesystem::current_path(ec);
  return ec ? std::string("/") : path.string();
}

std::string TempDir() {
  std::string dir;
  if (const char* temp = std::getenv("TEMP"); temp != nullptr && *temp != '\0') {
    dir = temp;
  } else {
    std::error_code ec;
    dir = std::filesystem::temp_directory_path(ec).string();
    if (ec || dir.empty()) dir = "/tmp";
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string CommandLinePath(const std::string& argument, const std::string& start_dir) {
  if (!argument.empty() && argument[0] == '/') return argument;
  std::string dir = start_dir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + argument;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace korvan
