#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace korvan {
namespace {

TEST(CommandLine, OnlyALoneOptionIsAnOption) {
  struct Case {
    std::vector<std::string> arguments;
    bool information;
    const char* settings_file;
  };
  const Case cases[] = {
      {{}, false, ""},
      {{"--version"}, true, "--version"},
      {{"--help"}, true, "--help"},
      // A file named so, and a name that merely starts like an option, are settings files.
      {{"./--help"}, false, "./--help"},
      {{"--help", "me.kva"}, false, "--help me.kva"},
      {{"-h"}, false, "-h"},
      {{"line", "4.kva"}, false, "line 4.kva"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SettingsFileArgument(c.arguments));
    EXPECT_EQ(InformationText(c.arguments).has_value(), c.information);
    EXPECT_EQ(SettingsFileArgument(c.arguments), c.settings_file);
  }
  EXPECT_EQ(*InformationText({"--version"}), "Korvan-A 1.20\n");
  EXPECT_TRUE(InformationText({"--help"})->starts_with("Použití: korvan-a [SOUBOR_NASTAVENÍ]\n"));
}

}  // namespace
}  // namespace korvan
