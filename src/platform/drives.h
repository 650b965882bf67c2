#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvan {

// A "drive" of the drive choosers: c is the root file system, mounted volumes under
// /media, /run/media and /mnt get e, f, g ... in the order of their mount paths.
struct Drive {
  char letter = 0;     // lower case
  std::string label;   // volume label, else the mount folder's name
  std::string root;    // the mount folder
  std::string device;  // block device, empty when unknown
};

// KORVAN_DRIVES ("e=/some/folder;f=/other") replaces the detected list.
std::vector<Drive> ListDrives();

// The detection itself over a mounts table in /proc/self/mounts form (for tests).
std::vector<Drive> DrivesFromMounts(const std::string& mounts_text);
std::vector<Drive> DrivesFromList(const std::string& list);

// The drive whose root holds path (longest root prefix), if any.
std::optional<Drive> DriveOfPath(const std::vector<Drive>& drives, const std::string& path);

// The mounted file system that holds a file.
struct MountOfFile {
  std::string source;       // as the mount table names it, /dev/sdb1 for a card
  std::string type;         // vfat, ext4 ...
  std::string path_inside;  // the file's path from the file system's root, no leading "/"
};

// From a /proc/self/mountinfo text: the mount of device major:minor whose folder holds path
// (absolute, links resolved), the deepest when several do.
std::optional<MountOfFile> MountOfFileIn(const std::string& mountinfo, unsigned major,
                                         unsigned minor, const std::string& path);

// The drive's device when it is a disk that can be checked (a /dev path, not "tmpfs" or a
// network share); empty otherwise.
std::string CheckableDevice(const Drive& drive);

}  // namespace korvan
