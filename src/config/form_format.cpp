#include "config/form_format.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "app/error.h"
#include "app/numbers.h"
#include "config/card_preparation.h"
#include "config/card_readback.h"
#include "config/settings_file.h"
#include "instruments/form_instruments.h"
#include "instruments/form_velic.h"
#include "platform/file_query.h"
#include "widgets/form_drop.h"
#include "widgets/form_long_operation.h"
#include "widgets/form_qt_text.h"
#include "widgets/form_registry.h"
#include "widgets/form_widgets.h"

namespace korvan {

namespace {

constexpr int kDaysLength = 4;
constexpr int kRowHeight = 16;

template <size_t N>
QComboBox* PickList(QWidget* parent, const char* const (&items)[N], int selected) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(false);
  for (const char* item : items) combo->addItem(Q(item));
  combo->setCurrentIndex(selected);
  return combo;
}

// Card preparation drives the window's bar; no input of the user's runs until it has ended.
class ProgressBarProgress : public CardProgress {
 public:
  explicit ProgressBarProgress(QProgressBar* bar) : operation_(bar) {}
  void SetMaximum(int64_t maximum) override {
    operation_.SetMaximum(std::max<int64_t>(maximum, 0));
  }
  void SetPosition(int64_t position) override {
    operation_.SetPosition(std::max<int64_t>(position, 0));
  }

 private:
  LongOperation operation_;
};

}  // namespace

TFormFormat::TFormFormat(FormRegistry& app) : QWidget(nullptr), app_(app) {
  setWindowTitle(Q("Parametry záznamu"));
  setWindowFlags(kFixedWindowFlags);
  BuildControls();

  for (FileDialogOptions* dialog : {&OpenDialog1, &SaveDialog1}) {
    dialog->filter = kSettingsFileFilter;
    dialog->default_extension = kSettingsFileExtension;
    dialog->file_name = kSettingsFileName;
    dialog->initial_dir = app_.Paths().program_dir;
  }
  OpenDialog1.file_must_exist = true;
  SaveDialog1.overwrite_prompt = true;
}

void TFormFormat::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 0);
  layout->setSpacing(6);

  AddNameRow(layout);
  AddLineGroup(layout);
  AddDurationGrid(layout);
  AddLineChoice(layout);
  AddEditButtons(layout);
  AddLoggedGrid(layout);
  AddFileButtons(layout);
  AddProgressBar(layout);
  ConnectControls();

  resize(362, 603);
  setFixedSize(size().expandedTo(minimumSizeHint()));
  new FileDropFilter(this, [this](const std::vector<std::string>& paths) { FormDropFiles(paths); });
}

void TFormFormat::AddNameRow(QVBoxLayout* layout) {
  EditNazev = new QLineEdit(this);
  QFont bold = EditNazev->font();
  bold.setBold(true);
  EditNazev->setFont(bold);
  LabelNazev = BuddyLabel("Název:", EditNazev, this);
  auto* name_row = new QHBoxLayout;
  name_row->addWidget(LabelNazev);
  name_row->addWidget(EditNazev, 1);
  layout->addLayout(name_row);
}

