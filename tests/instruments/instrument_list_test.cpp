#include "instruments/instrument_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvan {
namespace {

TEST(StepAddress, StepsWithinAByteKeepingTheForm) {
  struct Case {
    const char* text;
    bool up;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"01h", true, "02h"}, {"0Fh", true, "10h"},  {"FEh", true, "FFh"},   {"FFh", true, "FFh"},
      {"ffh", true, "FFh"}, {"0ah", false, "09h"}, {"00h", false, "00h"},  {"01h", false, "00h"},
      {"1H", true, "02h"},  {"7", true, "8"},      {"254", true, "255"},   {"255", true, "255"},
      {"0", false, "0"},    {"1", false, "0"},     {"", true, "1"},        {"", false, "0"},
      {"300", true, "300"}, {"300", false, "299"}, {"1FFh", true, "1FFh"}, {"-3", false, "-3"},
      {"-3", true, "-2"},   {"x", true, "1"},      {"12abc", true, "13"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StepAddress(c.text, c.up), c.expected) << c.text << (c.up ? " up" : " down");
  }
}

TEST(ButtonsForCount, ChangeRemoveNeedAnInstrumentAddStopsAtFifty) {
  struct Case {
    int count;
    bool change_remove;
    bool add;
  };
  for (const Case& c : std::vector<Case>{{0, false, true},
                                         {1, true, true},
                                         {49, true, true},
                                         {50, true, false},
                                         {60, true, false}}) {
    InstrumentButtons buttons = ButtonsForCount(c.count);
    EXPECT_EQ(buttons.change, c.change_remove) << c.count;
    EXPECT_EQ(buttons.remove, c.change_remove) << c.count;
    EXPECT_EQ(buttons.add, c.add) << c.count;
  }
}

TEST(InstrumentChoiceText, PadsTheAddressToThreeCharacters) {
  EXPECT_EQ(InstrumentChoiceText({"1", "Čerpadlo", "p.csv"}), "1   | Čerpadlo");
  EXPECT_EQ(InstrumentChoiceText({"01h", "Kotel", ""}), "01h | Kotel");
  EXPECT_EQ(InstrumentChoiceText({"0100h", "X", ""}), "0100h | X");
  EXPECT_EQ(InstrumentChoiceText({"č", "X", ""}), "č   | X");
}

}  // namespace
}  // namespace korvan
