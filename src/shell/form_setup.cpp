#include "shell/form_setup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/program_settings.h"
#include "config/form_format.h"
#include "instruments/form_velic.h"
#include "platform/paths.h"
#include "shell/form_windows.h"
#include "widgets/form_drive_chooser.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

char CurrentDriveLetter(const std::vector<Drive>& drives) {
  auto drive = DriveOfPath(drives, CurrentDirectory());
  return drive ? drive->letter : 'c';
}

}  // namespace

TFormSetup::TFormSetup(KorvanApp& app) : QDialog(nullptr, Qt::Tool), app_(app) {
  setWindowTitle(Q("Nastavení"));
  resize(242, 338);
  char current = CurrentDriveLetter(app_.Drives());

  LabelCardDir = new QLabel(Q("&Disk paměťové karty"), this);
  DriveComboBoxCard = new DriveComboBox(app_.Drives(), current, this);
  LabelCardDir->setBuddy(DriveComboBoxCard);
  // On two lines, so that the window keeps its narrow design width.
  CheckBoxAlt = new QCheckBox(Q("&Alternativní umístění\ndatových souborů"), this);
  DriveComboBoxAlt = new DriveComboBox(app_.Drives(), current, this);
  DriveComboBoxAlt->SetDropDownOnTyping(true);
  DirectoryListBoxAlt = new DirectoryListBox(this);
  DirectoryListBoxAlt->SetDriveRoot(DriveComboBoxAlt->ShownRoot());
  ButtonEditInstr = new QPushButton(Q("&Editor přístrojů"), this);
  ButtonOK = new QPushButton(Q("OK"), this);
  ButtonOK->setDefault(true);
  ButtonCancel = new QPushButton(Q("&Storno"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelCardDir);
  layout->addWidget(DriveComboBoxCard);
  layout->addSpacing(6);
  layout->addWidget(CheckBoxAlt);
  layout->addWidget(DriveComboBoxAlt);
  layout->addWidget(DirectoryListBoxAlt, 1);
  layout->addWidget(ButtonEditInstr);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  buttons->addWidget(ButtonCancel);
  layout->addLayout(buttons);

  connect(CheckBoxAlt, &QCheckBox::clicked, this, &TFormSetup::CheckBoxAltClick);
  connect(DriveComboBoxAlt, &DriveComboBox::DriveChanged, this,
          [this](char) { DirectoryListBoxAlt->SetDriveRoot(DriveComboBoxAlt->ShownRoot()); });
  connect(ButtonOK, &QPushButton::clicked, this, &TFormSetup::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormSetup::ButtonCancelClick);
  connect(ButtonEditInstr, &QPushButton::clicked, this, &TFormSetup::ButtonEditInstrClick);

  CheckBoxAltClick();
  Timer1 = new QTimer(this);
  Timer1->setSingleShot(true);
  Timer1->setInterval(500);
  connect(Timer1, &QTimer::timeout, this, &TFormSetup::Timer1Timer);
  Timer1->start();
}

void TFormSetup::SetDrives(const std::vector<Drive>& drives) {
  DriveComboBoxCard->SetDrives(drives);
  const char alt_shown = DriveComboBoxAlt->ShownLetter();
  DriveComboBoxAlt->SetDrives(drives);
  // The folder tree stays where it was while its drive does.
  if (DriveComboBoxAlt->ShownLetter() != alt_shown) {
    DirectoryListBoxAlt->SetDriveRoot(DriveComboBoxAlt->ShownRoot());
  }
}

void TFormSetup::showEvent(QShowEvent* event) {
  app_.RefreshDrives();
  QDialog::showEvent(event);
}

DataLocation TFormSetup::CurrentLocation() const {
  DataLocation location;
  location.card_letter = DriveComboBoxCard->ShownLetter();
  location.card_root = DriveComboBoxCard->ShownRoot();
  location.alternative = CheckBoxAlt->isChecked();
  location.alt_dir = DirectoryListBoxAlt->Directory();
  return location;
}

void TFormSetup::MoveAltToDirectory(const std::string& path) {
  // A folder that cannot be entered stops here, before the chooser moves to its drive's root:
  // the choosers keep what they had.
  DirectoryListBox::CheckDirectory(path);
  if (auto drive = DriveOfPath(app_.Drives(), path)) {
    DriveComboBoxAlt->SetDrive(drive->letter);
    if (DriveComboBoxAlt->ShownLetter() == drive->letter) {
      DirectoryListBoxAlt->SetDriveRoot(drive->root);
    }
  }
  DirectoryListBoxAlt->SetDirectory(path);
}

void TFormSetup::LoadProgramSettings() {
  ProgramSettings settings = ReadProgramSettings(app_.Paths().settings_file);
  DriveComboBoxCard->SetDrive(settings.card_disk.empty() ? '\0' : settings.card_disk[0]);
  CheckBoxAlt->setChecked(settings.alternative);
  if (CheckBoxAlt->isChecked()) {
    if (auto drive = DriveOfPath(app_.Drives(), DirectoryListBoxAlt->Directory())) {
      DriveComboBoxAlt->SetDrive(drive->letter);
    }
    MoveAltToDirectory(settings.alt_dir);
  }
  CheckBoxAltClick();
}

void TFormSetup::SaveProgramSettings() {
  ProgramSettings settings;
  char letter = DriveComboBoxCard->DriveLetter();
  settings.card_disk = letter ? std::string(1, letter) : std::string();
  settings.alternative = CheckBoxAlt->isChecked();
  settings.alt_dir = DirectoryListBoxAlt->Directory();
  WriteProgramSettings(app_.Paths().settings_file, settings);
}

void TFormSetup::CheckBoxAltClick() {
  bool on = CheckBoxAlt->isChecked();
  for (QWidget* chooser :
       {static_cast<QWidget*>(DriveComboBoxAlt), static_cast<QWidget*>(DirectoryListBoxAlt)}) {
    chooser->setEnabled(on);
    QPalette palette = chooser->palette();
    // Greyed like an inactive border when off, the usual window background when on.
    QColor color = on ? QPalette().color(QPalette::Active, QPalette::Base)
                      : QPalette().color(QPalette::Active, QPalette::Midlight);
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Disabled, QPalette::Base, color);
    chooser->setPalette(palette);
  }
}

void TFormSetup::UseAlternativeDirectory(const std::string& path) {
  MoveAltToDirectory(path);  // a folder that cannot be entered stops here, nothing changed
  CheckBoxAlt->setChecked(true);
  CheckBoxAltClick();
  SaveProgramSettings();
}

void TFormSetup::ButtonOKClick() {
  SaveProgramSettings();
  if (isModal() && isVisible()) {
    done(QDialog::Accepted);
  } else {
    hide();
  }
}

void TFormSetup::ButtonCancelClick() {
  LoadProgramSettings();
  if (isModal() && isVisible()) {
    done(QDialog::Rejected);
  } else {
    hide();
  }
}

void TFormSetup::reject() { ButtonCancelClick(); }

void TFormSetup::closeEvent(QCloseEvent* event) {
  event->accept();
  if (isModal()) {
    QDialog::done(QDialog::Rejected);
  } else {
    hide();
  }
}

void TFormSetup::ButtonEditInstrClick() {
  app_.Velic()->exec();
  app_.Format()->RebuildInstrumentChoice();
}

void TFormSetup::Timer1Timer() {
  Timer1->stop();
  LoadProgramSettings();
}

}  // namespace korvan
