#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/error.h"
#include "app/ini_file.h"
#include "platform/files.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvan-ini-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Folder() + "/fuzz.ini";
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
    std::string stored = ini.ReadString("Param", "JobName", "<missing>");
    if (stored == "<missing>") std::abort();
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
