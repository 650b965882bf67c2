#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <optional>
#include <string>

#include "app/date_time.h"
#include "data/log_writer.h"
#include "graph/form_graph.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "support/card_builder.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/qt/window_fixture.h"
#include "support/temp_dir.h"
#include "widgets/form_drive_chooser.h"

namespace korvan::testing {

// Three lines sampled every 10 s on 1 May 2024 from 10:00:00 for 100 blocks: line 0 rises
// 0..99, line 1 is constant 3, line 2 falls -1..-100.
inline CardBuilder RampCard(const std::string& first_label = "T1") {
  CardBuilder card;
  card.lines = {CardLine{"Teplota", first_label}, CardLine{"Tlak", "P1"},
                CardLine{"Vlhkost", "H1"}};
  for (int i = 0; i < 100; ++i) {
    const int s = i * 10;
    card.Block(MakeStamp(2024, 5, 1, 10, s / 60, s % 60),
               {{0, FloatBits(static_cast<float>(i))},
                {1, FloatBits(3.0f)},
                {2, FloatBits(static_cast<float>(-1 - i))}});
  }
  return card;
}

// Three lines on 5 March 2006 from 08:07:06: A is F4 with the range 0-100, B is U2 with
// multiplier 0.1, C is F4 without a range. Sub-seconds when ms is set.
inline CardBuilder ThreeLines(bool ms) {
  auto at = [](int second) { return MakeStamp(2006, 3, 5, 8, 7, 6 + second); };
  CardBuilder card;
  card.lines = {CardLine{"A", "a", 1, "F4", 1.0, 0.0, 100.0}, CardLine{"B", "b", 1, "U2", 0.1},
                CardLine{"C", "c", 1, "F4"}};
  auto word = [ms](uint16_t m) {
    return ms ? std::optional<uint16_t>(MillisecondWord(m)) : std::nullopt;
  };
  card.Block(at(0), {{0, FloatBits(21.5f)}, {1, 123}, {2, FloatBits(3)}}, word(0));
  card.Block(at(0), {{0, FloatBits(120)}, {2, 0x7FFFFFFF}}, word(250));  // out of range, no value
  card.Block(at(1), {{1, 7}}, word(0));
  card.Block(at(2), {{0, FloatBits(1)}, {2, FloatBits(0.000012f)}}, word(990));
  return card;
}

// The program with all its windows, its own files in a temporary folder and the data location
// set to another one, in which Open writes a card and opens the graph window on it.
class GraphWindowTest : public ::testing::Test {
 protected:
  // Saved as the user's OK saves it: the settings window reads its file again shortly after
  // it is made, and a location only shown in its controls would be lost then.
  GraphWindowTest() { app_.Setup()->UseAlternativeDirectory(data_.path()); }
  ~GraphWindowTest() override { delete app_.Graph(); }

  TFormGraph& Open(const CardBuilder& card) {
    card.WriteAll(data_.path());
    app_.CreateGraphWindow();
    EXPECT_NE(app_.Graph(), nullptr);
    return *app_.Graph();
  }

  // Picks a line in a channel's selector as the user does.
  static void Pick(TFormGraph& g, int channel, int item) {
    g.ComboBoxes[channel]->setCurrentIndex(item);
    g.ComboBoxChange(channel);
  }

  WindowFixture fixture_;
  FakeWindowDialogs& dialogs_ = fixture_.dialogs;
  KorvanApp& app_ = *fixture_.app;
  TempDir data_;
};

}  // namespace korvan::testing
