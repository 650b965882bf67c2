#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/drives.h"
#include "platform/file_query.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

TEST(Drives, MountedVolumesGetLettersInMountPathOrder) {
  const char* mounts =
      "/dev/vda1 / ext4 rw 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/sdc1 /run/media/u/ZETA vfat rw 0 0\n"
      "/dev/sdb1 /media/u/CARD\\040ONE vfat rw 0 0\n"
      "/dev/sdd1 /mnt/usb vfat rw 0 0\n"
      "tmpfs /media tmpfs rw 0 0\n"
      "/dev/sdb1 /media/u/CARD\\040ONE vfat rw 0 0\n";
  auto drives = DrivesFromMounts(mounts);
  ASSERT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives[0].letter, 'c');
  EXPECT_EQ(drives[0].root, "/");
  EXPECT_EQ(drives[0].device, "/dev/vda1");
  EXPECT_EQ(drives[1].letter, 'e');
  EXPECT_EQ(drives[1].root, "/media/u/CARD ONE");
  EXPECT_EQ(drives[1].device, "/dev/sdb1");
  EXPECT_EQ(drives[2].letter, 'f');
  EXPECT_EQ(drives[2].root, "/mnt/usb");
  EXPECT_EQ(drives[3].letter, 'g');
  EXPECT_EQ(drives[3].root, "/run/media/u/ZETA");
}

TEST(Drives, KorvanDrivesListReplacesDetection) {
  auto drives = DrivesFromList("f=/tmp/card/;e=/data;bad;zz=/x;C=/");
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].letter, 'c');
  EXPECT_EQ(drives[1].letter, 'e');
  EXPECT_EQ(drives[1].label, "data");
  EXPECT_EQ(drives[2].letter, 'f');
  EXPECT_EQ(drives[2].root, "/tmp/card");

  setenv("KORVAN_DRIVES", "e=/srv/card", 1);
  auto listed = ListDrives();
  unsetenv("KORVAN_DRIVES");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].root, "/srv/card");
}

TEST(Drives, DriveOfPathTakesTheLongestRoot) {
  auto drives = DrivesFromList("c=/;e=/media/u/CARD;f=/media/u/CARD2");
  EXPECT_EQ(DriveOfPath(drives, "/media/u/CARD/x")->letter, 'e');
  EXPECT_EQ(DriveOfPath(drives, "/media/u/CARD2")->letter, 'f');
  EXPECT_EQ(DriveOfPath(drives, "/home/u")->letter, 'c');
  EXPECT_FALSE(DriveOfPath(DrivesFromList("e=/media"), "/home").has_value());
}

