#pragma once

#include <string>

namespace korvan {

struct ProgramPaths {
  std::string settings_file;  // the executable's path with ".ini"
  std::string quantity_dir;   // "Instrument/" beside the executable, with a trailing "/"
  std::string program_dir;    // start folder of the settings-file dialogs
  // An installed program's own quantity files (share/korvan-a/Instrument/ of its prefix,
  // with a trailing "/"), copied into quantity_dir on the first start; empty for a
  // portable copy.
  std::string shipped_quantity_dir;
};

// The user's folders as the environment gives them (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME).
struct UserFolders {
  std::string home;
  std::string config_home;  // empty or relative: not set
  std::string data_home;
};
UserFolders UserFoldersOfEnvironment();

// Portable layout beside the executable when its folder is writable and not one of the
// system's program folders (/usr/..., /opt/..., /bin), otherwise
// $XDG_CONFIG_HOME/korvan-a/korvan-a.ini and $XDG_DATA_HOME/korvan-a/Instrument/
// (~/.config and ~/.local/share when those are not set).
ProgramPaths ResolveProgramPaths(const std::string& executable_path, const UserFolders& user);
ProgramPaths DefaultProgramPaths();  // for this process

std::string ExecutablePath();
std::string CurrentDirectory();
// TEMP, else the system temporary folder; never with a trailing "/".
std::string TempDir();

// The command-line settings file: absolute as it stands, else relative to start_dir.
std::string CommandLinePath(const std::string& argument, const std::string& start_dir);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace korvan
