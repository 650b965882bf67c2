#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/error.h"
#include "graph/form_scales.h"
#include "graph/form_series_style.h"
#include "shell/form_windows.h"
#include "support/qt/fake_window_dialogs.h"
#include "support/qt/window_fixture.h"

namespace korvan {
namespace {

// Remembers the colour each chooser was preset to.
class RecordingDialogs : public testing::FakeWindowDialogs {
 public:
  std::optional<uint32_t> ChooseColor(uint32_t initial) override {
    color_presets.push_back(initial);
    return FakeWindowDialogs::ChooseColor(initial);
  }
  std::vector<uint32_t> color_presets;
};

class DialogsTest : public ::testing::Test {
 protected:
  DialogsTest() : scales_(fixture_.app->Scales()), style_(fixture_.app->SeriesStyle()) {}

  // What a user's click on an item does.
  static void ClickItem(RadioGroup* group, int index) {
    group->findChildren<QRadioButton*>().at(index)->click();
  }

  testing::BasicWindowFixture<RecordingDialogs> fixture_;
  RecordingDialogs& dialogs_ = fixture_.dialogs;
  TFormScales* scales_;
  TFormSeriesStyle* style_;
};

// --- Scales dialog ---

// The dialog starts with the zero rules and every field disabled.
TEST_F(DialogsTest, ClickingAGroupEnablesOnlyItsOwnFieldForValue) {
  EXPECT_EQ(scales_->State(), ScalesState{});
  for (QLineEdit* edit :
       {scales_->EditLeftMin, scales_->EditLeftMax, scales_->EditRightMin, scales_->EditRightMax}) {
    EXPECT_FALSE(edit->isEnabled());
  }
  ClickItem(scales_->RadioGroupRightMin, 0);
  EXPECT_TRUE(scales_->EditRightMin->isEnabled());
  EXPECT_FALSE(scales_->EditLeftMin->isEnabled());
  EXPECT_FALSE(scales_->EditRightMax->isEnabled());
  ClickItem(scales_->RadioGroupRightMin, 1);
  EXPECT_FALSE(scales_->EditRightMin->isEnabled());
  ClickItem(scales_->RadioGroupLeftMax, 0);
  EXPECT_TRUE(scales_->EditLeftMax->isEnabled());
}

TEST_F(DialogsTest, ScalesOkChecksTypedBoundsBeforeRescaling) {
  struct Case {
    const char* name;
    ScalesState state;
    bool accepted;
  };
  const Case cases[] = {
      {"equal left bounds", {{0, 0, 2, 2}, {"5", "5", "", ""}}, true},
      {"crossed left bounds", {{0, 0, 2, 2}, {"6", "5", "", ""}}, false},
      {"crossed right bounds", {{1, 1, 0, 0}, {"", "", "6", "5"}}, false},
      {"left maximum follows the data", {{0, 1, 2, 2}, {"6", "5", "", ""}}, true},
      {"right minimum follows the data", {{2, 2, 2, 0}, {"", "", "6", "5"}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.Clear();
    scales_->SetState(c.state);
    scales_->Open();
    int rescales = 0;
    QMetaObject::Connection connection =
        QObject::connect(scales_, &TFormScales::Rescale, [&] { ++rescales; });
    scales_->ButtonOK->click();
    QObject::disconnect(connection);
    EXPECT_EQ(rescales, c.accepted ? 1 : 0);
    EXPECT_EQ(scales_->isVisible(), !c.accepted);
    if (c.accepted) {
      EXPECT_TRUE(dialogs_.messages.empty());
    } else {
      EXPECT_EQ(dialogs_.Texts("error"),
                std::vector<std::string>{"Horní mez je nižší než dolní !"});
    }
    EXPECT_EQ(scales_->State(), c.state);
  }
}

TEST_F(DialogsTest, ScalesOkWithAnUnreadableNumberStaysOpen) {
  const ScalesState state{{0, 0, 2, 2}, {"1.5", "2", "", ""}};
  scales_->SetState(state);
  scales_->Open();
  int rescales = 0;
  QObject::connect(scales_, &TFormScales::Rescale, [&] { ++rescales; });
  try {
    scales_->ButtonOKClick();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "'1.5' is not a valid floating point value");
  }
  EXPECT_EQ(rescales, 0);
  EXPECT_TRUE(scales_->isVisible());
  EXPECT_EQ(scales_->State(), state);
}

TEST_F(DialogsTest, ScalesIsAModelessToolWindowOnTop) {
  scales_->Open();
  EXPECT_TRUE(scales_->isVisible());
  EXPECT_FALSE(scales_->isModal());
  EXPECT_EQ(scales_->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_TRUE(scales_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(scales_->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(scales_->ButtonOK->isDefault());
}

// Every choice and text is changed through the controls, then restored by its own snapshot.
TEST_F(DialogsTest, CancelAndEscapeRestoreTheStateOfOpening) {
  const ScalesState opened{{0, 1, 2, 0}, {"1", "x", "", "4"}};
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "Zruš");
    scales_->SetState(opened);
    scales_->Open();
    ClickItem(scales_->RadioGroupLeftMin, 2);
    ClickItem(scales_->RadioGroupLeftMax, 0);
    ClickItem(scales_->RadioGroupRightMin, 0);
    ClickItem(scales_->RadioGroupRightMax, 1);
    scales_->EditLeftMin->setText("9");
    scales_->EditLeftMax->setText("8");
    scales_->EditRightMin->setText("7");
    scales_->EditRightMax->setText("6");
    if (escape) {
      QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(scales_, &key);
    } else {
      scales_->ButtonCancel->click();
    }
    EXPECT_FALSE(scales_->isVisible());
    EXPECT_EQ(scales_->State(), opened);
    EXPECT_TRUE(scales_->EditLeftMin->isEnabled());
    EXPECT_FALSE(scales_->EditLeftMax->isEnabled());
    EXPECT_FALSE(scales_->EditRightMin->isEnabled());
    EXPECT_TRUE(scales_->EditRightMax->isEnabled());
  }
}

TEST_F(DialogsTest, CancelAfterAFailedOkRestoresTheOpeningState) {
  const ScalesState opened{{0, 0, 2, 2}, {"1", "2", "", ""}};
  scales_->SetState(opened);
  scales_->Open();
  scales_->EditLeftMin->setText("5");
  scales_->ButtonOK->click();  // crossed: stays open
  ASSERT_TRUE(scales_->isVisible());
  scales_->ButtonCancel->click();
  EXPECT_EQ(scales_->State(), opened);
}

// --- Series style dialog ---

TEST_F(DialogsTest, StyleRoundTripsThroughTheControls) {
  const SeriesStyle style{1, 0x123456, 10, 4, 7, 7};
  style_->SetStyle(style);
  EXPECT_EQ(style_->Style(), style);
  EXPECT_EQ(style_->ComboBoxLineThick->currentText(), "10");
  EXPECT_EQ(style_->ComboBoxPointStyle->currentText(), QString::fromUtf8("Diamant"));
  // Values no item shows, as a foreign GRAPH.INI may hold, fall back to the first item.
  style_->SetStyle({3, 255, 11, -1, 12, 8});
  EXPECT_EQ(style_->Style(), (SeriesStyle{0, 255, 0, 0, 0, 0}));
}

TEST_F(DialogsTest, StyleEnablingFollowsTypeThicknessAndPointSize) {
  auto enabled = [&] {
    EXPECT_EQ(style_->LabelLineStyle->isEnabled(), style_->ComboBoxLineStyle->isEnabled());
    EXPECT_EQ(style_->LabelPointSize->isEnabled(), style_->ComboBoxPointSize->isEnabled());
    EXPECT_EQ(style_->LabelPointStyle->isEnabled(), style_->ComboBoxPointStyle->isEnabled());
    EXPECT_TRUE(style_->ComboBoxLineThick->isEnabled());
    return std::array<bool, 3>{style_->ComboBoxLineStyle->isEnabled(),
                               style_->ComboBoxPointSize->isEnabled(),
                               style_->ComboBoxPointStyle->isEnabled()};
  };
  style_->SetStyle({0, 255, 1, 0, 0, 0});
  EXPECT_EQ(enabled(), (std::array<bool, 3>{true, true, false}));
  style_->ComboBoxLineThick->setCurrentIndex(2);
  EXPECT_EQ(enabled(), (std::array<bool, 3>{false, true, false}));
  style_->ComboBoxPointSize->setCurrentIndex(3);
  EXPECT_EQ(enabled(), (std::array<bool, 3>{false, true, true}));
  ClickItem(style_->RadioGroupTyp, 2);
  EXPECT_EQ(enabled(), (std::array<bool, 3>{false, false, false}));
  style_->ComboBoxLineThick->setCurrentIndex(1);
  EXPECT_EQ(enabled(), (std::array<bool, 3>{false, false, false}));
  ClickItem(style_->RadioGroupTyp, 1);
  EXPECT_EQ(enabled(), (std::array<bool, 3>{true, true, true}));
}

TEST_F(DialogsTest, FastDisplayButtonSetsThePlainLine) {
  style_->SetStyle({2, 0x00FF00, 5, 3, 4, 6});
  style_->ButtonSpeed->click();
  EXPECT_EQ(style_->Style(), (SeriesStyle{0, 0x00FF00, 1, 0, 0, 6}));
  EXPECT_TRUE(style_->ComboBoxLineStyle->isEnabled());
  EXPECT_TRUE(style_->ComboBoxPointSize->isEnabled());
  EXPECT_FALSE(style_->ComboBoxPointStyle->isEnabled());
  EXPECT_EQ(style_->ButtonSpeed->text(), QString::fromUtf8("Rychllé zobrazování"));
}

TEST_F(DialogsTest, ColourChooserIsPresetAndConverted) {
  style_->SetStyle({0, 33023, 2, 0, 0, 0});  // orange
  dialogs_.colors = {0x0000FF, std::nullopt};
  style_->ButtonColor->click();
  EXPECT_EQ(style_->Style().color, 16711680u);  // blue
  // Cancelling the chooser, here from a double click on the swatch, keeps the colour.
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(style_->PanelColor, &click);
  EXPECT_EQ(style_->Style().color, 16711680u);
  EXPECT_EQ(dialogs_.color_presets, (std::vector<uint32_t>{0xFF8000, 0x0000FF}));
}

TEST_F(DialogsTest, ExecuteHandsTheEditedCopyBackOnlyOnOk) {
  const SeriesStyle handed{1, 0x00FF00, 3, 0, 2, 5};
  for (bool ok : {true, false}) {
    QTimer::singleShot(0, style_, [&] {
      EXPECT_EQ(style_->Style(), handed);  // the dialog opens on the copy
      style_->ComboBoxPointSize->setCurrentIndex(7);
      (ok ? style_->ButtonOK : style_->ButtonCancel)->click();
    });
    const std::optional<SeriesStyle> edited = style_->Execute(handed);
    EXPECT_FALSE(style_->isVisible());
    if (ok) {
      ASSERT_TRUE(edited.has_value());
      EXPECT_EQ(*edited, (SeriesStyle{1, 0x00FF00, 3, 0, 7, 5}));
    } else {
      EXPECT_FALSE(edited.has_value());
    }
  }
}

}  // namespace
}  // namespace korvan