void TFormFormat::AddLineGroup(QVBoxLayout* layout) {
  GroupBoxLinka = new QGroupBox(Q("Komunikační linka"), this);
  auto* line = new QGridLayout(GroupBoxLinka);
  ComboBoxBaud = PickList(GroupBoxLinka, kBaudChoices, 3);
  ComboBoxData = PickList(GroupBoxLinka, kDataBitChoices, 1);
  ComboBoxParity = PickList(GroupBoxLinka, kParityChoices, 0);
  ComboBoxStop = PickList(GroupBoxLinka, kStopBitChoices, 0);
  EditTimeout = new QLineEdit("150", GroupBoxLinka);
  EditDelay = new QLineEdit("10", GroupBoxLinka);
  line->addWidget(BuddyLabel("&Baud", ComboBoxBaud, GroupBoxLinka), 0, 0);
  line->addWidget(ComboBoxBaud, 0, 1);
  line->addWidget(BuddyLabel("Da&tabit", ComboBoxData, GroupBoxLinka), 0, 2);
  line->addWidget(ComboBoxData, 0, 3);
  line->addWidget(BuddyLabel("P&arita", ComboBoxParity, GroupBoxLinka), 1, 0);
  line->addWidget(ComboBoxParity, 1, 1);
  line->addWidget(BuddyLabel("&Stopbit", ComboBoxStop, GroupBoxLinka), 1, 2);
  line->addWidget(ComboBoxStop, 1, 3);
  line->addWidget(BuddyLabel("Ti&meout [ms]", EditTimeout, GroupBoxLinka), 2, 0);
  line->addWidget(EditTimeout, 2, 1);
  line->addWidget(BuddyLabel("P&rodleva dalšího dotazu [ms]", EditDelay, GroupBoxLinka), 3, 0, 1,
                  3);
  line->addWidget(EditDelay, 3, 3);
  layout->addWidget(GroupBoxLinka);
}

void TFormFormat::AddDurationGrid(QVBoxLayout* layout) {
  EditDni = new QLineEdit("30", this);
  EditDni->setMaxLength(kDaysLength);
  EditTab = new QLineEdit("1", this);
  EditTab->setReadOnly(true);
  EditTab->setEnabled(false);
  auto* duration = new QGridLayout;
  duration->addWidget(BuddyLabel("Doba záznamu", EditDni, this), 0, 0);
  duration->addWidget(EditDni, 0, 1);
  duration->addWidget(new QLabel(Q("dni"), this), 0, 2);
  duration->addWidget(EditTab, 0, 3);
  duration->addWidget(new QLabel(Q("MB"), this), 0, 4);
  const char* interval_captions[kIntervalCount] = {"Interval &1 [s]", "Interval &2 [s]",
                                                   "Interval &3 [s]", "Interval &4 [s]"};
  const char* interval_texts[kIntervalCount] = {"10", "60", "60", "60"};
  QLineEdit** interval_edits[kIntervalCount] = {&EditInterval1, &EditInterval2, &EditInterval3,
                                                &EditInterval4};
  for (int k = 0; k < kIntervalCount; ++k) {
    *interval_edits[k] = new QLineEdit(Q(interval_texts[k]), this);
    const int row = 1 + k / 2;
    const int column = (k % 2) * 3;
    duration->addWidget(BuddyLabel(interval_captions[k], *interval_edits[k], this), row, column);
    duration->addWidget(*interval_edits[k], row, column + 1);
  }
  layout->addLayout(duration);
}

void TFormFormat::AddLineChoice(QVBoxLayout* layout) {
  ComboBoxInstr = new QComboBox(this);
  ComboBoxInterval = PickList(this, kIntervalChoices, 0);
  ComboBoxVelic = new QComboBox(this);
  EditOznaceni = new QLineEdit(this);
  auto* choice = new QGridLayout;
  choice->addWidget(BuddyLabel("&Přístroj", ComboBoxInstr, this), 0, 0);
  choice->addWidget(ComboBoxInstr, 0, 1, 1, 2);
  choice->addWidget(BuddyLabel("&Interval", ComboBoxInterval, this), 1, 0);
  choice->addWidget(ComboBoxInterval, 1, 1);
  choice->addWidget(BuddyLabel("V&eličina", ComboBoxVelic, this), 2, 0);
  choice->addWidget(ComboBoxVelic, 2, 1, 1, 2);
  choice->addWidget(BuddyLabel("Vlastní označení", EditOznaceni, this), 3, 0);
  choice->addWidget(EditOznaceni, 3, 1, 1, 2);
  choice->setColumnStretch(2, 1);
  layout->addLayout(choice);
}

