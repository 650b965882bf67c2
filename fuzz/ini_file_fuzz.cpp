#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/cp1250.h"
#include "app/error.h"
#include "app/ini_file.h"
#include "platform/files.h"

namespace {

// One file per process, removed after every input; tmpfs when there is one, since every
// write of the facility is flushed to disk.
const std::string& Path() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
    return folder + "/korvan-ini-fuzz-" + std::to_string(getpid()) + ".ini";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = Path();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!korvan::WriteFileAtomically(path, bytes)) std::abort();

  korvan::IniFile ini(path);
  const char* const sections[] = {"Param", "Measure", "", "A]b", "Měření"};
  const char* const keys[] = {"Line01", "Name", "", ";K", "Measure"};
  for (const char* section : sections) {
    for (const char* key : keys) {
      ini.ReadString(section, key, "def");
      ini.ReadInteger(section, key, 7);
    }
    ini.SectionExists(section);
  }

  try {
    // A value the first bytes choose; what is written must read back as stored.
    std::string value = bytes.substr(0, size < 40 ? size : 40);
    ini.WriteString("Param", "JobName", value);
    std::string expected = korvan::Utf8ToCp1250(value);
    for (char& c : expected) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    while (!expected.empty() && (expected.back() == ' ' || expected.back() == '\t')) {
      expected.pop_back();
    }
    while (!expected.empty() && (expected.front() == ' ' || expected.front() == '\t')) {
      expected.erase(0, 1);
    }
    if (expected.size() >= 2 && (expected[0] == '"' || expected[0] == '\'') &&
        expected.back() == expected[0]) {
      expected = expected.substr(1, expected.size() - 2);
    }
    if (ini.ReadString("Param", "JobName", "<missing>") != korvan::Cp1250ToUtf8(expected)) {
      std::abort();
    }
    ini.WriteString("Fuzz", "Key", "v a;l=ue");
    if (ini.ReadString("Fuzz", "Key", "") != "v a;l=ue") std::abort();
    ini.EraseSection("Measure");
    ini.EraseSection("Fuzz");
    ini.DeleteKey("Param", "JobName");
  } catch (const korvan::Error&) {
    std::abort();  // the file is in a writable temp folder; writes must not fail
  }
  unlink(path.c_str());
  return 0;
}
