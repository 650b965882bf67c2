#include "config/settings_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvan {
namespace {

TEST(LineKey, TwoDigitsAtLeast) {
  EXPECT_EQ(LineKey(1), "Line01");
  EXPECT_EQ(LineKey(50), "Line50");
  EXPECT_EQ(LineKey(100), "Line100");
}

TEST(SplitFields, EachFieldRunsToTheNextSemicolonAndTheRestIsDropped) {
  using Fields = std::vector<std::string>;
  struct Case {
    const char* value;
    size_t max_fields;
    Fields fields;
  };
  const Case cases[] = {
      {"", 11, {""}},
      {"a;b;c", 11, {"a", "b", "c"}},
      {"a;;c;", 11, {"a", "", "c", ""}},
      {"a;b;c;d", 3, {"a", "b", "c"}},
      {";", 1, {""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitFields(c.value, c.max_fields), c.fields) << c.value << " " << c.max_fields;
  }
}

TEST(JoinFields, ElevenCellsGiveTenSemicolonsAndSplitBack) {
  const std::string cells[kLineColumns] = {"Elektroměr", "Teplota", "2", "01h", "R", "",
                                           "F4",         "1",       "0", "100", ""};
  const std::string value = JoinFields(cells, kLineColumns);
  EXPECT_EQ(value, "Elektroměr;Teplota;2;01h;R;;F4;1;0;100;");
  EXPECT_EQ(SplitFields(value, kLineColumns),
            std::vector<std::string>(cells, cells + kLineColumns));
}

}  // namespace
}  // namespace korvan