void TFormFormat::AddEditButtons(QVBoxLayout* layout) {
  ButtonAdd = new QPushButton(Q("Při&dat"), this);
  ButtonChg = new QPushButton(Q("Z&měnit"), this);
  ButtonRemove = new QPushButton(Q("Odeb&rat"), this);
  ButtonChg->setEnabled(false);
  ButtonRemove->setEnabled(false);
  auto* edit_buttons = new QHBoxLayout;
  edit_buttons->addWidget(ButtonAdd);
  edit_buttons->addWidget(ButtonChg);
  edit_buttons->addWidget(ButtonRemove);
  layout->addLayout(edit_buttons);
}

void TFormFormat::AddLoggedGrid(QVBoxLayout* layout) {
  StringGridLogged = new QTableWidget(0, kLineColumns, this);
  QStringList titles;
  for (const char* title : kLineTitles) titles << Q(title);
  StringGridLogged->setHorizontalHeaderLabels(titles);
  SetUpRecordGrid(StringGridLogged, kRowHeight);
  StringGridLogged->horizontalHeader()->setFixedHeight(kRowHeight + 4);
  for (int column = 0; column < kLineColumns; ++column) {
    StringGridLogged->setColumnWidth(column, kLineColumnWidths[column]);
  }
  StringGridLogged->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(StringGridLogged, 1);
}

void TFormFormat::AddFileButtons(QVBoxLayout* layout) {
  ButtonLoad = new QPushButton(Q("&Načti z disku"), this);
  // The old name stays: "CfgChg" is card preparation, not the configuration change (ZmCfg).
  ButtonCfgChg = new QPushButton(Q("Připra&v kartu"), this);
  ButtonSave = new QPushButton(Q("&Ulož na disk"), this);
  ButtonLoadFromCard = new QPushButton(Q("Vyčti &z karty"), this);
  ButtonZmCfg = new QPushButton(Q("Zm. &Cfg"), this);
  auto* file_buttons = new QGridLayout;
  file_buttons->addWidget(ButtonLoad, 0, 0);
  file_buttons->addWidget(ButtonCfgChg, 0, 1);
  file_buttons->addWidget(ButtonSave, 0, 2);
  file_buttons->addWidget(ButtonLoadFromCard, 1, 0);
  file_buttons->addWidget(ButtonZmCfg, 1, 2);
  layout->addLayout(file_buttons);
}

void TFormFormat::AddProgressBar(QVBoxLayout* layout) {
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedHeight(15);
  layout->addWidget(ProgressBar1);
}

void TFormFormat::ConnectControls() {
  for (QLineEdit* edit : {EditDni, EditInterval1, EditInterval2, EditInterval3, EditInterval4}) {
    edit->installEventFilter(this);
  }
  // A loaded duration may be longer than typing allows; typing shortens it back to the limit.
  connect(EditDni, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (text.size() <= kDaysLength) EditDni->setMaxLength(kDaysLength);
  });
  // Only the user's choices count as changes; the window's own updates do not.
  connect(ComboBoxInstr, &QComboBox::activated, this, &TFormFormat::ComboBoxInstrChange);
  connect(ComboBoxVelic, &QComboBox::activated, this, &TFormFormat::ComboBoxVelicChange);
  connect(ButtonAdd, &QPushButton::clicked, this, &TFormFormat::ButtonAddClick);
  connect(ButtonChg, &QPushButton::clicked, this, &TFormFormat::ButtonChgClick);
  connect(ButtonRemove, &QPushButton::clicked, this, &TFormFormat::ButtonRemoveClick);
  connect(ButtonLoad, &QPushButton::clicked, this, &TFormFormat::ButtonLoadClick);
  connect(ButtonSave, &QPushButton::clicked, this, &TFormFormat::ButtonSaveClick);
  connect(ButtonCfgChg, &QPushButton::clicked, this, &TFormFormat::ButtonCfgChgClick);
  connect(ButtonZmCfg, &QPushButton::clicked, this, &TFormFormat::ButtonZmCfgClick);
  connect(ButtonLoadFromCard, &QPushButton::clicked, this, &TFormFormat::ButtonLoadFromCardClick);
}

