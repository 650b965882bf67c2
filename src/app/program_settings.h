#pragma once

#include <string>

namespace korvan {

// The program's own settings file: where the card reader is and the alternative folder.
struct ProgramSettings {
  std::string card_disk = "f";  // the card drive's letter, one character
  bool alternative = false;
  std::string alt_dir;
};

ProgramSettings ReadProgramSettings(const std::string& path);
// Writes Application/Name and Version, then the three Setup keys, in this order.
void WriteProgramSettings(const std::string& path, const ProgramSettings& settings);
// The folder a chooser (known by its title) last ended in, section Folders; "" when none.
std::string ReadChooserFolder(const std::string& path, const std::string& title);
// Throws Error when the file cannot be written.
void WriteChooserFolder(const std::string& path, const std::string& title,
                        const std::string& folder);

// The first-run marker: Application/Name is exactly the program's name.
bool ProgramIsSetUp(const std::string& path);

}  // namespace korvan
