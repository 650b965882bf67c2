#include "graph/form_scales.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/user_dialogs.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {

TFormScales::TFormScales(FormRegistry& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(Q("Měřítka"));
  // A tool window without border icons (no minimising, maximising or closing: OK and Zruš
  // end it), above the other windows.
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setModal(false);

  const QStringList min_items = {Q("Hodnota"), Q("Nejnižší"), Q("Nula nebo maximální záporná")};
  const QStringList max_items = {Q("Hodnota"), Q("Nejvyšší"), Q("Nula nebo maximální kladná")};
  RadioGroupLeftMin = new RadioGroup(Q("Levá osa Y - Minimum"), min_items, this);
  RadioGroupLeftMax = new RadioGroup(Q("Levá osa Y - Maximum"), max_items, this);
  RadioGroupRightMin = new RadioGroup(Q("Pravá osa Y - Minimum"), min_items, this);
  RadioGroupRightMax = new RadioGroup(Q("Pravá osa Y - Maximum"), max_items, this);
  EditLeftMin = new QLineEdit(this);
  EditLeftMax = new QLineEdit(this);
  EditRightMin = new QLineEdit(this);
  EditRightMax = new QLineEdit(this);
  groups_ = {RadioGroupLeftMin, RadioGroupLeftMax, RadioGroupRightMin, RadioGroupRightMax};
  edits_ = {EditLeftMin, EditLeftMax, EditRightMin, EditRightMax};

  ButtonOK = new QPushButton(Q("OK"), this);
  ButtonOK->setDefault(true);
  ButtonCancel = new QPushButton(Q("Zruš"), this);
  ButtonCancel->setAutoDefault(false);

  connect(RadioGroupLeftMin, &RadioGroup::Clicked, this, &TFormScales::RadioGroupLeftMinClick);
  connect(RadioGroupLeftMax, &RadioGroup::Clicked, this, &TFormScales::RadioGroupLeftMaxClick);
  connect(RadioGroupRightMin, &RadioGroup::Clicked, this, &TFormScales::RadioGroupRightMinClick);
  connect(RadioGroupRightMax, &RadioGroup::Clicked, this, &TFormScales::RadioGroupRightMaxClick);
  connect(ButtonOK, &QPushButton::clicked, this, &TFormScales::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormScales::ButtonCancelClick);

  // Left axis in the left column, right axis in the right one; each field beside its group,
  // about level with "Hodnota".
  auto* grid = new QGridLayout;
  for (int i = 0; i < 4; ++i) {
    const int row = i % 2;
    const int column = (i / 2) * 2;
    groups_[i]->setMinimumWidth(220);
    edits_[i]->setFixedWidth(90);
    grid->addWidget(groups_[i], row, column);
    auto* field = new QVBoxLayout;
    field->addSpacing(26);
    field->addWidget(edits_[i]);
    field->addStretch(1);
    grid->addLayout(field, row, column + 1);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  SetState(ScalesState{});
  ScalesSnapshot = State();
}

ScalesState TFormScales::State() const {
  ScalesState state;
  for (size_t i = 0; i < 4; ++i) {
    state.choices[i] = groups_[i]->ItemIndex();
    state.texts[i] = S(edits_[i]->text());
  }
  return state;
}

void TFormScales::SetState(const ScalesState& state) {
  for (size_t i = 0; i < 4; ++i) {
    groups_[i]->SetItemIndex(state.choices[i]);
    edits_[i]->setText(Q(state.texts[i]));
    UpdateEdit(static_cast<int>(i));
  }
}

void TFormScales::Open(const ToolSpot& spot) {
  ScalesSnapshot = State();
  if (!spot.IsNull()) MoveToolWindow(this, spot);
  show();
  raise();
  activateWindow();
}

void TFormScales::UpdateEdit(int bound) {
  edits_[bound]->setEnabled(groups_[bound]->ItemIndex() == 0);
}

void TFormScales::RadioGroupLeftMinClick() { UpdateEdit(kLeftMin); }
void TFormScales::RadioGroupLeftMaxClick() { UpdateEdit(kLeftMax); }
void TFormScales::RadioGroupRightMinClick() { UpdateEdit(kRightMin); }
void TFormScales::RadioGroupRightMaxClick() { UpdateEdit(kRightMax); }

void TFormScales::ButtonOKClick() {
  if (!ScalesBoundsValid(State(), app_.DecimalSeparator())) {
    app_.Dialogs().ShowError(kCrossedBoundsText);
    return;
  }
  hide();
  emit Rescale();
}

void TFormScales::ButtonCancelClick() {
  SetState(ScalesSnapshot);
  hide();
}

void TFormScales::reject() { ButtonCancelClick(); }

}  // namespace korvan
