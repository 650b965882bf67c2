#include "data/graph_settings_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/error.h"
#include "support/temp_dir.h"

namespace korvan {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

GraphViewState SampleState() {
  GraphViewState state;
  state.left_min = -2.5;
  state.left_max = 11.25;
  state.right_min = 0.001;
  state.right_max = 1500;
  state.time_min = 45352.25;
  state.time_max = 45353.75;
  state.scales.choices = {0, 1, 2, 0};
  state.scales.texts = {"1,5", "", "abc", "7"};
  state.range_from = 45352.5;
  state.range_to = 45353.125;
  for (size_t n = 0; n < 8; ++n) {
    ChannelView& channel = state.channels[n];
    channel.value = static_cast<int>(n);
    channel.axis = static_cast<int>(n % 2);
    channel.style = {static_cast<int>(n % 3), kDefaultChannelColors[n], static_cast<int>(n),
                     static_cast<int>(n % 5), static_cast<int>(10 - n), static_cast<int>(7 - n)};
  }
  return state;
}

std::string ExpectedSampleFile() {
  std::string text =
      "[Chart]\r\nLeft.Minimum=-2,5\r\nLeft.Maximum=11,25\r\nRight.Minimum=0,001\r\n"
      "Right.Maximum=1500\r\nTime.Minimum=45352,25\r\nTime.Maximum=45353,75\r\n"
      "[Scales]\r\nLeft.Minimum=1,5\r\nLeft.Maximum=\r\nRight.Minimum=abc\r\nRight.Maximum=7\r\n"
      "Time.Minimum=45352,5\r\nTime.Maximum=45353,125\r\nLeft.Auto_Minimum=0\r\n"
      "Left.Auto_Maximum=1\r\nRight.Auto_Minimum=2\r\nRight.Auto_Maximum=0\r\n";
  for (int n = 0; n < 8; ++n) {
    text += "[Series" + std::to_string(n + 1) + "]\r\n";
    text += "Value=" + std::to_string(n) + "\r\nAxe=" + std::to_string(n % 2) + "\r\n";
    text += "Color=" + std::to_string(kDefaultChannelColors[n]) + "\r\n";
    text += "Type=" + std::to_string(n % 3) + "\r\nLineThickness=" + std::to_string(n) + "\r\n";
    text += "LineStyle=" + std::to_string(n % 5) + "\r\nPointSize=" + std::to_string(10 - n) +
            "\r\nPointStyle=" + std::to_string(7 - n) + "\r\n";
  }
  return text;
}

// Points TEMP at a folder of the test's own, so that leftovers can be seen.
class GraphSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TEMP");
    if (old) old_temp_ = old;
    had_temp_ = old != nullptr;
    setenv("TEMP", temp_.path().c_str(), 1);
  }
  void TearDown() override {
    if (had_temp_) {
      setenv("TEMP", old_temp_.c_str(), 1);
    } else {
      unsetenv("TEMP");
    }
  }
  bool TempFolderEmpty() const { return std::filesystem::is_empty(temp_.path()); }

  TempDir dir_;
  TempDir temp_;
  std::string old_temp_;
  bool had_temp_ = false;
};

