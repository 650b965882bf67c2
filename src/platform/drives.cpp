#include "platform/drives.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/file_query.h"

namespace korvan {

namespace {

// /proc/self/mounts escapes blanks and a few other bytes as \ooo.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string oct = field.substr(i + 1, 3);
      if (oct.size() == 3 &&
          std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out += static_cast<char>((oct[0] - '0') * 64 + (oct[1] - '0') * 8 + (oct[2] - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool Inside(const std::string& root, const std::string& path) {
  return root == "/" ? path.starts_with('/') : path == root || path.starts_with(root + "/");
}

bool UnderRemovableRoot(const std::string& path) {
  for (const char* prefix : {"/media/", "/run/media/", "/mnt/"}) {
    if (path.rfind(prefix, 0) == 0 && path.size() > std::char_traits<char>::length(prefix)) {
      return true;
    }
  }
  return false;
}

// The volume label as the system's by-label links give it, else the mount folder's name.
std::string LabelOf(const std::string& device, const std::string& root) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-label", ec)) {
    std::error_code ec2;
    auto target = std::filesystem::canonical(entry.path(), ec2);
    if (!ec2 && target.string() == device) {
      // The link names escape blanks as \x20.
      std::string name = entry.path().filename().string();
      std::string label;
      for (size_t i = 0; i < name.size(); ++i) {
        if (name.compare(i, 4, "\\x20") == 0) {
          label += ' ';
          i += 3;
        } else {
          label += name[i];
        }
      }
      return label;
    }
  }
  auto slash = root.rfind('/');
  return slash == std::string::npos ? root : root.substr(slash + 1);
}

}  // namespace

std::vector<Drive> DrivesFromMounts(const std::string& mounts_text) {
  std::vector<Drive> drives;
  drives.push_back({'c', "", "/", ""});
  std::vector<std::pair<std::string, std::string>> volumes;  // mount path, device
  std::istringstream lines(mounts_text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, mount;
    if (!(fields >> device >> mount)) continue;
    mount = Unescape(mount);
    device = Unescape(device);
    if (mount == "/") {
      drives[0].device = device;
      continue;
    }
    if (!UnderRemovableRoot(mount)) continue;
    if (std::any_of(volumes.begin(), volumes.end(),
                    [&](const auto& v) { return v.first == mount; })) {
      continue;
    }
    volumes.emplace_back(mount, device);
  }
  std::sort(volumes.begin(), volumes.end());
  char letter = 'e';
  for (const auto& [mount, device] : volumes) {
    if (letter > 'z') break;
    drives.push_back({letter++, "", mount, device.rfind("/dev/", 0) == 0 ? device : ""});
  }
  return drives;
}

std::vector<Drive> DrivesFromList(const std::string& list) {
  std::vector<Drive> drives;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    start = end + 1;
    auto eq = item.find('=');
    if (eq != 1 || item.size() < 3) continue;
    char letter = item[0];
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    if (letter < 'a' || letter > 'z') continue;
    std::string root = item.substr(2);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    auto slash = root.rfind('/');
    std::string label = slash == std::string::npos ? root : root.substr(slash + 1);
    drives.push_back({letter, label, root, ""});
  }
  std::stable_sort(drives.begin(), drives.end(),
                   [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  return drives;
}

std::vector<Drive> ListDrives() {
  if (const char* list = std::getenv("KORVAN_DRIVES"); list != nullptr && *list != '\0') {
    return DrivesFromList(list);
  }
  std::vector<Drive> drives =
      DrivesFromMounts(ReadWholeFile("/proc/self/mounts", 16 << 20).value_or(""));
  for (auto& drive : drives) {
    if (drive.letter != 'c') drive.label = LabelOf(drive.device, drive.root);
  }
  return drives;
}

std::optional<Drive> DriveOfPath(const std::vector<Drive>& drives, const std::string& path) {
  std::optional<Drive> best;
  for (const auto& drive : drives) {
    if (Inside(drive.root, path) && (!best || drive.root.size() > best->root.size())) best = drive;
  }
  return best;
}

std::optional<MountOfFile> MountOfFileIn(const std::string& mountinfo, unsigned major,
                                         unsigned minor, const std::string& path) {
  const std::string device = std::to_string(major) + ":" + std::to_string(minor);
  std::optional<MountOfFile> best;
  size_t best_depth = 0;
  std::istringstream lines(mountinfo);
  std::string line;
  while (std::getline(lines, line)) {
    // id parent major:minor root mount-point options [optional fields...] - type source ...
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    const auto dash = std::find(fields.begin() + std::min<size_t>(fields.size(), 6), fields.end(),
                                std::string("-"));
    if (fields.size() < 6 || fields[2] != device || fields.end() - dash < 3) continue;
    const std::string root = Unescape(fields[3]);
    const std::string mount_point = Unescape(fields[4]);
    if (!Inside(mount_point, path) || (best && mount_point.size() < best_depth)) continue;
    const std::string rest = mount_point == "/" ? path : path.substr(mount_point.size());
    std::string inside = (root == "/" ? "" : root) + rest;
    inside.erase(0, inside.find_first_not_of('/'));
    best = MountOfFile{Unescape(dash[2]), dash[1], inside};
    best_depth = mount_point.size();
  }
  return best;
}

std::string CheckableDevice(const Drive& drive) {
  // The mount table names block devices by their /dev path; "tmpfs", "overlay" or a
  // "server:/share" are not disks to check.
  return drive.device.starts_with("/dev/") ? drive.device : "";
}

}  // namespace korvan
