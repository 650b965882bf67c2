#pragma once

#include <QDialog>
#include <array>

#include "data/scales_state.h"
#include "widgets/form_placement.h"
#include "widgets/form_widgets.h"

class QLineEdit;
class QPushButton;

namespace korvan {

class FormRegistry;

// "Měřítka": for each bound of the two value axes a typed value or a rule that follows the
// data. Modeless tool window, created once; its state outlives the graph windows.
class TFormScales : public QDialog {
  Q_OBJECT
 public:
  explicit TFormScales(FormRegistry& app);

  ScalesState State() const;
  // Also sets each value field's enabled state from its choice.
  void SetState(const ScalesState& state);

  // The graph window's "Měřítka" button: remember the state for "Zruš", then show, placed by
  // the spot when one is given.
  void Open(const ToolSpot& spot = {});

  // RadioGroupLeftMinClick and its three twins.
  void RadioGroupLeftMinClick();
  void RadioGroupLeftMaxClick();
  void RadioGroupRightMinClick();
  void RadioGroupRightMaxClick();
  // Errors (an unreadable number) propagate to the application's error display.
  void ButtonOKClick();
  void ButtonCancelClick();

  RadioGroup* RadioGroupLeftMin;
  RadioGroup* RadioGroupLeftMax;
  RadioGroup* RadioGroupRightMin;
  RadioGroup* RadioGroupRightMax;
  QLineEdit* EditLeftMin;
  QLineEdit* EditLeftMax;
  QLineEdit* EditRightMin;
  QLineEdit* EditRightMax;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;

 signals:
  // After a successful OK; the graph window rescales all three axes.
  void Rescale();

 protected:
  void reject() override;  // Escape acts as "Zruš"

 private:
  void UpdateEdit(int bound);

  FormRegistry& app_;
  std::array<RadioGroup*, 4> groups_;
  std::array<QLineEdit*, 4> edits_;
  ScalesState ScalesSnapshot;
};

}  // namespace korvan
