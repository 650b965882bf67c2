#include "shell/form_main_menu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/date_time.h"
#include "app/program_settings.h"
#include "app/user_dialogs.h"
#include "config/form_format.h"
#include "data/log_scan.h"
#include "data/measurement_folder.h"
#include "data/measurement_merge.h"
#include "instruments/form_instruments.h"
#include "shell/form_about.h"
#include "shell/form_setup.h"
#include "shell/form_windows.h"
#include "widgets/form_drop.h"
#include "widgets/form_long_operation.h"
#include "widgets/form_qt_text.h"

namespace korvan {

namespace {

// Simple flat pictures for the six buttons, drawn so that they look the same on every theme.
QIcon DrawIcon(int kind) {
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(40, 70, 120);
  const QColor accent(220, 120, 30);
  p.setPen(QPen(ink, 3));
  switch (kind) {
    case 0: {  // instruments: a meter with a needle
      p.setBrush(QColor(235, 240, 248));
      p.drawRoundedRect(6, 10, 52, 44, 6, 6);
      p.setBrush(Qt::NoBrush);
      p.drawArc(14, 20, 36, 36, 30 * 16, 120 * 16);
      p.setPen(QPen(accent, 3));
      p.drawLine(32, 40, 42, 24);
      break;
    }
    case 1: {  // recording: a sheet with rows
      p.setBrush(QColor(250, 250, 250));
      p.drawRect(14, 6, 36, 52);
      p.setPen(QPen(ink, 2));
      for (int y = 16; y <= 46; y += 8) p.drawLine(20, y, 44, y);
      p.setPen(QPen(accent, 3));
      p.drawEllipse(QPoint(44, 50), 6, 6);
      break;
    }
    case 2: {  // measured data: a chart
      p.drawLine(10, 8, 10, 54);
      p.drawLine(10, 54, 58, 54);
      p.setPen(QPen(accent, 3));
      QPainterPath path(QPointF(12, 44));
      path.cubicTo(22, 10, 30, 50, 40, 26);
      path.cubicTo(46, 14, 52, 22, 56, 16);
      p.drawPath(path);
      break;
    }
    case 3: {  // settings: a card and its reader
      p.setBrush(QColor(235, 240, 248));
      p.drawRect(8, 30, 48, 22);
      p.setBrush(QColor(250, 250, 250));
      QPolygon card;
      card << QPoint(20, 8) << QPoint(40, 8) << QPoint(46, 14) << QPoint(46, 36) << QPoint(20, 36);
      p.drawPolygon(card);
      p.setPen(QPen(accent, 3));
      p.drawLine(14, 44, 22, 44);
      break;
    }
    case 4: {  // about: an "i"
      p.setBrush(QColor(235, 240, 248));
      p.drawEllipse(8, 8, 48, 48);
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      p.drawEllipse(29, 16, 7, 7);
      p.drawRoundedRect(29, 27, 7, 20, 2, 2);
      break;
    }
    default: {  // quit: a door with an arrow
      p.setBrush(QColor(235, 240, 248));
      p.drawRect(12, 8, 28, 48);
      p.setPen(QPen(accent, 4));
      p.drawLine(30, 32, 56, 32);
      p.drawLine(48, 24, 56, 32);
      p.drawLine(48, 40, 56, 32);
      break;
    }
  }
  return QIcon(pixmap);
}

QToolButton* BigButton(QWidget* parent, const char* caption, int icon, int width) {
  auto* button = new QToolButton(parent);
  button->setText(Q(caption));
  button->setIcon(DrawIcon(icon));
  button->setIconSize(QSize(32, 32));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setFixedSize(width, 65);
  button->setAutoRaise(false);
  // "Naměřená data" must fit the 88-pixel button without being elided.
  QFont font = button->font();
  font.setPointSizeF(font.pointSizeF() * 0.88);
  button->setFont(font);
  return button;
}

}  // namespace

TFormMainMenu::TFormMainMenu(KorvanApp& app)
    : QWidget(nullptr, kFixedWindowFlags | Qt::MSWindowsFixedSizeDialogHint), app_(app) {
  setWindowTitle(Q("Korvan-A - Ovládací panel"));
  // The logo from the icon theme when installed; a build-folder copy has only its drawing.
  setWindowIcon(QIcon::fromTheme("korvan-a", DrawIcon(2)));

  ProgressBar2 = new QProgressBar(this);
  ProgressBar2->setFixedHeight(8);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setFixedHeight(15);
  for (QProgressBar* bar : {ProgressBar2, ProgressBar1}) {
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
  }
  BitBtnInstr = BigButton(this, "&Přístroje", 0, 88);
  BitBtnAppl = BigButton(this, "&Záznam", 1, 97);
  BitBtnMeasured = BigButton(this, "Naměřená &data", 2, 88);
  BitBtnSetup = BigButton(this, "&Nastavení", 3, 88);
  BitBtnAbout = BigButton(this, "&O programu", 4, 88);
  BitBtnClose = BigButton(this, "&Ukončit", 5, 88);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->setSpacing(0);
  for (QToolButton* b :
       {BitBtnInstr, BitBtnAppl, BitBtnMeasured, BitBtnSetup, BitBtnAbout, BitBtnClose}) {
    buttons->addWidget(b);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ProgressBar2);
  layout->addLayout(buttons);
  layout->addWidget(ProgressBar1);
  setFixedSize(538, 8 + 65 + 15 - 1);

  connect(BitBtnInstr, &QToolButton::clicked, this, &TFormMainMenu::BitBtnInstrClick);
  connect(BitBtnAppl, &QToolButton::clicked, this, &TFormMainMenu::BitBtnApplClick);
  connect(BitBtnMeasured, &QToolButton::clicked, this, &TFormMainMenu::BitBtnMeasuredClick);
  connect(BitBtnSetup, &QToolButton::clicked, this, &TFormMainMenu::BitBtnSetupClick);
  connect(BitBtnAbout, &QToolButton::clicked, this, &TFormMainMenu::BitBtnAboutClick);
  connect(BitBtnClose, &QToolButton::clicked, this, &TFormMainMenu::BitBtnCloseClick);
  new FileDropFilter(this, [this](const std::vector<std::string>& paths) { FormDropFiles(paths); });
}

namespace {

void ShowModeless(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void TFormMainMenu::BitBtnInstrClick() { ShowModeless(app_.Instruments()); }
void TFormMainMenu::BitBtnApplClick() { ShowModeless(app_.Format()); }
void TFormMainMenu::BitBtnMeasuredClick() { app_.CreateGraphWindow(); }
void TFormMainMenu::BitBtnSetupClick() { ShowModeless(app_.Setup()); }
void TFormMainMenu::BitBtnAboutClick() { ShowModeless(app_.About()); }
// exit(), not quit(): quit() asks every window to close first, and a graph window that closes
// stores its view; the program ends without asking or saving anything.
void TFormMainMenu::BitBtnCloseClick() { QApplication::exit(0); }

void TFormMainMenu::FormDropFiles(const std::vector<std::string>& paths) {
  if (paths.empty() || !std::all_of(paths.begin(), paths.end(), HoldsMeasurement)) {
    app_.Dialogs().ShowError(kFolderDropRefused);
    return;
  }
  const std::string folder = paths.size() == 1 ? paths[0] : JoinDroppedFolders(paths);
  if (folder.empty()) return;
  app_.Setup()->UseAlternativeDirectory(folder);
  BitBtnMeasuredClick();
}

std::string TFormMainMenu::JoinDroppedFolders(const std::vector<std::string>& paths) {
  UserDialogs& dialogs = app_.Dialogs();
  if (!dialogs.Ask(FormatMergeMessage(kJoinDroppedFolders, {std::to_string(paths.size())}))) {
    return {};
  }
  const std::string folder = dialogs.BrowseForFolder(kJoinFolderTitle);
  if (folder.empty()) return {};
  MeasurementMergeJob job;
  job.source_dirs = paths;
  job.destination_dir = folder;
  job.run_limit = ScanTimeLimit(Today());
  job.now = Now();
  job.decimal_separator = app_.DecimalSeparator();
  LongOperation operation(ProgressBar1);
  job.progress_start = [&](uint64_t total) { operation.SetMaximum(total); };
  job.progress_advance = [&](size_t bytes) { operation.Advance(bytes); };
  job.progress_finish = [&] {
    operation.SetPosition(0);
    operation.End();
  };
  // A joined set that stands unfinished is finished by the load that opens it.
  const MergeOutcome outcome = MergeMeasurements(job, dialogs).outcome;
  return outcome == MergeOutcome::kDone || outcome == MergeOutcome::kStands ? folder
                                                                            : std::string();
}

void TFormMainMenu::FormShow() {
  if (!ProgramIsSetUp(app_.Paths().settings_file)) app_.Setup()->exec();
}

void TFormMainMenu::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar, not shown by the program
  // After the panel has been painted, so the settings window opens over it.
  QTimer::singleShot(0, this, &TFormMainMenu::FormShow);
}

void TFormMainMenu::closeEvent(QCloseEvent* event) {
  event->accept();
  QApplication::exit(0);
}

}  // namespace korvan