TEST(Drives, TheMountOfAFileGivesItsDeviceAndItsPathOnTheVolume) {
  const std::string mountinfo =
      "28 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "90 28 8:17 / /media/u/KARTA\\040A rw,nosuid shared:40 - vfat /dev/sdb1 rw,fmask=0022\n"
      "91 28 8:17 /zaznamy /mnt/bind rw - vfat /dev/sdb1 rw\n"
      "92 90 8:18 / /media/u/KARTA\\040A/vnoreny rw - vfat /dev/sdb2 rw\n";
  struct Case {
    unsigned major, minor;
    const char* path;
    std::optional<MountOfFile> mount;
  };
  const Case cases[] = {
      {8, 17, "/media/u/KARTA A/LOG.BIN", MountOfFile{"/dev/sdb1", "vfat", "LOG.BIN"}},
      {8, 17, "/mnt/bind/LOG.BIN", MountOfFile{"/dev/sdb1", "vfat", "zaznamy/LOG.BIN"}},
      // The deepest mount of the device wins; another device's mount is not the file's.
      {8, 18, "/media/u/KARTA A/vnoreny/a/LOG.BIN", MountOfFile{"/dev/sdb2", "vfat", "a/LOG.BIN"}},
      {254, 0, "/home/u/LOG.BIN", MountOfFile{"/dev/vda", "ext4", "home/u/LOG.BIN"}},
      {8, 17, "/media/u/KARTA AB/LOG.BIN", std::nullopt},
      {8, 19, "/media/u/KARTA A/LOG.BIN", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto mount = MountOfFileIn(mountinfo, c.major, c.minor, c.path);
    ASSERT_EQ(mount.has_value(), c.mount.has_value()) << c.path;
    if (!mount) continue;
    EXPECT_EQ(mount->source, c.mount->source) << c.path;
    EXPECT_EQ(mount->type, c.mount->type) << c.path;
    EXPECT_EQ(mount->path_inside, c.mount->path_inside) << c.path;
  }
}

TEST(Paths, PortableBesideWritableExecutable) {
  testing::TempDir dir;
  // The XDG folders concern an installed copy only.
  ProgramPaths paths = ResolveProgramPaths(dir.File("korvan-a"), {"/home/u", "/x/cfg", "/x/dat"});
  EXPECT_EQ(paths.settings_file, dir.File("korvan-a.ini"));
  EXPECT_EQ(paths.quantity_dir, dir.File("Instrument/"));
  EXPECT_EQ(paths.program_dir, dir.path());
  EXPECT_EQ(paths.shipped_quantity_dir, "");
  // An extension of the executable is replaced, not kept.
  EXPECT_EQ(ResolveProgramPaths(dir.File("korvan-a.bin"), {}).settings_file,
            dir.File("korvan-a.ini"));
}

// Also as root, who may write /usr/bin: an installed copy keeps nothing beside itself.
TEST(Paths, InstalledCopyUsesTheUsersFolders) {
  struct Case {
    const char* executable;
    UserFolders user;
    const char* settings_file;
    const char* quantity_dir;
    const char* shipped_quantity_dir;
  };
  const Case cases[] = {
      {"/usr/bin/korvan-a",
       {"/home/u", "", ""},
       "/home/u/.config/korvan-a/korvan-a.ini",
       "/home/u/.local/share/korvan-a/Instrument/",
       "/usr/share/korvan-a/Instrument/"},
      {"/usr/local/bin/korvan-a",
       {"/home/u", "/cfg/", "/d"},
       "/cfg/korvan-a/korvan-a.ini",
       "/d/korvan-a/Instrument/",
       "/usr/local/share/korvan-a/Instrument/"},
      // Relative XDG folders are invalid and ignored.
      {"/opt/k/bin/korvan-a",
       {"/home/u", "cfg", "./d"},
       "/home/u/.config/korvan-a/korvan-a.ini",
       "/home/u/.local/share/korvan-a/Instrument/",
       "/opt/k/share/korvan-a/Instrument/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.executable);
    ProgramPaths paths = ResolveProgramPaths(c.executable, c.user);
    EXPECT_EQ(paths.settings_file, c.settings_file);
    EXPECT_EQ(paths.quantity_dir, c.quantity_dir);
    EXPECT_EQ(paths.program_dir + "/Instrument/", paths.quantity_dir);
    EXPECT_EQ(paths.shipped_quantity_dir, c.shipped_quantity_dir);
  }
}

TEST(Paths, CommandLineArgument) {
  EXPECT_EQ(CommandLinePath("/jobs/line4.kva", "/work"), "/jobs/line4.kva");
  EXPECT_EQ(CommandLinePath("line4.kva", "/work"), "/work/line4.kva");
  EXPECT_EQ(CommandLinePath("line4.kva", "/"), "/line4.kva");
  // Quotes are not removed: the file is then simply not found.
  EXPECT_EQ(CommandLinePath("\"a b.kva\"", "/w"), "/w/\"a b.kva\"");
}

TEST(Paths, TempFollowsTheEnvironment) {
  const char* old = std::getenv("TEMP");
  std::string saved = old ? old : "";
  setenv("TEMP", "/some/temp/", 1);
  EXPECT_EQ(TempDir(), "/some/temp");
  unsetenv("TEMP");
  EXPECT_FALSE(TempDir().empty());
  if (old) setenv("TEMP", saved.c_str(), 1);
}

TEST(Process, ExitCodesAndMissingPrograms) {
  EXPECT_EQ(RunProcess("true", {}), 0);
  EXPECT_EQ(RunProcess("sh", {"-c", "exit 3"}), 3);
  EXPECT_EQ(RunProcess("no-such-program-korvan", {}), -1);
}

TEST(Files, AtomicWriteReplacesWholeFileAndLeavesNoTemporary) {
  testing::TempDir dir;
  std::string path = dir.File("a.ini");
  ASSERT_TRUE(WriteFileAtomically(path, "first"));
  ASSERT_TRUE(WriteFileAtomically(path, "second"));
  EXPECT_EQ(ReadWholeFile(path, 1 << 20), std::optional<std::string>("second"));
  std::string reason;
  EXPECT_FALSE(WriteFileAtomically(dir.File("missing/a.ini"), "x", &reason));
  EXPECT_FALSE(reason.empty());
  int files = 0;
  for (auto it = std::filesystem::directory_iterator(dir.path());
       it != std::filesystem::directory_iterator(); ++it) {
    ++files;
  }
  EXPECT_EQ(files, 1);
  EXPECT_FALSE(ReadWholeFile(dir.File("none"), 1 << 20).has_value());
  EXPECT_FALSE(ReadWholeFile(dir.path(), 1 << 20).has_value());
}

TEST(Files, ReadOnlyTargetIsRefused) {
  testing::TempDir dir;
  std::string path = dir.File("ro.ini");
  ASSERT_TRUE(WriteFileAtomically(path, "keep"));
  chmod(path.c_str(), 0444);
  EXPECT_FALSE(WriteFileAtomically(path, "lost"));
  EXPECT_EQ(ReadWholeFile(path, 1 << 20), std::optional<std::string>("keep"));
}

TEST(Process, FindProgramLooksInTheSystemFoldersToo) {
  EXPECT_EQ(FindProgram("sh").empty(), false);
  EXPECT_EQ(FindProgram("no-such-program-korvan"), "");
  const char* path = std::getenv("PATH");
  const std::string saved = path ? path : "";
  setenv("PATH", "/nonexistent", 1);
  const std::string found = FindProgram("ldconfig");  // in /usr/sbin or /sbin only
  setenv("PATH", saved.c_str(), 1);
  EXPECT_TRUE(found == "/usr/sbin/ldconfig" || found == "/sbin/ldconfig") << found;
  SystemProcessRunner runner;
  EXPECT_EQ(runner.Run("sh", {"-c", "echo noise; exit 5"}), 5);
}

TEST(InPlaceFile, WritesInsideTheFileAndNeverGrowsIt) {
  testing::TempDir dir;
  const std::string path = dir.File("LOG.BIN");
  ASSERT_TRUE(WriteFileAtomically(path, std::string(8, 'x')));
  InPlaceFile file(path);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(file.size(), 8u);
  EXPECT_TRUE(file.WriteAt(6, "ab", 2));
  EXPECT_FALSE(file.WriteAt(7, "ab", 2));
  EXPECT_FALSE(file.ok());
  EXPECT_EQ(testing::ReadBytes(path), "xxxxxxab");
  EXPECT_FALSE(InPlaceFile(dir.File("missing")).ok());
}

}  // namespace
}  // namespace korvan
