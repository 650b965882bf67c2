#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_commands.h"

namespace korvan::cli {
namespace {

int RunArgs(std::vector<std::string> args, std::string& out, std::string& err) {
  std::ostringstream o, e;
  int code = Run(args, o, e);
  out = o.str();
  err = e.str();
  return code;
}

TEST(Cli, VersionHelpAndUnknownCommands) {
  std::string out, err;
  EXPECT_EQ(RunArgs({"--version"}, out, err), 0);
  EXPECT_EQ(out, "Korvan-A 1.20\n");

  EXPECT_EQ(RunArgs({"--help"}, out, err), 0);
  for (const auto& command : Commands()) {
    EXPECT_NE(out.find(command.usage), std::string::npos) << command.name;
  }

  EXPECT_NE(RunArgs({"frobnicate"}, out, err), 0);
  EXPECT_NE(err.find("frobnicate"), std::string::npos);
  EXPECT_TRUE(out.empty());

  EXPECT_NE(RunArgs({}, out, err), 0);
  EXPECT_NE(err.find("Použití"), std::string::npos);
}

}  // namespace
}  // namespace korvan::cli