TEST_F(GraphSettingsTest, FreshFileHasTheFixedKeyOrderAndLeavesNoTemporaryFile) {
  const std::string path = dir_.File("GRAPH.INI");
  WriteGraphSettingsFile(path, SampleState(), ',');
  EXPECT_EQ(ReadBytes(path), ExpectedSampleFile());
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(GraphSettingsTest, ExistingFileIsReplacedNotMergedInto) {
  const std::string path = dir_.File("GRAPH.INI");
  WriteBytes(path,
             "[Series1]\r\nFoo=bar\r\nValue=5\r\n\r\n[Extra]\r\nK=v\r\n[Chart]\r\n"
             "Time.Maximum=1\r\nLeft.Minimum=3\r\n");
  WriteGraphSettingsFile(path, SampleState(), ',');
  EXPECT_EQ(ReadBytes(path), ExpectedSampleFile());
}

TEST_F(GraphSettingsTest, MissingFolderWritesNothing) {
  const std::string path = dir_.path() + "/missing/GRAPH.INI";
  EXPECT_NO_THROW(WriteGraphSettingsFile(path, SampleState(), ','));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(GraphSettingsTest, FailedReplacementIsAnErrorAndKeepsNoTemporaryFile) {
  // A folder where the file should be: the rename over it fails.
  const std::string path = dir_.File("GRAPH.INI");
  std::filesystem::create_directory(path);
  EXPECT_THROW(WriteGraphSettingsFile(path, SampleState(), ','), Error);
  EXPECT_TRUE(TempFolderEmpty());
}

// Written with either separator, read back the same on any machine.
TEST_F(GraphSettingsTest, RoundTripsWithEitherSeparator) {
  for (char separator : {',', '.'}) {
    SCOPED_TRACE(separator);
    const std::string path = dir_.File("GRAPH.INI");
    GraphViewState written = SampleState();
    written.time_max = 45353.123456789;  // 14 significant digits survive the text form
    written.channels[3].value = 40;
    WriteGraphSettingsFile(path, written, separator);
    GraphViewState read;
    ASSERT_TRUE(ReadGraphSettingsFile(path, read, 1.0));
    EXPECT_EQ(read, written);
  }
}

TEST_F(GraphSettingsTest, NoStoredSettingsLeavesTheStateAlone) {
  const std::string path = dir_.File("GRAPH.INI");
  struct Case {
    const char* name;
    const char* content;  // nullptr: no file
  };
  const Case cases[] = {
      {"missing file", nullptr},
      {"series without Left.Maximum", "[Chart]\r\nLeft.Minimum=1\r\n[Series1]\r\nValue=3\r\n"},
      {"the marker value itself", "[Chart]\r\nLeft.Maximum=-123456\r\n"},
      {"not a number", "[Chart]\r\nLeft.Maximum=1.5.0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(path);
    if (c.content) WriteBytes(path, c.content);
    GraphViewState state = SampleState();
    EXPECT_FALSE(ReadGraphSettingsFile(path, state, 45000));
    EXPECT_EQ(state, SampleState());
  }
}

TEST_F(GraphSettingsTest, MissingKeysGiveTheirDefaults) {
  const std::string path = dir_.File("GRAPH.INI");
  WriteBytes(path, "[Chart]\r\nLeft.Maximum=20\r\n");
  GraphViewState state = SampleState();
  ASSERT_TRUE(ReadGraphSettingsFile(path, state, 45000.5));
  EXPECT_EQ(state.left_min, 10);
  EXPECT_EQ(state.left_max, 20);
  EXPECT_EQ(state.right_min, 0);
  EXPECT_EQ(state.right_max, 10);
  EXPECT_EQ(state.time_min, 0);
  EXPECT_EQ(state.time_max, 45000.5);
  EXPECT_EQ(state.range_from, 0);
  EXPECT_EQ(state.range_to, 0);
  EXPECT_EQ(state.scales.texts, (std::array<std::string, 4>{"0", "", "0", ""}));
  EXPECT_EQ(state.scales.choices, (std::array<int, 4>{0, 1, 0, 1}));
  for (size_t n = 0; n < 8; ++n) {
    EXPECT_EQ(state.channels[n].value, 0);
    EXPECT_EQ(state.channels[n].axis, 0);
    EXPECT_EQ(state.channels[n].style, (SeriesStyle{0, kDefaultChannelColors[n], 2, 0, 0, 0}));
  }
}

TEST_F(GraphSettingsTest, ForeignAndOutOfRangeValues) {
  const std::string path = dir_.File("GRAPH.INI");
  WriteBytes(path,
             "[Chart]\r\nLeft.Maximum=20\r\n[Scales]\r\nLeft.Auto_Minimum=3\r\n"
             "Left.Auto_Maximum=2\r\nRight.Minimum=\r\n"
             "[Series1]\r\nValue=99\r\nAxe=2\r\nColor=0xFF00\r\nType=3\r\nLineThickness=11\r\n"
             "LineStyle=-1\r\nPointSize=10\r\nPointStyle=8\r\n"
             "[Series2]\r\nValue=-1\r\nColor=-2147483640\r\nType=2\r\nLineThickness=abc\r\n");
  GraphViewState state;
  ASSERT_TRUE(ReadGraphSettingsFile(path, state, 0));
  EXPECT_EQ(state.scales.choices, (std::array<int, 4>{0, 2, 0, 1}));
  EXPECT_EQ(state.scales.texts[kRightMin], "");  // an empty value is a value
  EXPECT_EQ(state.channels[0].value, 99);
  EXPECT_EQ(state.channels[0].axis, 1);
  EXPECT_EQ(state.channels[0].style, (SeriesStyle{0, 0xFF00, 2, 0, 10, 0}));
  EXPECT_EQ(state.channels[1].value, 0);
  EXPECT_EQ(state.channels[1].style, (SeriesStyle{2, kDefaultChannelColors[1], 2, 0, 0, 0}));
}

}  // namespace
}  // namespace korvan
