#include "data/scales_state.h"

#include <gtest/gtest.h>

#include <string>

#include "app/error.h"

namespace korvan {
namespace {

TEST(ScalesBoundsValidTest, ComparesOnlyPairsOfTypedBounds) {
  struct Case {
    std::array<int, 4> choices;
    std::array<std::string, 4> texts;
    bool valid;
  };
  const Case cases[] = {
      {{0, 0, 2, 2}, {"5", "5", "", ""}, true},        {{0, 0, 2, 2}, {"6", "5", "", ""}, false},
      {{0, 0, 2, 2}, {"-1,5", " 2 ", "", ""}, true},   {{0, 1, 2, 2}, {"6", "5", "", ""}, true},
      {{2, 0, 2, 2}, {"6", "5", "", ""}, true},        {{2, 2, 0, 0}, {"", "", "6", "5"}, false},
      {{2, 2, 0, 0}, {"", "", "1E3", "999,9"}, false}, {{2, 2, 1, 0}, {"", "", "6", "5"}, true},
      {{0, 0, 0, 0}, {"1", "2", "3", "3"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.texts[0] + "|" + c.texts[1] + "|" + c.texts[2] + "|" + c.texts[3]);
    EXPECT_EQ(ScalesBoundsValid({c.choices, c.texts}, ','), c.valid);
  }
}

TEST(ScalesBoundsValidTest, FirstUnreadableTypedTextIsTheError) {
  struct Case {
    std::array<int, 4> choices;
    std::array<std::string, 4> texts;
    const char* message;  // nullptr: no error
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, {"1", "x", "", "y"}, "'x' is not a valid floating point value"},
      {{0, 1, 0, 0}, {"1", "x", "", "y"}, "'' is not a valid floating point value"},
      {{0, 0, 0, 0}, {"1.5", "2", "0", "1"}, "'1.5' is not a valid floating point value"},
      {{1, 2, 1, 2}, {"a", "b", "c", "d"}, nullptr},
  };
  for (const Case& c : cases) {
    ScalesState state{c.choices, c.texts};
    if (!c.message) {
      EXPECT_NO_THROW(ScalesBoundsValid(state, ','));
      continue;
    }
    try {
      ScalesBoundsValid(state, ',');
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace korvan