QLineEdit* TFormFormat::IntervalEdit(int k) const {
  QLineEdit* const edits[kIntervalCount] = {EditInterval1, EditInterval2, EditInterval3,
                                            EditInterval4};
  return edits[k];
}

RecordingConfig TFormFormat::Config() const {
  RecordingConfig config;
  config.job_name = S(EditNazev->text());
  config.days = S(EditDni->text());
  config.file_size = S(EditTab->text());
  for (int k = 0; k < kIntervalCount; ++k) config.intervals[k] = S(IntervalEdit(k)->text());
  config.baud_position = ComboBoxBaud->currentIndex();
  config.databits_position = ComboBoxData->currentIndex();
  config.parity_position = ComboBoxParity->currentIndex();
  config.stopbits_position = ComboBoxStop->currentIndex();
  config.timeout = S(EditTimeout->text());
  config.delay = S(EditDelay->text());
  for (int row = 0; row < StringGridLogged->rowCount(); ++row) {
    LoggedLine& line = config.lines.emplace_back();
    for (int column = 0; column < kLineColumns; ++column) {
      const QTableWidgetItem* item = StringGridLogged->item(row, column);
      if (item != nullptr) line[column] = S(item->text());
    }
  }
  return config;
}

void TFormFormat::SetDays(const std::string& days) {
  const QString text = Q(days);
  EditDni->setMaxLength(std::max<int>(kDaysLength, static_cast<int>(text.size())));
  EditDni->setText(text);
}

void TFormFormat::SetConfig(const RecordingConfig& config) {
  EditNazev->setText(Q(config.job_name));
  SetDays(config.days);
  EditTab->setText(Q(config.file_size));
  for (int k = 0; k < kIntervalCount; ++k) IntervalEdit(k)->setText(Q(config.intervals[k]));
  ComboBoxBaud->setCurrentIndex(config.baud_position);
  ComboBoxData->setCurrentIndex(config.databits_position);
  ComboBoxParity->setCurrentIndex(config.parity_position);
  ComboBoxStop->setCurrentIndex(config.stopbits_position);
  EditTimeout->setText(Q(config.timeout));
  EditDelay->setText(Q(config.delay));
  ShowLines(config.lines);
  const bool has_lines = !config.lines.empty();
  ButtonChg->setEnabled(has_lines);
  ButtonRemove->setEnabled(has_lines);
}

void TFormFormat::ShowLines(const std::vector<LoggedLine>& lines) {
  StringGridLogged->setRowCount(0);
  StringGridLogged->setRowCount(static_cast<int>(lines.size()));
  for (int row = 0; row < static_cast<int>(lines.size()); ++row) SetLine(row, lines[row]);
  SetTitleRowFixed(!lines.empty());
  if (!lines.empty()) StringGridLogged->setCurrentCell(0, 0);
}

void TFormFormat::SetLine(int row, const LoggedLine& line) {
  for (int column = 0; column < kLineColumns; ++column) {
    StringGridLogged->setItem(row, column, new QTableWidgetItem(Q(line[column])));
  }
}

// The title row is fixed exactly when the list holds lines.
bool TFormFormat::TitleRowFixed() const { return StringGridLogged->rowCount() > 0; }

void TFormFormat::SetTitleRowFixed(bool fixed) {
  // An unfixed title row is an ordinary row of the list, not a raised header.
  StringGridLogged->horizontalHeader()->setHighlightSections(fixed);
  QFont font = StringGridLogged->horizontalHeader()->font();
  font.setBold(false);
  StringGridLogged->horizontalHeader()->setFont(font);
}

