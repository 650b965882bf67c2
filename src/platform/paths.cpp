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

UserFolders UserFoldersOfEnvironment() {
  auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  return {variable("HOME"), variable("XDG_CONFIG_HOME"), variable("XDG_DATA_HOME")};
}

ProgramPaths ResolveProgramPaths(const std::string& executable_path, const UserFolders& user) {
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
    std::string home = WithSlash(user.home.empty() ? std::string("/tmp") : user.home);
    // A relative XDG folder is invalid and is to be ignored.
    auto base = [](const std::string& xdg, std::string fallback) {
      return xdg.starts_with('/') ? WithSlash(xdg) : fallback;
    };
    std::string config = base(user.config_home, home + ".config/") + "korvan-a/";
    std::string data = base(user.data_home, home + ".local/share/") + "korvan-a";
    paths.settings_file = config + "korvan-a.ini";
    paths.quantity_dir = data + "/Instrument/";
    paths.program_dir = data;
    // bin/../share/korvan-a/Instrument/, as the package installs it.
    paths.shipped_quantity_dir = WithSlash(FolderOf(folder)) + "share/korvan-a/Instrument/";
  }
  return paths;
}

ProgramPaths DefaultProgramPaths() {
  ProgramPaths paths = ResolveProgramPaths(ExecutablePath(), UserFoldersOfEnvironment());
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
