#include "export/periods.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace korvan {
namespace {

TEST(PeriodsTest, ParsesEveryTokenAndNothingElse) {
  uint32_t seconds = 0;
  EXPECT_TRUE(ParsePeriod("15m", seconds));
  EXPECT_EQ(seconds, 900u);
  EXPECT_TRUE(ParsePeriod("1d", seconds));
  EXPECT_EQ(seconds, 86400u);
  for (const char* bad : {"", "2m", "1 h", "60", "1M", "1d "}) {
    EXPECT_FALSE(ParsePeriod(bad, seconds)) << bad;
  }
  // Periods start on whole multiples since midnight: a period must divide the day, and the
  // table runs from the shortest, as the window and the texts list it.
  uint32_t shorter = 0;
  for (const Period& period : kPeriods) {
    SCOPED_TRACE(period.token);
    EXPECT_TRUE(ParsePeriod(period.token, seconds));
    EXPECT_EQ(seconds, period.seconds);
    EXPECT_EQ(kSecondsPerDay % period.seconds, 0);
    EXPECT_GT(period.seconds, shorter);
    shorter = period.seconds;
  }
  EXPECT_EQ(PeriodTokens(", ", " nebo "), "1m, 15m, 1h nebo 1d");
}

std::string SourceText(const std::string& relative) {
  // ctest says where the sources are; run by hand, the program knows where it was built from.
  const char* root = std::getenv("KORVAN_SOURCE_DIR");
  if (root == nullptr) root = KORVAN_BUILT_FROM;
  std::ifstream in(std::string(root) + "/" + relative, std::ios::binary);
  EXPECT_TRUE(in) << relative;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What a user reads about --every lists the periods the program takes: a period added to the
// table without its documentation, or a period left in the documentation, fails here.
TEST(PeriodsTest, DocumentationListsEveryPeriodOfTheTable) {
  struct Place {
    const char* file;
    const char* list;  // captures the list of tokens
    const char* separator;
  };
  const Place places[] = {
      {"docs/man/korvan-cli.1", R"(\.BR \\-\\-every " ([^",]*),")", "|"},
      {"README.md", R"(`--every ([^`]*)`)", "|"},
  };
  std::set<std::string> tokens;
  for (const Period& period : kPeriods) tokens.emplace(period.token);
  // An example's period (--every 1h) must be one as well.
  const std::regex example(R"((?:--|\\-\\-)every\s+([0-9][0-9a-z]*))");
  for (const Place& place : places) {
    SCOPED_TRACE(place.file);
    const std::string text = SourceText(place.file);
    std::smatch list;
    ASSERT_TRUE(std::regex_search(text, list, std::regex(place.list)));
    EXPECT_EQ(list[1].str(), PeriodTokens(place.separator, place.separator));
    for (auto it = std::sregex_iterator(text.begin(), text.end(), example);
         it != std::sregex_iterator(); ++it) {
      EXPECT_TRUE(tokens.contains((*it)[1].str())) << (*it)[0].str();
    }
  }
}

}  // namespace
}  // namespace korvan
