#include "graph/form_series_style.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/user_dialogs.h"
#include "graph/form_scales.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"

namespace korvan {

namespace {

QComboBox* MakeList(const QStringList& items, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->addItems(items);
  return list;
}

QStringList SizeItems(const char* none) {
  QStringList items = {Q(none)};
  for (int i = 1; i <= 10; ++i) items << QString::number(i);
  return items;
}

int IndexOr0(int index, int count) { return index >= 0 && index < count ? index : 0; }

}  // namespace

TFormSeriesStyle::TFormSeriesStyle(FormRegistry& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(Q("Styl grafu"));
  setModal(true);
  CreateTypeAndColour();
  CreateLists();
  CreateButtons();
  LayOut();
  Connect();
  SetStyle(SeriesStyle{});
}

void TFormSeriesStyle::CreateTypeAndColour() {
  RadioGroupTyp =
      new RadioGroup(Q("&Typ grafu"), {Q("Čárový"), Q("Čárový - schody"), Q("Sloupcový")}, this);
  ButtonColor = new QPushButton(Q("&Barva"), this);
  ButtonColor->setAutoDefault(false);
  PanelColor = new QFrame(this);
  PanelColor->setFrameShape(QFrame::Panel);
  PanelColor->setFrameShadow(QFrame::Sunken);
  PanelColor->setMinimumSize(60, 40);
  PanelColor->installEventFilter(this);
}

void TFormSeriesStyle::CreateLists() {
  ComboBoxLineThick = MakeList(SizeItems("Neviditelná"), this);
  ComboBoxLineStyle = MakeList(
      {Q("Plná"), Q("Čárkovaná"), Q("Tečkovaná"), Q("Čerchovaná"), Q("Čárka tečka tečka")}, this);
  ComboBoxPointSize = MakeList(SizeItems("Neviditelný"), this);
  ComboBoxPointStyle = MakeList({Q("Čtverec"), Q("Kruh"), Q("Trojúhelník 1"), Q("Trojúhelník 2"),
                                 Q("Kříž"), Q("Diagonální kříž"), Q("Hvězda"), Q("Diamant")},
                                this);
  LabelLineThick = new QLabel(Q("Šířk&a čáry"), this);
  LabelLineStyle = new QLabel(Q("Sty&l čáry"), this);
  LabelPointSize = new QLabel(Q("&Velikost bodu"), this);
  LabelPointStyle = new QLabel(Q("Styl &bodu"), this);
  LabelLineThick->setBuddy(ComboBoxLineThick);
  LabelLineStyle->setBuddy(ComboBoxLineStyle);
  LabelPointSize->setBuddy(ComboBoxPointSize);
  LabelPointStyle->setBuddy(ComboBoxPointStyle);
}

void TFormSeriesStyle::CreateButtons() {
  ButtonOK = new QPushButton(Q("O&K"), this);
  ButtonOK->setDefault(true);
  ButtonCancel = new QPushButton(Q("&Storno"), this);
  ButtonCancel->setAutoDefault(false);
  ButtonSpeed = new QPushButton(Q("Rychllé zobrazování"), this);
  ButtonSpeed->setAutoDefault(false);
}

void TFormSeriesStyle::LayOut() {
  auto* colour = new QVBoxLayout;
  colour->addWidget(ButtonColor);
  colour->addWidget(PanelColor, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(RadioGroupTyp, 1);
  top->addLayout(colour);

  auto* lists = new QGridLayout;
  lists->addWidget(LabelLineThick, 0, 0);
  lists->addWidget(ComboBoxLineThick, 1, 0);
  lists->addWidget(LabelLineStyle, 0, 1);
  lists->addWidget(ComboBoxLineStyle, 1, 1);
  lists->addWidget(LabelPointSize, 2, 0);
  lists->addWidget(ComboBoxPointSize, 3, 0);
  lists->addWidget(LabelPointStyle, 2, 1);
  lists->addWidget(ComboBoxPointStyle, 3, 1);
  lists->setColumnStretch(0, 1);
  lists->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonSpeed);
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(lists);
  layout->addSpacing(6);
  layout->addLayout(buttons);
}

void TFormSeriesStyle::Connect() {
  connect(RadioGroupTyp, &RadioGroup::Clicked, this, &TFormSeriesStyle::RadioGroupTypClick);
  connect(ComboBoxLineThick, &QComboBox::currentIndexChanged, this,
          &TFormSeriesStyle::ComboBoxLineThickChange);
  connect(ComboBoxPointSize, &QComboBox::currentIndexChanged, this,
          &TFormSeriesStyle::ComboBoxPointSizeChange);
  connect(ButtonColor, &QPushButton::clicked, this, &TFormSeriesStyle::ButtonColorClick);
  connect(ButtonSpeed, &QPushButton::clicked, this, &TFormSeriesStyle::ButtonSpeedClick);
  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

SeriesStyle TFormSeriesStyle::Style() const {
  SeriesStyle style;
  style.type = IndexOr0(RadioGroupTyp->ItemIndex(), kSeriesTypeCount);
  style.color = color_;
  style.line_thickness = IndexOr0(ComboBoxLineThick->currentIndex(), kLineThicknessCount);
  style.line_style = IndexOr0(ComboBoxLineStyle->currentIndex(), kLineStyleCount);
  style.point_size = IndexOr0(ComboBoxPointSize->currentIndex(), kPointSizeCount);
  style.point_style = IndexOr0(ComboBoxPointStyle->currentIndex(), kPointStyleCount);
  return style;
}

void TFormSeriesStyle::SetStyle(const SeriesStyle& style) {
  RadioGroupTyp->SetItemIndex(IndexOr0(style.type, kSeriesTypeCount));
  ComboBoxLineThick->setCurrentIndex(IndexOr0(style.line_thickness, kLineThicknessCount));
  ComboBoxLineStyle->setCurrentIndex(IndexOr0(style.line_style, kLineStyleCount));
  ComboBoxPointSize->setCurrentIndex(IndexOr0(style.point_size, kPointSizeCount));
  ComboBoxPointStyle->setCurrentIndex(IndexOr0(style.point_style, kPointStyleCount));
  color_ = style.color & 0xFFFFFF;
  ShowColor();
  FormActivate();
}

std::optional<SeriesStyle> TFormSeriesStyle::Execute(const SeriesStyle& style) {
  SetStyle(style);
  if (exec() != QDialog::Accepted) return std::nullopt;
  return Style();
}

void TFormSeriesStyle::FormActivate() {
  const SeriesStyle style = Style();
  const SeriesStyleEnabling enabling =
      StyleEnabling(style.type, style.line_thickness, style.point_size);
  LabelLineStyle->setEnabled(enabling.line_style);
  ComboBoxLineStyle->setEnabled(enabling.line_style);
  LabelPointSize->setEnabled(enabling.point_size);
  ComboBoxPointSize->setEnabled(enabling.point_size);
  LabelPointStyle->setEnabled(enabling.point_style);
  ComboBoxPointStyle->setEnabled(enabling.point_style);
}

void TFormSeriesStyle::RadioGroupTypClick() { FormActivate(); }
void TFormSeriesStyle::ComboBoxLineThickChange() { FormActivate(); }
void TFormSeriesStyle::ComboBoxPointSizeChange() { FormActivate(); }

void TFormSeriesStyle::ButtonColorClick() {
  if (std::optional<uint32_t> rgb = app_.Dialogs().ChooseColor(ColorToRgb(color_))) {
    color_ = RgbToColor(*rgb & 0xFFFFFF);
    ShowColor();
  }
}

void TFormSeriesStyle::ButtonSpeedClick() { SetStyle(FastDisplayStyle(Style())); }

bool TFormSeriesStyle::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PanelColor && event->type() == QEvent::MouseButtonDblClick) {
    ButtonColorClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFormSeriesStyle::ShowColor() {
  PanelColor->setStyleSheet(
      QString("QFrame { background-color: #%1; }").arg(ColorToRgb(color_), 6, 16, QChar('0')));
}

}  // namespace korvan
