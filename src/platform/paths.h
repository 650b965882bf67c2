#pragma once

#include <string>

namespace korvan {

struct ProgramPaths {
  std::string settings_file;  // the executable's path with ".ini"
  std::string quantity_dir;   // "Instrument/" beside the executable, with a trailing "/"
  std::string program_dir;    // start folder of the settings-file dialogs
};

// Portable layout beside the executable when its folder is writable and not one of the
// system's program folders (/usr/..., /opt/..., /bin), otherwise
// ~/.config/korvan-a/korvan-a.ini and ~/.local/share/korvan-a/Instrument/.
ProgramPaths ResolveProgramPaths(const std::string& executable_path, const std::string& home);
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