bool TFormFormat::LoadSettingsFile(const std::string& path) {
  RecordingConfig config = Config();
  InstrumentList instruments = app_.Instruments()->List();
  auto show = [&] {
    SetConfig(config);
    app_.Instruments()->SetList(instruments);
  };
  if (!ReadSettingsFile(path, config, instruments, app_.DecimalSeparator(), app_.Dialogs(), show)) {
    return false;
  }
  SetConfig(config);  // now with the computed file size
  RebuildInstrumentChoice();
  return true;
}

void TFormFormat::RebuildInstrumentChoice() {
  ComboBoxInstr->clear();
  for (const Instrument& instrument : app_.Instruments()->List().rows) {
    ComboBoxInstr->addItem(Q(InstrumentChoiceEntry(instrument)));
  }
  ComboBoxInstr->setCurrentIndex(ComboBoxInstr->count() > 0 ? 0 : -1);
  ComboBoxInstrChange();
}

void TFormFormat::ComboBoxInstrChange() {
  const int position = ComboBoxInstr->currentIndex();
  const InstrumentList& list = app_.Instruments()->List();
  if (ComboBoxInstr->count() > 0 && position >= 0 && position < list.Count()) {
    app_.Velic()->LoadQuantityFile(list.rows[position].quantity_file);
    FillQuantityChoice();
  } else {
    ComboBoxVelic->clear();
  }
  EditOznaceni->setText(ComboBoxVelic->currentText());
}

void TFormFormat::FillQuantityChoice() {
  ComboBoxVelic->clear();
  const QuantityTable& table = app_.Velic()->Table();
  const int count = table.OfferedCount();
  for (int row = 1; row <= count; ++row) {
    ComboBoxVelic->addItem(Q(table.Row(row)[kFieldDescription]));
  }
  ComboBoxVelic->setCurrentIndex(count > 0 ? 0 : -1);
}

void TFormFormat::ComboBoxVelicChange() { EditOznaceni->setText(ComboBoxVelic->currentText()); }

void TFormFormat::FormActivate() {
  if (EditOznaceni->text().isEmpty()) EditOznaceni->setText(ComboBoxVelic->currentText());
}

void TFormFormat::CalcMB() {
  FileSizeResult result = korvan::CalcMB(Config(), app_.DecimalSeparator());
  if (!result.ok) {
    app_.Dialogs().ShowError(result.error);
    return;
  }
  EditTab->setText(Q(IntToStr(result.megabytes)));
}

void TFormFormat::EditDniKeyDown(int key) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) CalcMB();
}

LoggedLine TFormFormat::LineFromChoices() const {
  const int position = ComboBoxVelic->currentIndex();
  return MakeLoggedLine(S(ComboBoxInstr->currentText()), S(EditOznaceni->text()),
                        S(ComboBoxInterval->currentText()),
                        app_.Velic()->Table().Row(position + 1));
}

void TFormFormat::ButtonAddClick() {
  if (ComboBoxVelic->currentIndex() < 0) return;
  const int row = StringGridLogged->rowCount();
  StringGridLogged->setRowCount(row + 1);
  SetLine(row, LineFromChoices());
  StringGridLogged->setCurrentCell(row, 0);
  SetTitleRowFixed(true);
  ButtonChg->setEnabled(true);
  ButtonRemove->setEnabled(true);
  ComboBoxVelic->setCurrentIndex(
      NextQuantityChoice(ComboBoxVelic->currentIndex(), ComboBoxVelic->count()));
  EditOznaceni->setText(ComboBoxVelic->currentText());
  if (!AddAllowed(row + 1)) ButtonAdd->setEnabled(false);
  CalcMB();
}

void TFormFormat::ButtonChgClick() {
  if (ComboBoxVelic->currentIndex() < 0) return;
  const int row = StringGridLogged->currentRow();
  if (row < 0 || row >= StringGridLogged->rowCount()) return;
  SetLine(row, LineFromChoices());
  CalcMB();
}

