#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/card_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::CliOutput;
using testing::FloatBits;
using testing::MakeStamp;
using testing::RunCli;

// Three blocks with milliseconds; line 3 has only an out-of-range value and a no-value word.
class CliStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CardBuilder card;
    card.lines = {{"Teploměr", "Teplota [°C]", 1, "F4", 1, 0, 0, ""},
                  {"PM", "Tlak", 1, "U4", 0.5, 0, 0, ""},
                  {"PM", "Vlhkost", 1, "F4", 1, 10, 30, ""}};
    card.Block(MakeStamp(2006, 3, 5, 8, 7, 6), {{0, FloatBits(21.5f)}, {1, 12}, {2, FloatBits(5)}},
               250);
    card.Block(MakeStamp(2006, 3, 5, 8, 7, 16), {{0, FloatBits(22.0f)}, {2, 0x7FFFFFFF}}, 0);
    card.Block(MakeStamp(2006, 3, 5, 8, 7, 26), {{0, FloatBits(21.5f)}, {1, 15}}, 990);
    card.WriteAll(dir.path());
  }
  testing::TempDir dir;
};

TEST_F(CliStatsTest, Json) {
  CliOutput r = RunCli({"stats", dir.path(), "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"lines\": ["
            "{\"number\": 1, \"caption\": \"Teploměr - Teplota [°C]\", \"count\": 3, "
            "\"min\": 21.5, \"min_time\": \"2006-03-05 08:07:06.25\", "
            "\"max\": 22, \"max_time\": \"2006-03-05 08:07:16.00\", "
            "\"mean\": 21.666666666666668, \"first_time\": \"2006-03-05 08:07:06.25\", "
            "\"last_time\": \"2006-03-05 08:07:26.99\"}, "
            "{\"number\": 2, \"caption\": \"PM - Tlak\", \"count\": 2, "
            "\"min\": 6, \"min_time\": \"2006-03-05 08:07:06.25\", "
            "\"max\": 7.5, \"max_time\": \"2006-03-05 08:07:26.99\", "
            "\"mean\": 6.75, \"first_time\": \"2006-03-05 08:07:06.25\", "
            "\"last_time\": \"2006-03-05 08:07:26.99\"}, "
            "{\"number\": 3, \"caption\": \"PM - Vlhkost\", \"count\": 0, \"min\": null, "
            "\"min_time\": null, \"max\": null, \"max_time\": null, \"mean\": null, "
            "\"first_time\": null, \"last_time\": null}]}\n");
}

TEST_F(CliStatsTest, RangeLinesAndText) {
  // The end stamp takes its sample whatever its milliseconds.
  CliOutput r = RunCli({"stats", dir.path(), "--lines", "2,1", "--from", "2006-03-05 08:07:16",
                        "--to", "2006-03-05 08:07:26", "--decimal", ","});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "2.  PM - Tlak\n"
            "  Počet vzorků: 1\n"
            "  Minimum: 7,5  (2006-03-05 08:07:26.99)\n"
            "  Maximum: 7,5  (2006-03-05 08:07:26.99)\n"
            "  Průměr: 7,5\n"
            "  První vzorek: 2006-03-05 08:07:26.99\n"
            "  Poslední vzorek: 2006-03-05 08:07:26.99\n"
            "1.  Teploměr - Teplota [°C]\n"
            "  Počet vzorků: 2\n"
            "  Minimum: 21,5  (2006-03-05 08:07:26.99)\n"
            "  Maximum: 22  (2006-03-05 08:07:16.00)\n"
            "  Průměr: 21,75\n"
            "  První vzorek: 2006-03-05 08:07:16.00\n"
            "  Poslední vzorek: 2006-03-05 08:07:26.99\n");
  r = RunCli({"stats", dir.path(), "--lines", "4"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "korvan-cli: stats: veličina 4 není mezi 1-3\n");
  r = RunCli({"stats", dir.path() + "/chybi"});
  EXPECT_EQ(r.code, 1);
}

TEST(CliStatsMean, TextRoundsTheMeanOfEveryTypeAlikeAndJsonStaysExact) {
  testing::TempDir dir;
  testing::CardBuilder card;
  card.lines = {{"PM", "Proud", 1, "S2", 1, 0, 0, ""}, {"PM", "Napeti", 1, "F4", 1, 0, 0, ""}};
  for (int i = 0; i < 3; ++i) {
    card.Block(MakeStamp(2006, 3, 5, 8, 7, i), {{0, i == 2 ? 2u : 1u}, {1, FloatBits(i == 2)}});
  }
  card.WriteAll(dir.path());
  CliOutput r = RunCli({"stats", dir.path(), "--decimal", ","});
  EXPECT_NE(r.out.find("  Průměr: 1,333333\n  První"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  Průměr: 0,3333333\n"), std::string::npos) << r.out;
  r = RunCli({"stats", dir.path(), "--json", "--lines", "1"});
  EXPECT_NE(r.out.find("\"mean\": 1.3333333333333333"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace korvan
