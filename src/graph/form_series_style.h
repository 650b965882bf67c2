#pragma once

#include <QDialog>
#include <optional>

#include "data/series_style.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace korvan {

class FormRegistry;
class RadioGroup;

// "Styl grafu": one channel's drawing style. Modal, created once and kept for the run.
class TFormSeriesStyle : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSeriesStyle(FormRegistry& app);

  SeriesStyle Style() const;
  // Values outside a control's items are taken as that control's first item.
  void SetStyle(const SeriesStyle& style);

  // Runs the dialog modally on a copy of style; the edited style when closed with OK.
  // Tests drive the handlers instead.
  std::optional<SeriesStyle> Execute(const SeriesStyle& style);

  void FormActivate();  // the enabling rules
  void RadioGroupTypClick();
  void ComboBoxLineThickChange();
  void ComboBoxPointSizeChange();
  void ButtonColorClick();  // also a double click on PanelColor
  void ButtonSpeedClick();

  RadioGroup* RadioGroupTyp;
  QPushButton* ButtonColor;
  QFrame* PanelColor;
  QLabel* LabelLineThick;
  QComboBox* ComboBoxLineThick;
  QLabel* LabelLineStyle;
  QComboBox* ComboBoxLineStyle;
  QLabel* LabelPointSize;
  QComboBox* ComboBoxPointSize;
  QLabel* LabelPointStyle;
  QComboBox* ComboBoxPointStyle;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
  QPushButton* ButtonSpeed;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateTypeAndColour();
  void CreateLists();
  void CreateButtons();
  void LayOut();
  void Connect();  // last, when every control exists
  void ShowColor();

  FormRegistry& app_;
  uint32_t color_ = 255;  // window-system colour value of the swatch
};

}  // namespace korvan