void TFormFormat::ButtonRemoveClick() {
  const int row = StringGridLogged->currentRow();
  if (row < 0 || row >= StringGridLogged->rowCount()) return;
  StringGridLogged->removeRow(row);
  const int count = StringGridLogged->rowCount();
  if (count == 0) {
    SetTitleRowFixed(false);
    ButtonChg->setEnabled(false);
    ButtonRemove->setEnabled(false);
  } else {
    StringGridLogged->setCurrentCell(std::min(row, count - 1), 0);
  }
  ButtonAdd->setEnabled(true);
  CalcMB();
}

void TFormFormat::ButtonLoadClick() {
  std::optional<std::string> name = app_.Dialogs().OpenFileName(OpenDialog1);
  if (name) LoadSettingsFile(*name);
}

void TFormFormat::FormDropFiles(const std::vector<std::string>& paths) {
  if (paths.size() != 1 || !IsSettingsFileName(paths[0]) || !IsRegularFile(paths[0])) {
    app_.Dialogs().ShowError(kSettingsDropRefused);
    return;
  }
  LoadSettingsFile(paths[0]);
}

void TFormFormat::ButtonSaveClick() {
  std::optional<std::string> name = app_.Dialogs().SaveFileName(SaveDialog1);
  if (!name) return;
  try {
    WriteSettingsFile(*name, Config(), app_.Instruments()->List(), app_.DecimalSeparator());
  } catch (const Error& e) {
    app_.Dialogs().ShowError(e.what());
  }
}

void TFormFormat::ButtonCfgChgClick() {
  const RecordingConfig config = Config();
  ProgressBarProgress progress(ProgressBar1);
  PrepareCard(CardJobFor(config), progress,
              CardSystem{&app_.Processes(), &app_.Extents(), app_.Drives()});
}

void TFormFormat::ButtonZmCfgClick() {
  const RecordingConfig config = Config();
  ChangeCardConfiguration(CardJobFor(config));
}

CardJob TFormFormat::CardJobFor(const RecordingConfig& config) const {
  return CardJob{config, app_.Instruments()->List(), app_.CurrentLocation(),
                 app_.DecimalSeparator(), app_.Dialogs()};
}

void TFormFormat::ButtonLoadFromCardClick() { LoadFromCard(app_.CurrentLocation()); }

void TFormFormat::LoadFromCard(const DataLocation& location) {
  RecordingConfig config = Config();
  InstrumentList instruments = app_.Instruments()->List();
  const bool change_enabled = ButtonChg->isEnabled();
  const bool remove_enabled = ButtonRemove->isEnabled();
  // The window and the instrument list show what was read before a warning or an error is.
  auto show = [&](ReadBackSource source) {
    SetConfig(config);
    if (source == ReadBackSource::kConfigIni) app_.Instruments()->SetList(instruments);
  };
  switch (ReadConfigurationFromCard(location, config, instruments, app_.DecimalSeparator(),
                                    app_.Dialogs(), show)) {
    case ReadBackSource::kNone:
      return;
    case ReadBackSource::kConfigIni:
      SetConfig(config);  // now with the computed file size
      RebuildInstrumentChoice();
      return;
    case ReadBackSource::kConfigImage:
      // The instrument choice is not rebuilt; an image without lines leaves change and
      // remove as they were.
      SetConfig(config);
      if (config.lines.empty()) {
        ButtonChg->setEnabled(change_enabled);
        ButtonRemove->setEnabled(remove_enabled);
      }
      return;
  }
}

bool TFormFormat::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
}

bool TFormFormat::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Leaving the field, not switching to another program or opening a menu.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) CalcMB();
  } else if (event->type() == QEvent::KeyPress && watched == EditDni) {
    EditDniKeyDown(static_cast<QKeyEvent*>(event)->key());
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvan
