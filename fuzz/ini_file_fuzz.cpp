#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/cp1250.h"
#include "app/ini_document.h"

// The INI document on bytes in memory: reading never fails, the normal form is a fixed point,
// and what is written reads back as stored.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  korvan::IniDocument ini = korvan::IniDocument::Parse(bytes);
  const char* const sections[] = {"Param", "Measure", "", "A]b", "Měření"};
  const char* const keys[] = {"Line01", "Name", "", ";K", "Measure"};
  for (const char* section : sections) {
    for (const char* key : keys) {
      ini.ReadString(section, key, "def");
      ini.ReadInteger(section, key, 7);
      ini.ReadFloat(section, key, 1.5);
    }
    ini.SectionExists(section);
  }
  const std::string normal = ini.Serialize();
  if (korvan::IniDocument::Parse(normal).Serialize() != normal) std::abort();

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
  korvan::IniDocument reread = korvan::IniDocument::Parse(ini.Serialize());
  if (reread.ReadString("Param", "JobName", "<missing>") != korvan::Cp1250ToUtf8(expected)) {
    std::abort();
  }
  reread.WriteString("Fuzz", "Key", "v a;l=ue");
  if (reread.ReadString("Fuzz", "Key", "") != "v a;l=ue") std::abort();
  reread.EraseSection("Measure");
  reread.EraseSection("Fuzz");
  reread.DeleteKey("Param", "JobName");
  reread.Serialize();
  return 0;
}
